#pragma once
// The Help and Web Links menus: every entry hands a document, a page, a mail link or a
// command line to the launcher and returns at once; About shows the About box.
#include <QObject>
#include <QString>

class QMainWindow;

namespace quadrel {

struct AppState;
class frmAbout;

class HelpMenu : public QObject {
    Q_OBJECT
public:
    // Connects the entries of form's menus (found by their names).
    HelpMenu(QMainWindow &form, AppState &state);

    // Opens Msg with the desktop's "open" verb after every blank in it is replaced by "%20";
    // Msg keeps the replaced text. Returns the launcher's result cut to 16 bits.
    qint16 mailto(QString &Msg);

    // The support mail link before mailto escapes its blanks.
    static QString supportMailLink();

    // The About box, nullptr until it is first shown.
    frmAbout *about() const { return about_; }

    void mnuHelpManual_Click();
    void mnuHelpSource_Click();
    void mnuHelpEmail_Click();
    void mnuHelpAbout_Click();

private:
    void openPage(const QString &target, int showMode);
    void openShipped(const QString &page, int showMode);

    QMainWindow &form_;
    AppState &state_;
    frmAbout *about_ = nullptr;
};

}  // namespace quadrel
