#include "ui/DesktopLauncher.h"

#include <QDesktopServices>
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
    QStringList words = splitCommandLine(commandLine);
    if (words.isEmpty()) return 0;
    const QString program = words.takeFirst();
    qint64 pid = 0;
    return QProcess::startDetached(program, words, QString(), &pid) ? pid : 0;
}

}  // namespace quadrel
