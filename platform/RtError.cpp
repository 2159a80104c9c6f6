#include "platform/RtError.h"

#include "model/ResponseRecord.h"

namespace quadrel {

RtError::RtError(int number, QString description)
    : number_(number), description_(std::move(description)),
      what_(("#" + QString::number(number_) + ": " + description_).toStdString()) {}

RtError::RtError(int number) : RtError(number, standardDescription(number)) {}

QString RtError::standardDescription(int number) {
    switch (number) {
    case rterr::InvalidArgument: return QStringLiteral("Invalid procedure call or argument");
    case rterr::Overflow: return QStringLiteral("Overflow");
    case rterr::SubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case rterr::TypeMismatch: return QStringLiteral("Type mismatch");
    case rterr::BadFileName: return QStringLiteral("Bad file name or number");
    case rterr::FileNotFound: return QStringLiteral("File not found");
    case rterr::DeviceIO: return QStringLiteral("Device I/O error");
    case rterr::DiskFull: return QStringLiteral("Disk full");
    case rterr::TooManyFiles: return QStringLiteral("Too many files");
    case rterr::DeviceUnavailable: return QStringLiteral("Device unavailable");
    case rterr::DiskNotReady: return QStringLiteral("Disk not ready");
    case rterr::PathFileAccess: return QStringLiteral("Path/File access error");
    case rterr::PathNotFound: return QStringLiteral("Path not found");
    case rterr::DialogCancelled: return QStringLiteral("Cancel was selected.");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

QString signStr(long long n) {
    return n < 0 ? QString::number(n) : QStringLiteral(" ") + QString::number(n);
}

qint16 toInt16(const QString &text) {
    try {
        return response::toInt16(text.toStdString());
    } catch (const response::ReadError &e) {
        throw RtError(e.number());
    }
}

}  // namespace quadrel
