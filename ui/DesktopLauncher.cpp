#include "ui/DesktopLauncher.h"

#include "ui/RunConsole.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace quadrel {

int DesktopLauncher::openDocument(const QString &target, int) {
    // A scheme of two or more letters makes a URL; anything else is a local file.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    QUrl url;
    if (scheme.match(target).hasMatch()) {
        url = QUrl(target, QUrl::TolerantMode);
    } else {
        if (!QFileInfo::exists(target)) return OpenFileNotFound;
        url = QUrl::fromLocalFile(target);
    }
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return OpenFileNotFound;
    return QDesktopServices::openUrl(url) ? OpenDone : OpenNoAssociation;
}

qint64 DesktopLauncher::startCommand(const QString &commandLine, int) {
    const CommandLine c = splitCommandLine(commandLine, QDir::currentPath());
    if (c.program.isEmpty()) return 0;
    qint64 pid = 0;
    return QProcess::startDetached(c.program, c.arguments, c.workingDirectory, &pid) ? pid : 0;
}

RunOutcome DesktopLauncher::runAndWait(const CommandLine &command) {
    RunConsole console(parent_);
    return console.run(command);
}

}  // namespace quadrel
