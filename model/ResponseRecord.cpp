// The response file reader without Qt (see ResponseRecord.h).
#include "model/ResponseRecord.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quadrel::response {

namespace {

// Unicode of the bytes 0x80..0x9F.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string &out, char16_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at s[i], 0 when there is none.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    // No overlong forms, no surrogates, nothing beyond U+10FFFF.
    if ((c == 0xE0 && b(i + 1) < 0xA0) || (c == 0xED && b(i + 1) > 0x9F) ||
        (c == 0xF0 && b(i + 1) < 0x90) || (c == 0xF4 && b(i + 1) > 0x8F))
        return 0;
    return n;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// " *[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eEdD][+-]?[0-9]+)? *": the number forms an answer
// may take. Returns the number's text with a D exponent written as E; false otherwise.
bool numberText(std::string_view t, std::string &out) {
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n && t[i] == ' ') ++i;
    std::size_t end = n;
    while (end > i && t[end - 1] == ' ') --end;
    out.clear();
    if (i < end && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') out += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < end && isDigit(t[i])) out += t[i++], ++digits;
    if (i < end && t[i] == '.') {
        out += t[i++];
        std::size_t fraction = 0;
        while (i < end && isDigit(t[i])) out += t[i++], ++fraction;
        if (digits == 0 && fraction == 0) return false;
    } else if (digits == 0) {
        return false;
    }
    if (i < end && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
        out += 'e';
        ++i;
        if (i < end && (t[i] == '+' || t[i] == '-')) out += t[i++];
        std::size_t exponent = 0;
        while (i < end && isDigit(t[i])) out += t[i++], ++exponent;
        if (exponent == 0) return false;
    }
    return i == end;
}

}  // namespace

char16_t ansiChar(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t(byte);
}

std::string decodeAnsi(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) appendUtf8(out, ansiChar(static_cast<unsigned char>(b)));
    return out;
}

std::string decodeLenient(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = utf8Length(bytes, i);
        if (n > 0) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            appendUtf8(out, ansiChar(static_cast<unsigned char>(bytes[i++])));
        }
    }
    return out;
}

const char *errorDescription(int number) {
    switch (number) {
    case rterr::Overflow: return "Overflow";
    case rterr::SubscriptOutOfRange: return "Subscript out of range";
    case rterr::TypeMismatch: return "Type mismatch";
    default: return "Application-defined or object-defined error";
    }
}

std::int16_t toInt16(std::string_view text) {
    std::string t;
    if (!numberText(text, t)) throw ReadError(rterr::TypeMismatch);
    double v = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    if (res.ec != std::errc() || !std::isfinite(v)) throw ReadError(rterr::Overflow);
    const double r = std::nearbyint(v);  // the default rounding mode rounds half to even
    if (r < -32768.0 || r > 32767.0) throw ReadError(rterr::Overflow);
    return static_cast<std::int16_t>(r);
}

// ---- LineFile ----

LineFile::~LineFile() { close(); }

int LineFile::open(const char *path) {
    close();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat sb {};
    if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        const int err = S_ISDIR(sb.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        return err;
    }
    fd_ = fd;
    return 0;
}

void LineFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    eof_ = false;
    skipLf_ = false;
    buf_.clear();
    pos_ = 0;
}

bool LineFile::fill() {
    if (eof_) return false;
    buf_.erase(0, pos_);
    pos_ = 0;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) {
            buf_.append(chunk, std::size_t(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        eof_ = true;  // end of file or a read error: nothing more can be read
        return false;
    }
}

bool LineFile::readLine(std::string &line) {
    if (fd_ < 0) return false;
    line.clear();
    bool any = false;
    for (;;) {
        if (pos_ >= buf_.size() && !fill()) break;
        const char c = buf_[pos_++];
        if (skipLf_) {
            skipLf_ = false;
            if (c == '\n') continue;
        }
        any = true;
        if (c == '\r') {
            skipLf_ = true;
            return true;
        }
        if (c == '\n') return true;
        line += c;
    }
    return any;  // a last line without a line end counts
}

// ---- Answers ----

std::string trimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return std::string(text.substr(b, e - b));
}

std::string answerPart(std::string_view line) {
    std::string answer = trimBlanks(line.substr(0, line.find('!')));
    if (answer.compare(0, 4, "-999") == 0) answer.clear();
    std::string noTabs;
    for (char c : answer)
        if (c != '\t') noTabs += c;
    return trimBlanks(noTabs);
}

std::string readAnsLine(LineFile &file) {
    std::string line;
    if (!file.readLine(line)) {
        file.close();
        return kEof;
    }
    return decodeAnsi(answerPart(line));
}

std::string normalizePair(std::string_view text) {
    std::string t(text);
    for (char &c : t)
        if (c == ',') c = ' ';
    t = trimBlanks(t);
    std::string out;
    for (char c : t)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
    return out;
}

std::string splitFileSpec(const std::string &path, std::string &folder) {
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) {
        std::string cwd(4096, '\0');
        while (!::getcwd(cwd.data(), cwd.size()) && errno == ERANGE) cwd.resize(cwd.size() * 2);
        folder = cwd.c_str();
        return path;
    }
    folder = path.substr(0, cut);
    return path.substr(cut + 1);
}

// ---- The record ----

void readRecord(LineFile &file, Record &rec, const std::function<void(bool)> &selectType) {
    rec.recordedName = splitFileSpec(readAnsLine(file), rec.recordedFolder);
    for (std::size_t i = 1; i <= 6; ++i) rec.answers[i] = readAnsLine(file);
    if (selectType) selectType(false);

    rec.nDataPoints = toInt16(readAnsLine(file));
    if (rec.nDataPoints > 0) {
        const std::size_t n = std::size_t(rec.nDataPoints);
        rec.xValues.assign(n + 1, std::string());
        rec.yValues.assign(n + 1, std::string());
        for (std::size_t i = 1; i <= n; ++i) {
            const std::string pair = normalizePair(readAnsLine(file));
            // An empty line has no pieces at all: the pair is missing.
            if (pair.empty()) throw ReadError(rterr::SubscriptOutOfRange);
            rec.xValues[i] = pair.substr(0, pair.find(' '));
            rec.yValues[i] = pair.substr(pair.rfind(' ') + 1);
        }
        if (selectType) selectType(true);
    }

    rec.note1 = readAnsLine(file);
    rec.note2 = readAnsLine(file);
    rec.changeSolverVars = readAnsLine(file);
    if (rec.changeSolverVars == "Y") {
        rec.nSolverVars = 7;
        for (std::size_t i = 1; i <= 7; ++i) rec.solverAnswers[i] = readAnsLine(file);
    } else {
        rec.nSolverVars = 0;
        for (std::size_t i = 1; i <= 7; ++i) rec.solverAnswers[i].clear();
    }
}

}  // namespace quadrel::response
