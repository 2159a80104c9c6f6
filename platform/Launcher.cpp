#include "platform/Launcher.h"

#include <QDir>
#include <QFileInfo>

namespace quadrel {

CommandLine splitCommandLine(const QString &commandLine, const QString &workingDirectory) {
    const QStringList fields = commandLine.split(QLatin1Char(' '));
    int taken = 1;
    QString candidate;
    for (int n = 1; n <= fields.size(); ++n) {
        candidate += (n > 1 ? QStringLiteral(" ") : QString()) + fields[n - 1];
        if (QFileInfo(candidate).isFile()) {
            taken = n;
            break;
        }
    }
    return {fields.mid(0, taken).join(QLatin1Char(' ')), fields.mid(taken), workingDirectory};
}

int RecordingLauncher::openDocument(const QString &target, int showMode) {
    requests.push_back({Request::Open, target, showMode, {}});
    return openResult;
}

qint64 RecordingLauncher::startCommand(const QString &commandLine, int showMode) {
    requests.push_back(
        {Request::Start, commandLine, showMode, splitCommandLine(commandLine, QDir::currentPath())});
    return startResult;
}

RunOutcome RecordingLauncher::runAndWait(const CommandLine &command) {
    requests.push_back({Request::Wait, QString(), ShowNormal, command});
    if (duringRun) duringRun(command);
    return runResult;
}

}  // namespace quadrel
