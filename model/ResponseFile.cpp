// The open response file: POSIX calls so that the reason of a failure (errno) can be
// mapped to the run-time error numbers the messages show.
#include "model/ResponseFile.h"

#include "platform/CodePage.h"
#include "platform/RtError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quadrel {

namespace {

int openErrorNumber(int err, bool output) {
    switch (err) {
    case ENOENT: return output ? rterr::PathNotFound : rterr::FileNotFound;
    case ENOTDIR: return rterr::PathNotFound;
    case ENAMETOOLONG: return rterr::BadFileName;
    case EMFILE:
    case ENFILE: return rterr::TooManyFiles;
    case ENOSPC:
    case EDQUOT: return rterr::DiskFull;
    default: return rterr::PathFileAccess;  // EACCES, EPERM, EROFS, EISDIR, ENODEV, ...
    }
}

}  // namespace

ResponseFile::~ResponseFile() { close(); }

void ResponseFile::openInput(const QString &path) {
    close();
    if (path.isEmpty()) throw RtError(rterr::PathFileAccess);
    const int err = in_.open(path.toLocal8Bit().constData());
    if (err != 0) throw RtError(openErrorNumber(err, false));
    path_ = path;
}

void ResponseFile::openOutput(const QString &path) {
    close();
    if (path.isEmpty()) throw RtError(rterr::PathFileAccess);
    const QByteArray native = path.toLocal8Bit();
    struct stat sb {};
    if (::stat(native.constData(), &sb) == 0) {
        // A file without any write permission is read-only, also for a user (root) whom
        // the system would let write it anyway.
        if (S_ISREG(sb.st_mode) && (sb.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            throw RtError(rterr::PathFileAccess);
        if (S_ISDIR(sb.st_mode)) throw RtError(rterr::PathFileAccess);
    }
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK,
                          0666);
    if (fd < 0) throw RtError(openErrorNumber(errno, true));
    fd_ = fd;
    path_ = path;
}

void ResponseFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    in_.close();
}

bool ResponseFile::readLine(QString &line) {
    std::string bytes;
    if (!in_.readLine(bytes)) return false;
    line = QString::fromStdString(response::decodeAnsi(bytes));
    return true;
}

void ResponseFile::writeLine(const QString &text) {
    if (fd_ < 0) throw RtError(rterr::BadFileName);
    const QByteArray bytes = toAnsi(text) + "\r\n";
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            throw RtError(err == ENOSPC || err == EDQUOT ? rterr::DiskFull : rterr::DeviceIO);
        }
        p += n;
        left -= n;
    }
}

}  // namespace quadrel
