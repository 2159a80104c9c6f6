#include "ui/pages/DemosPage.h"

#include "ui/pages/PageStyle.h"

namespace quadrel {

namespace {
struct Example {
    const char *file;
    const char *time;
    const char *description;
};
const Example kList[DemosPage::kExamples] = {
    {"ExIVP.1", "20", "Y' * Y'' = 2                 ! with Y(0) = 1 && Y'(0) = 2"},
    {"ExIVP.2", "20", "Y^2 * 3 - Y'' = 0          ! with Y(0) = 2 && Y'(0) = 4"},
    {"ExIVP.3", "20", "Y'' + (4 * Y) = 0          ! with Y(0) = 0 && Y'(0) = 1"},
    {"ExIVP.4", "20", "Y' = (Y+X)/(Y-X)          ! with Y(-2) = 3"},
    {"ExIVP.5", "20", "Y' = -Y * TAN( X)        ! with Y( 3.14159) = 4"},
    {"ExBVP.1", "180", "Y'' - 2 = 0"},
    {"ExBVP.2", "80", "Y' * Y'' - X = 0"},
    {"ExBVP.3", "220", "Y^2 * 2 * Y'' - 1 = Y' ^2 * 2 * Y"},
    {"ExBVP.4", "270", "(X * X + 1) * Y'' + (2 * X * Y' ) = -3 / (X*X)"},
    {"ExBVP.5", "120", "Y' * Y'' = A * X                         ! Find 'A' to best fit boundary points"},
    {"ExBVP.6", "180", "(X * X + 1) * Y'' + (2 * X * Y' ) + (X^ -2 * A) = 0     ! Find A to fit boundary pt.s"},
    {"ExBVP.7", "300", "(X^2 + A) * Y'' + (2 * X * Y' ) + (3 / X / X) = 0       ! Find A to fit boundary pt.s"},
    {"ExBVP.8", "180", "(X^2 + A) * Y'' + (2 * X * Y' ) + (X^ -2 * 3) = 0       ! Find A to fit boundary pt.s"},
    {"ExBVP.9", "150", "-X X Y'' + (2 X Y' ) = (X^2 + 2) Y                         ! Sol'n: Y = X COS( X)"},
    {"ExProb.1", "10", "Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2      ! NonLin ODE...Sol'n: Y = 300 / (450 + X^2)"},
};
}  // namespace

DemosPage::DemosPage(QWidget *parent) : QWidget(parent) {
    lblDemoInstructions = makeLabel(this, "lblDemoInstructions",
        "Pick an Ordinary Differential Equation (ODE) from the list below for your demo run.  "
        "Note the approximate run time for your chosen equation.  (These times were for a "
        "486/33 PC.)  Your demo will be silent for this run-time period.  When a solution is "
        "found, Quadrel\u2122 will then display output text and a graph or two.",
        240, 120, 11100, 900);
    style::note(lblDemoInstructions);

    // Columns: file name, run time, equation.
    const double colExam = 240, colTime = 1680, colDesc = 2820;
    const double wExam = 1380, wTime = 1080, wDesc = 11340 - colDesc;
    lblDemoHeader1 = makeLabel(this, "lblDemoHeader1", "File Name", colExam, 1080, wExam, 480);
    lblDemoHeader2 = makeLabel(this, "lblDemoHeader2", "Run Time (Seconds)", colTime, 1080, wTime, 480);
    lblDemoHeader3 = makeLabel(this, "lblDemoHeader3",
                               "ODEs with Initial (IVP) or Boundary (BVP) values...", colDesc,
                               1080, wDesc, 480);
    for (QLabel *h : {lblDemoHeader1, lblDemoHeader2, lblDemoHeader3}) {
        style::heading(h);
        h->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    }
    lblDemoHeader2->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);

    const double row0 = 1620, pitch = 315;
    for (int i = 1; i <= kExamples; ++i) {
        const auto k = static_cast<size_t>(i);
        const Example &ex = kList[i - 1];
        const double top = row0 + (i - 1) * pitch;
        exam[k] = new QRadioButton(ex.file, this);
        exam[k]->setObjectName("Exam");
        placeTwips(exam[k], colExam, top, wExam, 300);
        exTime[k] = makeLabel(this, "ExTime", ex.time, colTime, top + 15, wTime, 270);
        exTime[k]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        description[k] = makeLabel(this, "Description", ex.description, colDesc, top + 15, wDesc, 270);
        description[k]->setWordWrap(false);
    }
    exam[1]->setChecked(true);

    cmdRunDemo = new QPushButton("&Run Demo", this);
    cmdRunDemo->setObjectName("cmdRunDemo");
    cmdRunDemo->setToolTip("Runs selected example in DOS");
    placeTwips(cmdRunDemo, 240, 6480, 1980, 420);
    cmdCancelDemo = new QPushButton("&Cancel", this);
    cmdCancelDemo->setObjectName("cmdCancelDemo");
    cmdCancelDemo->setToolTip("Return to main screen");
    placeTwips(cmdCancelDemo, 2460, 6480, 1980, 420);
}

}  // namespace quadrel
