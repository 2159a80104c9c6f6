// Quadrel: the introduction form on a first run, the main form with the last problem on
// any other; the program ends when its exit routine or the introduction form says so.
#include "app/Program.h"
#include "model/AppState.h"
#include "platform/Clock.h"
#include "platform/QtMessageBoxes.h"
#include "ui/DesktopLauncher.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // Between the introduction form and the main form no window is open for a moment.
    app.setQuitOnLastWindowClosed(false);
    quadrel::QtMessageBoxes messages;
    quadrel::SystemClock clock;
    quadrel::DesktopLauncher launcher;
    quadrel::AppState state;
    state.msg = &messages;
    state.clock = &clock;
    state.launcher = &launcher;
    state.appPath = QCoreApplication::applicationDirPath();
    state.basePath = state.appPath + QStringLiteral("/..");

    quadrel::Program program(state);
    QObject::connect(&program, &quadrel::Program::ended, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&program, &quadrel::Program::mainFormLoaded, &app,
                     [&messages, &launcher](QWidget *form) {
                         messages.setParent(form);
                         launcher.setParent(form);
                     });
    program.start();
    return program.hasEnded() ? 0 : app.exec();
}
