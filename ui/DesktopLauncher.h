#pragma once
// The desktop's launcher: documents and links through QDesktopServices, command lines as
// detached processes of the blank-split line (never through a shell).
#include "platform/Launcher.h"

namespace quadrel {

class DesktopLauncher : public Launcher {
public:
    // The desktop decides the window size of what it opens; the show mode is not passed on.
    int openDocument(const QString &target, int showMode) override;
    qint64 startCommand(const QString &commandLine, int showMode) override;
};

}  // namespace quadrel
