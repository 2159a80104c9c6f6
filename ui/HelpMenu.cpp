#include "ui/HelpMenu.h"

#include "model/AppState.h"
#include "model/Product.h"
#include "platform/Launcher.h"
#include "ui/frmAbout.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMainWindow>

namespace quadrel {

HelpMenu::HelpMenu(QMainWindow &form, AppState &state)
    : QObject(&form), form_(form), state_(state) {
    auto on = [this](const char *name, auto handler) {
        if (auto *a = form_.findChild<QAction *>(QLatin1String(name)))
            connect(a, &QAction::triggered, this, handler);
    };
    using namespace product;
    on("mnuWebLinkEd", [this] { openPage(kEditorHomePage, ShowMaximized); });
    on("mnuWebLink", [this] { openShipped(kProductPage, ShowMaximized); });
    on("mnuWebLink3", [this] { openShipped(kTextbookPage, ShowMaximized); });
    // mnuWebLink4 carries the slogan and does nothing.
    on("mnuWebLinkComp", [this] { openShipped(kCompilerPage, ShowMaximized); });
    on("mnuWebLinkAppPlots", [this] { openShipped(kPlotsPage, ShowNormal); });
    on("mnuWebLinkAppText", [this] { openShipped(kTextPage, ShowNormal); });
    on("mnuWebLinkAppSolver", [this] { openShipped(kSolverPage, ShowNormal); });
    on("mnuWebLinkAppEditor", [this] { openShipped(kEditorPage, ShowMaximized); });

    on("mnuHelpManual", [this] { mnuHelpManual_Click(); });
    on("mnuHelpSource", [this] { mnuHelpSource_Click(); });
    on("mnuHelpEmail", [this] { mnuHelpEmail_Click(); });
    on("mnuHelpDonate", [this] { openShipped(kDonatePage, ShowMaximized); });
    on("mnuHelpAbout", [this] { mnuHelpAbout_Click(); });
}

void HelpMenu::openPage(const QString &target, int showMode) {
    if (state_.launcher) state_.launcher->openDocument(target, showMode);
}

void HelpMenu::openShipped(const QString &page, int showMode) {
    openPage(product::pageUrl(state_.appPath, page), showMode);
}

qint16 HelpMenu::mailto(QString &Msg) {
    Msg.replace(QLatin1Char(' '), QLatin1String("%20"));
    return state_.launcher ? qint16(state_.launcher->openDocument(Msg, ShowNormal)) : 0;
}

QString HelpMenu::supportMailLink() {
    return "mailto:" + product::supportEmail() + "?subject=" + product::kName + " " +
           product::kVersion + " questions/problems.&body=How can we help?";
}

void HelpMenu::mnuHelpManual_Click() {
    openPage(state_.appPath + "/manual.pdf", ShowMaximized);
}

void HelpMenu::mnuHelpSource_Click() {
    const QString command = state_.basePath + "/MyEditor " + state_.appPath + "/ODE4user.vx";
    if (!state_.launcher || state_.launcher->startCommand(command, ShowMaximized) != 0) return;
    if (state_.msg)
        state_.msg->show("A Quadrel File is missing!",
                         "mnuHelpSource_Click\r\nThe editor could not be started:\r\n" + command,
                         MsgIcon::Exclamation);
}

void HelpMenu::mnuHelpEmail_Click() {
    const QString address = product::supportEmail();
    QString link = supportMailLink();
    mailto(link);
    QClipboard *clip = QGuiApplication::clipboard();
    clip->clear();
    clip->setText(address);
    if (!state_.msg) return;
    const QString subject = product::kName + " " + product::kVersion + " questions/problems";
    state_.msg->show("If default e-Mail program was Not found.",
                     "If this didn't work automatically!  Please e-mail us at " + address +
                         "\r\n   ---> ('Cntl V' will retrieve our e-mail address!)  <---\r\n" +
                         "with Subject: " + subject,
                     MsgIcon::Exclamation);
}

void HelpMenu::mnuHelpAbout_Click() {
    if (!about_) about_ = new frmAbout(state_, &form_);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

}  // namespace quadrel
