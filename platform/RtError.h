#pragma once
// Run-time errors: a number and a description, as the program's messages show them.
#include <QString>
#include <exception>
#include <string>

namespace quadrel {

namespace rterr {
constexpr int InvalidArgument = 5;
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int DiskFull = 61;
constexpr int TooManyFiles = 67;
constexpr int DeviceUnavailable = 68;
constexpr int DiskNotReady = 71;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int Settings = 1001;
constexpr int DialogCancelled = 32755;
}  // namespace rterr

class RtError : public std::exception {
public:
    RtError(int number, QString description);
    // An error with the standard description of its number.
    explicit RtError(int number);

    int number() const { return number_; }
    const QString &description() const { return description_; }
    const char *what() const noexcept override { return what_.c_str(); }

    static QString standardDescription(int number);

private:
    int number_;
    QString description_;
    std::string what_;
};

// Decimal text of n with a blank in the sign position when n is not negative (" 5", "-5").
QString signStr(long long n);

// Converts a text to a 16-bit integer the way the run-time converts answers: blanks around
// a decimal number (sign, fraction and exponent allowed) are accepted and the value is
// rounded half to even. Throws RtError 13 (type mismatch) for a text that is not a number,
// empty included, and RtError 6 (overflow) for a value outside -32768..32767.
qint16 toInt16(const QString &text);

}  // namespace quadrel
