// The main window's run commands: Submit, "Test it!", demo mode and the View menu. The
// work itself is done by the run routines; this file wires them to the controls.
#include "model/FileCommands.h"
#include "run/EquationTest.h"
#include "run/RunPipeline.h"
#include "run/Tools.h"
#include "run/Viewing.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QTabWidget>

namespace quadrel {

void frmMain::connectRunEvents() {
    connect(page5->cmdSubmit, &QPushButton::clicked, this, [this] { cmdSubmit_Click(); });
    connect(menuAction("mnuFileSubmit"), &QAction::triggered, this, [this] { cmdSubmit_Click(); });
    connect(page1->cmdTestIt, &QPushButton::clicked, this, [this] { cmdTestIt_Click(); });

    connect(menuAction("mnuDemosRun"), &QAction::triggered, this, [this] { mnuDemosRun_Click(); });
    for (int i = 1; i <= DemosPage::kExamples; ++i)
        connect(pageDemos->exam[size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) Exam_Click(i);
        });
    connect(pageDemos->cmdRunDemo, &QPushButton::clicked, this, [this] { cmdRunDemo_Click(); });
    connect(pageDemos->cmdCancelDemo, &QPushButton::clicked, this, [this] { cmdCancelDemo_Click(); });

    connect(menuAction("mnuViewOutput"), &QAction::triggered, this,
            [this] { ShowTextFileReported(state_, tools::solverOutput); });
    connect(menuAction("mnuViewPlots"), &QAction::triggered, this, [this] { ShowPlots(state_); });
    connect(page5->cmdPlots, &QPushButton::clicked, this, [this] { ShowPlots(state_); });
    connect(menuAction("mnuViewDemos"), &QAction::triggered, this, [this] { ViewExampleFile(state_); });
}

QString frmMain::pauseText() const { return page5->tPause->text(); }
bool frmMain::autoExit() const { return page5->AutoExit->isChecked(); }
void frmMain::enablePlots() { page5->cmdPlots->setEnabled(true); }
bool frmMain::saveAs() { return FileSaveAs(state_); }

void frmMain::setMenusEnabled(const QStringList &names, bool enabled) {
    for (const QString &name : names)
        if (QAction *a = menuAction(name)) a->setEnabled(enabled);
}

void frmMain::cmdSubmit_Click() {
    if (!isCompleteTest()) return;
    state_.runMode = QStringLiteral("*");
    FileRun2(state_, *this);
    resetView();
}

void frmMain::cmdTestIt_Click() { cmdTestIt(state_, Equation->text()); }

void frmMain::EnterDemoMode() {
    ODE_Tabs->setTabEnabled(TabEquation, false);
    ODE_Tabs->setTabEnabled(TabDemos, true);
    ODE_Tabs->setCurrentIndex(TabDemos);
    for (int t = TabParameters; t <= TabRun; ++t) ODE_Tabs->setTabEnabled(t, false);
}

void frmMain::mnuDemosRun_Click() {
    if (AskSaveChanges(state_, state_.dataChanged)) return;
    setMenusEnabled({QStringLiteral("mnuFile"), QStringLiteral("mnuDemos"), QStringLiteral("mnuView")}, false);
    pageDemos->cmdRunDemo->setEnabled(true);
    EnterDemoMode();
}

void frmMain::Exam_Click(int index) {
    state_.demoFile = pageDemos->exam[size_t(index)]->text() + QStringLiteral(".ode");
}

void frmMain::cmdRunDemo_Click() {
    state_.fileTemp = state_.demoFile;
    state_.fileTempPath = state_.appPath + QStringLiteral("/demos");
    state_.runMode = QStringLiteral("Demo");
    FileRun2(state_, *this);
}

void frmMain::cmdCancelDemo_Click() {
    ODE_Tabs->setTabEnabled(TabEquation, true);
    ODE_Tabs->setTabEnabled(TabDemos, false);
    ODE_Tabs->setCurrentIndex(TabEquation);
    for (int t = TabParameters; t <= TabRun; ++t) ODE_Tabs->setTabEnabled(t, true);
    resetView();  // all five menus
}

}  // namespace quadrel
