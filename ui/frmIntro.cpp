#include "ui/frmIntro.h"

#include "resize/Twips.h"
#include "ui/Controls.h"
#include "ui/pages/PageStyle.h"

#include <QCloseEvent>
#include <QPushButton>

namespace quadrel {

namespace {
constexpr double kWidth = 7800, kHeight = 4560;  // inner size, twips

QPushButton *button(QWidget *parent, const char *name, const QString &caption, double left) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    placeTwips(b, left, 3720, 2280, 480);
    return b;
}
}  // namespace

frmIntro::frmIntro(QWidget *parent) : QWidget(parent) {
    setObjectName("frmIntro");
    setWindowTitle(QStringLiteral("Welcome to Quadrel\u2122"));
    {
        QFont f = font();
        f.setPointSize(9);
        setFont(f);
    }
    setFixedSize(twips::toPixels(0, 0, kWidth, kHeight).size());

    lblTitleIntro = makeLabel(this, "lblTitleIntro", QStringLiteral("Quadrel\u2122  Intro && Demos"),
                              240, 180, 7320, 480);
    style::heading(lblTitleIntro);
    {
        QFont f = lblTitleIntro->font();
        f.setPointSize(14);
        lblTitleIntro->setFont(f);
    }
    lblTitleIntro->setAlignment(Qt::AlignCenter);
    lblSentence1 = makeLabel(this, "lblSentence1",
        QStringLiteral("Quadrel\u2122 program is an Ordinary Differential Equation (ODE) 'Calculator'.   "
                       "State your equation with boundary or initial value conditions and let Quadrel\u2122 "
                       "solve it.  The solution, y, and derivative, ydot, versus x will be plotted and listed."),
        240, 840, 7320, 1200);
    lblSentence2 = makeLabel(this, "lblSentence2",
        QStringLiteral("ODEs may be non-linear, implicit, and any order (i.e., up to machine limits).  "
                       "Source code included ... it's short!  Great teaching tool!  Helps students gain an "
                       "understand of BVP && IVP and their importance in solving practical ODEs."),
        240, 2160, 7320, 1200);
    cmdRunIntro = button(this, "cmdRunIntro", QStringLiteral("&Run a Demo"), 240);
    cmdCreateIntro = button(this, "cmdCreateIntro", QStringLiteral("&Create Your Data"), 2760);
    cmdExitIntro = button(this, "cmdExitIntro", QStringLiteral("E&xit"), 5280);
    cmdCreateIntro->setDefault(true);
}

void frmIntro::closeEvent(QCloseEvent *event) {
    event->accept();
    if (event->spontaneous()) emit closedByUser();
}

}  // namespace quadrel
