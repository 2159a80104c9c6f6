#include "platform/Launcher.h"

namespace quadrel {

QStringList splitCommandLine(const QString &commandLine) {
    return commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

int RecordingLauncher::openDocument(const QString &target, int showMode) {
    requests.push_back({Request::Open, target, showMode});
    return openResult;
}

qint64 RecordingLauncher::startCommand(const QString &commandLine, int showMode) {
    requests.push_back({Request::Start, commandLine, showMode});
    return startResult;
}

}  // namespace quadrel
