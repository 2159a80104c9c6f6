#pragma once
// The seam for everything the program hands to the desktop: documents, web pages and mail
// links opened with their associated programs, and command lines started without waiting.
// The program installs the desktop's launcher; tests install a RecordingLauncher.
#include <QString>
#include <QStringList>
#include <QVector>

namespace quadrel {

// Show modes of an opened document or started command: 1 normal, 3 maximized.
enum ShowMode : int { ShowNormal = 1, ShowMaximized = 3 };

// Results of openDocument, as the platform's "open" verb reports them: above 32 the target
// was handed to a program; at or below, the reason it was not.
enum OpenResult : int { OpenFileNotFound = 2, OpenNoAssociation = 31, OpenDone = 42 };

// A command line split at blanks into the program and its arguments; nothing is quoted and
// runs of blanks count as one.
QStringList splitCommandLine(const QString &commandLine);

class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens a local file, a URL ("https:", "file:") or a "mailto:" link and returns at once.
    virtual int openDocument(const QString &target, int showMode) = 0;
    // Starts the blank-split command line and returns at once: the process id, or 0 when the
    // program could not be started.
    virtual qint64 startCommand(const QString &commandLine, int showMode) = 0;
};

// Records every request; openDocument answers with openResult, startCommand with startResult.
class RecordingLauncher : public Launcher {
public:
    struct Request {
        enum Kind { Open, Start } kind;
        QString target;  // the document, URL or command line exactly as handed over
        int showMode;
    };
    int openDocument(const QString &target, int showMode) override;
    qint64 startCommand(const QString &commandLine, int showMode) override;

    int openResult = OpenDone;
    qint64 startResult = 4242;
    QVector<Request> requests;
};

}  // namespace quadrel
