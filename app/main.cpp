// Quadrel: starts the program and shows its main window.
#include "model/AppState.h"
#include "platform/Clock.h"
#include "platform/QtMessageBoxes.h"
#include "ui/DesktopLauncher.h"
#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    quadrel::QtMessageBoxes messages;
    quadrel::SystemClock clock;
    quadrel::DesktopLauncher launcher;
    quadrel::AppState state;
    state.msg = &messages;
    state.clock = &clock;
    state.launcher = &launcher;
    state.appPath = QCoreApplication::applicationDirPath();
    state.basePath = state.appPath + QStringLiteral("/..");

    quadrel::frmMain form(state);
    messages.setParent(&form);
    launcher.setParent(&form);
    form.show();
    return app.exec();
}
