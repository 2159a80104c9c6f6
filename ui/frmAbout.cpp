#include "ui/frmAbout.h"

#include "model/AppState.h"
#include "model/Product.h"
#include "platform/Launcher.h"

#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quadrel {

namespace {

QLabel *label(QWidget *parent, QVBoxLayout *box, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    box->addWidget(l);
    return l;
}

}  // namespace

frmAbout::frmAbout(AppState &state, QWidget *parent) : QDialog(parent), state_(state) {
    setObjectName("frmAbout");
    setWindowTitle("About ...");
    setWindowModality(Qt::ApplicationModal);
    auto *box = new QVBoxLayout(this);

    txtTitle = label(this, box, "txtTitle", "Title");
    QFont big = txtTitle->font();
    big.setPointSize(big.pointSize() + 5);
    big.setBold(true);
    txtTitle->setFont(big);
    Label1 = label(this, box, "Label1",
                   "is the companion program of our textbook project \"Parameter 'Tweaking'\": "
                   "every worked example in it is a problem you can open here, change and "
                   "solve again.");
    Label3 = label(this, box, "Label3",
                   "Copyright \u00a9 2026 Harrowfield Research Group. All rights reserved. "
                   "Quadrel comes with no warranty: check a result against what you know "
                   "before you rely on it.");
    Label4 = label(this, box, "Label4", QString(47, QLatin1Char('-')));
    Label2 = label(this, box, "Label2",
                   "The equations you type here are checked and compiled by Vetrix, our "
                   "equation checker and compiler; it also runs on its own as the vetrix "
                   "command in the program folder.");
    Label5 = label(this, box, "Label5",
                   "The textbook's page, with its chapters and exercises, is on the Web Links "
                   "menu: \"Parameter 'Tweaking' Textbook\".");

    RichTextBox1 = new QTextBrowser(this);
    RichTextBox1->setObjectName("RichTextBox1");
    RichTextBox1->setOpenLinks(false);
    RichTextBox1->setHtml(involvedHtml(state_.appPath));
    RichTextBox1->setMinimumHeight(220);
    box->addWidget(RichTextBox1, 1);
    connect(RichTextBox1, &QTextBrowser::anchorClicked, this, &frmAbout::openLink);

    cmdOkay = new QPushButton("&OK", this);
    cmdOkay->setObjectName("cmdOkay");
    cmdOkay->setDefault(true);
    box->addWidget(cmdOkay, 0, Qt::AlignRight);
    connect(cmdOkay, &QPushButton::clicked, this, [this] { cmdOkay_Click(); });

    resize(520, 600);
    Form_Load();
}

void frmAbout::Form_Load() {
    txtTitle->setText(product::kName + " (Version " + product::kVersion + ")");
    Label1->setText(product::kName + " " + Label1->text());
}

void frmAbout::openLink(const QUrl &url) {
    if (state_.launcher) state_.launcher->openDocument(url.toString(), ShowMaximized);
}

QString frmAbout::involvedHtml(const QString &appPath) {
    const QString textbook = product::pageUrl(appPath, product::kTextbookPage);
    const QString home = product::pageUrl(appPath, product::kProductPage);
    return QStringLiteral(
               "<h3>Get Involved!</h3>"
               "<p>Quadrel grows with the classes that use it. If you are a student looking for "
               "a project, here are some we would like to see done:</p><ul>"
               "<li><b>A demo of your own.</b> Take an equation from your course that has a "
               "closed-form solution, write it as a problem file, and check that the solver "
               "reproduces the closed form at every plot point. Send us the file and the "
               "comparison.</li>"
               "<li><b>Measure the integrator.</b> Compare the table of ExIVP.3 with its "
               "exact solution sin(2X)/2, then write the classical Runge-Kutta method with a "
               "fixed step and find the step at which it is as accurate. Which needs fewer "
               "evaluations of the equation? The report's statistics count them.</li>"
               "<li><b>Fit real data.</b> Record the temperature of a cooling cup every minute, "
               "state Newton's law of cooling with the rate as the parameter A, enter the "
               "readings as BVP data and let the solver fit A. How well does one constant "
               "explain your cup?</li>"
               "<li><b>Stiff or not?</b> Find a parameter value at which a demo becomes stiff "
               "and watch the solver's report switch its method.</li>"
               "<li><b>Teach the notation a new function.</b> Add one the notation lacks, with "
               "its derivative, and a test that compares that derivative with central "
               "differences.</li>"
               "<li><b>Translate</b> the tips and the manual into your language.</li></ul>"
               "<p>The <a href=\"%1\">textbook page</a> lists more exercises; the "
               "<a href=\"%2\">Quadrel page</a> tells how the program is put together.</p>")
        .arg(textbook.toHtmlEscaped(), home.toHtmlEscaped());
}

}  // namespace quadrel
