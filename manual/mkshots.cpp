// Takes the manual's pictures: the main window on each page with an example problem loaded,
// the About box, the report in the text viewer and the plots in the plot viewer. The solver
// is run for real on the examples first.
//   mkshots OUTDIR DEMOSDIR SOLVER
// Run it on a display (the build uses a virtual one); each picture is OUTDIR/<name>.png.
#include "lumaplots/PlotWindow.h"
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "notepad2/TextWindow.h"
#include "platform/Launcher.h"
#include "ui/HelpMenu.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace quadrel;

namespace {

QString g_out;
bool g_ok = true;

void save(QWidget *w, const QString &name) {
    w->show();
    w->raise();
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    if (!QTest::qWaitForWindowExposed(w))
        std::fprintf(stderr, "mkshots: %s was not shown in time\n", qPrintable(name));
    QApplication::processEvents();
    if (!w->grab().save(g_out + "/" + name + ".png")) {
        std::fprintf(stderr, "mkshots: cannot write %s.png\n", qPrintable(name));
        g_ok = false;
    }
}

// Runs the solver on an example in a fresh folder; the folder of its output, or "".
QString solve(const QString &solver, const QString &demos, const QString &stem,
              const QString &folder) {
    QDir().mkpath(folder);
    QFile::remove(folder + "/" + stem + ".ode");
    QFile::copy(demos + "/" + stem + ".ode", folder + "/" + stem + ".ode");
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(solver, {stem + ".ode"});
    if (!p.waitForFinished(120000) || !QFileInfo::exists(folder + "/~4plots.plt")) {
        std::fprintf(stderr, "mkshots: the solver did not solve %s\n", qPrintable(stem));
        g_ok = false;
    }
    return folder;
}

}  // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: mkshots OUTDIR DEMOSDIR SOLVER\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    const QString demos = QString::fromLocal8Bit(argv[2]);
    const QString solver = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(g_out);

    ScriptedMessageBoxes msg;
    SystemClock clock;
    RecordingLauncher launcher;
    AppState state;
    state.msg = &msg;
    state.clock = &clock;
    state.launcher = &launcher;
    state.appPath = demos + "/..";
    state.basePath = state.appPath + "/..";

    {
        frmMain form(state);
        if (!ReadResponseFile(state, demos + "/ExBVP.5.ode")) {
            std::fprintf(stderr, "mkshots: cannot read ExBVP.5.ode\n");
            return 1;
        }
        form.GetAnswers();
        const struct { int tab; const char *name; } pages[] = {
            {frmMain::TabEquation, "page-equation"},   {frmMain::TabParameters, "page-parameters"},
            {frmMain::TabBvpData, "page-bvpdata"},     {frmMain::TabSolver, "page-solver"},
            {frmMain::TabRun, "page-run"},             {frmMain::TabTips, "page-tips"},
        };
        for (const auto &p : pages) {
            form.ODE_Tabs->setCurrentIndex(p.tab);
            save(&form, p.name);
        }
        // The Demos page as demo mode shows it.
        form.ODE_Tabs->setTabEnabled(frmMain::TabDemos, true);
        form.ODE_Tabs->setCurrentIndex(frmMain::TabDemos);
        save(&form, "page-demos");

        form.menuAction("mnuHelpAbout")->trigger();
        save(form.helpMenu()->about(), "about");
        form.helpMenu()->about()->hide();
    }

    QTemporaryDir work;
    const QString bvp = solve(solver, demos, "ExBVP.5", work.path() + "/bvp");
    const QString ivp = solve(solver, demos, "ExIVP.3", work.path() + "/ivp");

    TextWindow text(msg);
    text.resize(900, 640);
    text.openFile(bvp + "/~Quadrel.out");
    save(&text, "report");

    for (const auto &[folder, name] : {std::pair{bvp, "plot-bvp"}, std::pair{ivp, "plot-ivp"}}) {
        PlotWindow plots(msg);
        plots.resize(900, 600);
        plots.openFile(folder + "/~4plots.plt");
        save(&plots, name);
    }
    for (const MessageRequest &m : msg.shown())
        std::fprintf(stderr, "mkshots: message: %s: %s\n", qPrintable(m.title), qPrintable(m.text));
    return g_ok && msg.shown().isEmpty() ? 0 : 1;
}
