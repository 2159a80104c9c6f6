#pragma once
// The About box: the program's name and version, a note on the textbook it accompanies, the
// rights notice, and the "Get Involved!" notes. Loaded once; OK only hides it, so showing it
// again keeps what the load put there.
#include <QDialog>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace quadrel {

struct AppState;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Builds the box with its design-time texts and runs its load.
    explicit frmAbout(AppState &state, QWidget *parent = nullptr);

    // The Get Involved! notes; links to the shipped pages point into appPath.
    static QString involvedHtml(const QString &appPath);

    QLabel *txtTitle, *Label1, *Label2, *Label3, *Label4, *Label5;
    QTextBrowser *RichTextBox1;
    QPushButton *cmdOkay;

private:
    void Form_Load();
    void cmdOkay_Click() { hide(); }
    void openLink(const QUrl &url);

    AppState &state_;
};

}  // namespace quadrel
