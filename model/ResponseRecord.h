#pragma once
// Reading response files without Qt: the one set of format rules that the program (through
// the Qt wrappers in ResponseFile.h) and the solver share.
//
// On disk a response file is single-byte text (Windows-1252); lines end in CR LF, LF or
// CR. The reader is positional: it takes the answer part of each line in the order the
// writer produced them and never looks at the comments. Texts handed out are UTF-8.
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quadrel::response {

// ---- Code page ----

// The Unicode character of one byte of the code page. The five bytes it leaves undefined
// map to the C1 control of the same value, so every byte reads back unchanged.
char16_t ansiChar(unsigned char byte);
// Bytes of the code page as UTF-8.
std::string decodeAnsi(std::string_view bytes);
// Bytes of unknown encoding (a file name) for display: valid UTF-8 stays as it is, every
// other byte is read as the code page's character.
std::string decodeLenient(std::string_view bytes);

// ---- Run-time errors of the reader ----

namespace rterr {
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
}  // namespace rterr

// The standard description of a run-time error number ("Type mismatch").
const char *errorDescription(int number);

class ReadError : public std::runtime_error {
public:
    explicit ReadError(int number) : std::runtime_error(errorDescription(number)), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// Converts a text to a 16-bit integer the way the run-time converts answers: blanks around
// a decimal number (sign, fraction and exponent with E or D allowed) are accepted and the
// value is rounded half to even. Throws ReadError 13 for a text that is not such a number,
// empty included, and 6 for a value outside -32768..32767.
std::int16_t toInt16(std::string_view text);

// ---- Lines and answers ----

// A response file open for reading by its exact bytes of path.
class LineFile {
public:
    LineFile() = default;
    ~LineFile();
    LineFile(const LineFile &) = delete;
    LineFile &operator=(const LineFile &) = delete;

    // Opens path for reading (non-blocking, so that a FIFO cannot hang the open). Returns 0,
    // or the errno of the failure: EISDIR for a folder, ENODEV for anything else that is
    // not a regular file (a device, FIFO or socket). An open file is closed first.
    int open(const char *path);
    bool isOpen() const { return fd_ >= 0; }
    // The next line's bytes without its end. False at the end of the file, after a read
    // error or when nothing is open.
    bool readLine(std::string &line);
    void close();

private:
    bool fill();

    int fd_ = -1;
    bool eof_ = false;
    bool skipLf_ = false;  // the last line ended in CR; a following LF belongs to it
    std::string buf_;
    std::size_t pos_ = 0;
};

// What "no more lines" reads as; stored like any answer.
inline constexpr const char *kEof = "-EOF-";

// Removes leading and trailing blanks (0x20) only.
std::string trimBlanks(std::string_view text);
// The answer part of a line: the text before the first "!" trimmed of blanks, empty when
// it starts with "-999", TABs removed and trimmed again.
std::string answerPart(std::string_view line);
// The decoded answer part of the next line of file; at its end (or after a read error)
// closes file and returns kEof.
std::string readAnsLine(LineFile &file);
// Commas become blanks, the text is trimmed and runs of blanks shrink to one.
std::string normalizePair(std::string_view text);
// Splits a path at its last "\" or "/": returns the file name part and puts the folder
// before it into folder. Without either separator returns path unchanged and puts the
// current working folder into folder.
std::string splitFileSpec(const std::string &path, std::string &folder);

// ---- The record ----

struct Record {
    std::string recordedName;    // line 1's file name part
    std::string recordedFolder;  // line 1's folder, or the working folder when it has none
    std::array<std::string, 7> answers;  // [1..6]: equation, A, x0, initial values, points, Delta_x
    std::int16_t nDataPoints = 0;        // 0: initial value problem
    std::vector<std::string> xValues{2}, yValues{2};  // [1..nDataPoints]
    std::string note1, note2;
    std::string changeSolverVars;
    std::int16_t nSolverVars = 0;        // 0 or 7
    std::array<std::string, 8> solverAnswers;  // [1..7]: REMAX ... ZERO
};

// Reads one record from file into rec, in file order: line 1, the six answers, the point
// count and points, the notes and, after an upper-case "Y", the seven solver answers.
// selectType(false) is called after the six answers and selectType(true) after the points
// of a boundary problem. A premature end stores "-EOF-" like any answer. Throws ReadError
// (the count is not a 16-bit number, a point line is empty); the members read so far then
// keep their new values and the others their old ones.
void readRecord(LineFile &file, Record &rec,
                const std::function<void(bool boundaryProblem)> &selectType = {});

}  // namespace quadrel::response
