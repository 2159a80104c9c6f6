// Takes pictures of runs from the window on a real display: the Demos page with an example
// picked, and the run console of that example while the batch waits for Enter at the end
// of its run. Used by scripts/screenshots-runs.sh under a virtual X server.
//   quadrel_runshots PROGRAM_FOLDER OUTPUT_FOLDER
#include "model/AppState.h"
#include "platform/Clock.h"
#include "platform/QtMessageBoxes.h"
#include "ui/DesktopLauncher.h"
#include "ui/RunConsole.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

using namespace quadrel;

namespace {

bool shoot(const QString &path) {
    QApplication::processEvents();
    const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: quadrel_runshots PROGRAM_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QtMessageBoxes messages;
    SystemClock clock;
    DesktopLauncher launcher;
    AppState state;
    state.msg = &messages;
    state.clock = &clock;
    state.launcher = &launcher;
    state.appPath = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    state.basePath = state.appPath + QStringLiteral("/..");

    frmMain form(state);
    messages.setParent(&form);
    launcher.setParent(&form);
    form.move(0, 0);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 1;

    form.mnuDemosRun_Click();
    QTest::mouseClick(form.pageDemos->exam[11], Qt::LeftButton);
    QTest::qWait(300);
    bool ok = shoot(out + QStringLiteral("/demos-page.png"));

    // The run: picture the console once the batch asks for Enter, then answer it.
    bool pictured = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *console = qobject_cast<RunConsole *>(QApplication::activeModalWidget());
        if (!console || pictured || !console->txtOutput->toPlainText().contains(QStringLiteral("Press Enter")))
            return;
        pictured = true;
        QTest::qWait(300);
        ok = shoot(out + QStringLiteral("/run-console.png")) && ok;
        QTest::keyClick(console->txtInput, Qt::Key_Return);
    });
    poll.start(200);
    QTest::mouseClick(form.pageDemos->cmdRunDemo, Qt::LeftButton);
    QTest::qWait(300);
    ok = shoot(out + QStringLiteral("/after-run.png")) && ok;
    return ok && pictured ? 0 : 1;
}
