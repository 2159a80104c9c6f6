#pragma once
// Response (".ode") files: the one open response file of the program and the routines
// that write and read one problem.
//
// On disk a response file is single-byte text (Windows-1252) with CR LF line ends. Each
// line holds one answer, then two blanks, two TABs and a comment after "!" that repeats
// the question; a blank answer is stored as "-999".
#include "model/ResponseRecord.h"

#include <QDateTime>
#include <QString>

namespace quadrel {

struct AppState;

// The one response file the program has open at a time (the shared "fileNo"). It is
// opened, read or written, and closed within one routine. Opening and writing throw
// RtError with the run-time error numbers the messages show.
class ResponseFile {
public:
    ResponseFile() = default;
    ~ResponseFile();
    ResponseFile(const ResponseFile &) = delete;
    ResponseFile &operator=(const ResponseFile &) = delete;

    // Opens an existing file for reading (53 when missing, 75 when not accessible or not a
    // regular file). An open file is closed first.
    void openInput(const QString &path);
    // Creates or truncates a file for writing. An empty path, a read-only file, a folder of
    // that name or a denied folder raise 75; a missing folder 76. An open file is closed
    // first.
    void openOutput(const QString &path);
    bool isOpen() const { return fd_ >= 0 || in_.isOpen(); }
    const QString &path() const { return path_; }

    // Next line without its end (CR LF, CR or LF). False at the end of the file, on a read
    // error or when nothing is open for reading.
    bool readLine(QString &line);
    // Writes text in the code page followed by CR LF. Throws RtError when nothing is open
    // for writing (52) or the write fails (61 disk full, 57 otherwise).
    void writeLine(const QString &text);
    // Closes the file if open; never throws.
    void close();
    // The file open for reading, for the shared reader.
    response::LineFile &input() { return in_; }

private:
    int fd_ = -1;  // open for writing
    response::LineFile in_;
    QString path_;
};

// ---- Writer ----

// Builds one answer line and writes it to st.fileNo: the answer trimmed of blanks ("-999"
// when nothing is left), two blanks and two TABs, then "! " and the first 70 characters of
// the question, or for the flagged form "!* " and the first 50; the whole line is trimmed
// of blanks. Returns the line as written (without CR LF).
QString WriteAnsLine(AppState &st, const QString &answer, const QString &question,
                     bool flagged = false);

// Writes the current problem to folder + "/" + fileName, reading the form through st.form
// (or the answer set and the standard captions when there is no form). Sets
// st.saveFailed to 0 on success and 1 on failure. An equation without any "Y" (checked
// only when st.fileTemp is set) and a path/file access error (75) are reported here;
// every other error is rethrown as RtError to the caller.
void WriteAnsFile(AppState &st, const QString &fileName, const QString &folder);

// The header text of line 1: " 6, " n ", and " nSolverVars, ten blanks and the date.
QString ansFileHeader(qint16 nDataPoints, qint16 nSolverVars, const QDateTime &when);
// A date and time as "mmmm dd, yyyy @ h:mm AMPM" with English month names.
QString formatHeaderDate(const QDateTime &when);

// ---- Reader ----

// Splits a path at its last "\" or "/": returns the file name part and puts the folder
// before it into folder. Without either separator returns path unchanged and puts the
// current working directory into folder.
QString SplitFileSpec(const QString &path, QString &folder);

// Reads the response file that the caller has opened as st.fileNo (at folder + "/" +
// fileName) into st.answers, and sets the problem type on st.form when there is one.
// Reports a missing file and any run-time error itself through st.msg. Returns true when
// the record was read to its last expected line (premature ends included: "-EOF-" is
// stored like any answer), false after a message or a silent cancel.
bool FileReadMe(AppState &st, QString &fileName, QString &folder);

// Opens path, reads it with FileReadMe and closes it again: for callers that have no file
// commands of their own (the solver). Returns what FileReadMe returns; an open failure is
// reported like FileReadMe's own errors.
bool ReadResponseFile(AppState &st, const QString &path);

}  // namespace quadrel
