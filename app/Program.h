#pragma once
// The program's run from start to end: the introduction form or the main form at start,
// and the exit routine that stores the run counter and ends the program.
#include "model/AppState.h"

#include <QObject>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace quadrel {

class frmIntro;
class frmMain;

class Program : public QObject {
    Q_OBJECT
public:
    // st holds the program folder and the seams; it outlives the program's forms.
    explicit Program(AppState &st, QObject *parent = nullptr);
    ~Program() override;

    // The introduction form's load: a first run (RunCount < 1) shows the introduction
    // form, any other goes straight to the main form.
    void start();

    // Advances and stores the run counter, unloads every form and ends the program.
    void ExitProgram();

    frmIntro *intro() const;
    frmMain *mainForm() const;
    bool hasEnded() const { return ended_; }

signals:
    // The main form has been loaded; messages are shown over it from now on.
    void mainFormLoaded(QWidget *form);
    // The program has ended: no form is left and nothing more may run.
    void ended();

private:
    void loadMain();
    void unloadIntro();
    // Closes a form and deletes it once its own events are over.
    void unload(QWidget *form);
    void unloadAll();
    void end();
    void cmdRunIntro_Click();
    void cmdCreateIntro_Click();
    void cmdExitIntro_Click();

    AppState &st_;
    QPointer<frmIntro> intro_;
    QPointer<frmMain> main_;
    // Unloaded forms not yet deleted; they must not outlive the state they point to.
    QList<QPointer<QWidget>> unloaded_;
    bool ended_ = false;
};

}  // namespace quadrel
