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
constexpr int FileNotFound = 53;
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

}  // namespace quadrel
