#include "app/Program.h"

#include "app/RegistrySettings.h"
#include "app/Startup.h"
#include "model/FileCommands.h"
#include "platform/RtError.h"
#include "ui/frmIntro.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QPushButton>

namespace quadrel {

Program::Program(AppState &st, QObject *parent) : QObject(parent), st_(st) {}

Program::~Program() {
    delete main_.data();
    delete intro_.data();
    for (const QPointer<QWidget> &w : unloaded_) delete w.data();
}

void Program::unload(QWidget *form) {
    unloaded_.append(form);
    form->close();
    form->deleteLater();
}

frmIntro *Program::intro() const { return intro_; }
frmMain *Program::mainForm() const { return main_; }

void Program::start() {
    // Every path the program uses is absolute, so should the program folder not become the
    // working folder the program still runs; only relative file names would miss.
    try {
        ChDir(st_.appPath);
    } catch (const RtError &) {
    }
    st_.RunCount = readRunCount();
    if (st_.RunCount >= 1) {
        loadMain();  // the introduction form is never shown
        return;
    }
    st_.filePath = st_.appPath;
    intro_ = new frmIntro;
    connect(intro_->cmdRunIntro, &QPushButton::clicked, this, &Program::cmdRunIntro_Click);
    connect(intro_->cmdCreateIntro, &QPushButton::clicked, this, &Program::cmdCreateIntro_Click);
    connect(intro_->cmdExitIntro, &QPushButton::clicked, this, &Program::cmdExitIntro_Click);
    connect(intro_, &frmIntro::closedByUser, this, &Program::cmdExitIntro_Click);
    intro_->show();
}

void Program::loadMain() {
    main_ = new frmMain(st_);
    connect(main_, &frmMain::exitChosen, this, &Program::ExitProgram);
    connect(main_, &frmMain::unloaded, this, &Program::ExitProgram);
    emit mainFormLoaded(main_);
    Form_Load(*main_, st_);
}

void Program::unloadIntro() {
    if (frmIntro *w = intro_) {
        intro_ = nullptr;
        unload(w);
    }
}

void Program::cmdRunIntro_Click() {
    unloadIntro();
    loadMain();
    main_->setMenusEnabled({QStringLiteral("mnuFile"), QStringLiteral("mnuDemos"), QStringLiteral("mnuView"),
                            QStringLiteral("mnuWeb"), QStringLiteral("mnuHelp")},
                           false);
    main_->EnterDemoMode();
    main_->show();
}

void Program::cmdCreateIntro_Click() {
    unloadIntro();
    loadMain();
    main_->focusEquation();
}

// Leaves the counter alone: a run that ends here counts as no run, so the next start is
// again a first run.
void Program::cmdExitIntro_Click() {
    unloadIntro();
    if (!main_) end();
}

// File > Exit comes here directly, and once more from the main form's unload when step 3
// closes it, so that path counts 2 and closing the window counts 1.
void Program::ExitProgram() {
    if (ended_) return;
    // A 16-bit counter; it stays at its top rather than wrapping to a negative value that
    // would make every later start a first run.
    if (st_.RunCount < 32767) ++st_.RunCount;
    // A counter of -9 or below is never written back: such a store keeps every run a first
    // run. A store that cannot be written loses this one count; the program ends anyway.
    if (st_.RunCount > -9) {
        try {
            PutRunCountInRegistry(st_);
        } catch (const RtError &) {
        }
    }
    unloadAll();
    end();
}

void Program::unloadAll() {
    if (frmMain *m = main_) {
        main_ = nullptr;
        unload(m);
    }
    unloadIntro();
    // Every open window in the order the application lists them; closing the main form
    // runs its unload handler.
    const QWidgetList open = QApplication::topLevelWidgets();
    for (const QPointer<QWidget> w : open)
        if (w && w->isVisible()) w->close();
}

void Program::end() {
    if (ended_) return;
    ended_ = true;
    emit ended();
}

}  // namespace quadrel
