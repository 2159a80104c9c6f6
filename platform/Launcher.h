#pragma once
// The seam through which the program starts everything outside itself: documents, web
// pages and mail links opened with their associated programs, command lines started
// without waiting, and the solver batch, started and waited for with its console showing.
// The program installs the desktop's launcher; tests install a RecordingLauncher.
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace quadrel {

// Show modes of an opened document or started command: 1 normal, 3 maximized.
enum ShowMode : int { ShowNormal = 1, ShowMaximized = 3 };

// Results of openDocument, as the platform's "open" verb reports them: above 32 the target
// was handed to a program; at or below, the reason it was not.
enum OpenResult : int { OpenFileNotFound = 2, OpenNoAssociation = 31, OpenDone = 42 };

struct CommandLine {
    QString program;
    QStringList arguments;
    QString workingDirectory;

    bool operator==(const CommandLine &o) const {
        return program == o.program && arguments == o.arguments &&
               workingDirectory == o.workingDirectory;
    }
};

// Splits a command line at every single blank; nothing is quoted. The program is the
// shortest run of leading fields that names an existing file (so a program folder with
// blanks still starts), or the first field when none does. The other fields are the
// arguments in order; two blanks in a row give an empty argument in its place, so that
// every argument keeps its position. workingDirectory is the folder to start in.
CommandLine splitCommandLine(const QString &commandLine, const QString &workingDirectory = QString());

// How a run that was waited for ended.
struct RunOutcome {
    enum Kind {
        Ended,       // the program ended by itself; exitCode holds its status
        NotStarted,  // it could not be started; error says why
        Crashed,     // it ended on a signal; error names it
        Stopped,     // the user stopped it before it ended
    };
    Kind kind = Ended;
    int exitCode = 0;
    QString error;
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens a local file, a URL ("https:", "file:") or a "mailto:" link and returns at once.
    virtual int openDocument(const QString &target, int showMode) = 0;
    // Starts the blank-split command line in the current folder and returns at once: the
    // process id, or 0 when the program could not be started.
    virtual qint64 startCommand(const QString &commandLine, int showMode) = 0;
    // Starts command and returns when it has ended, showing its console output meanwhile.
    // The program's windows repaint but take no input until then.
    virtual RunOutcome runAndWait(const CommandLine &command) = 0;
};

// Records every request; openDocument answers with openResult, startCommand with
// startResult, runAndWait with runResult (after calling duringRun, when set).
class RecordingLauncher : public Launcher {
public:
    struct Request {
        enum Kind { Open, Start, Wait } kind;
        QString target;       // Open and Start: the document, URL or command line as handed over
        int showMode;
        CommandLine command;  // Start and Wait: what would be started, and where
    };
    int openDocument(const QString &target, int showMode) override;
    qint64 startCommand(const QString &commandLine, int showMode) override;
    RunOutcome runAndWait(const CommandLine &command) override;

    int openResult = OpenDone;
    qint64 startResult = 4242;
    RunOutcome runResult;
    std::function<void(const CommandLine &)> duringRun;
    QVector<Request> requests;
};

}  // namespace quadrel
