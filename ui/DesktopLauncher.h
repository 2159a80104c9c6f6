#pragma once
// The desktop's launcher: documents and links through QDesktopServices, command lines as
// detached processes of the blank-split line (never through a shell), and waited-for runs
// in a run console over the window given as parent.
#include "platform/Launcher.h"

class QWidget;

namespace quadrel {

class DesktopLauncher : public Launcher {
public:
    explicit DesktopLauncher(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    // The desktop decides the window size of what it opens; the show mode is not passed on.
    int openDocument(const QString &target, int showMode) override;
    qint64 startCommand(const QString &commandLine, int showMode) override;
    RunOutcome runAndWait(const CommandLine &command) override;

private:
    QWidget *parent_;
};

}  // namespace quadrel
