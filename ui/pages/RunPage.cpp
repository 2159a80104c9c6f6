#include "ui/pages/RunPage.h"

#include "ui/pages/PageStyle.h"

namespace quadrel {

RunPage::RunPage(QWidget *parent) : QWidget(parent) {
    lblRunNotice = makeLabel(this, "lblRunNotice",
        "'Submit' will run a DOS program using the DOSbox program.  Please remember to exit "
        "DOSbox by typing  EXIT  !!!",
        240, 240, 11100, 540);
    style::warning(lblRunNotice);

    lblPause = makeLabel(this, "lblPause", "Pause (seconds):", 240, 1140, 2100, 270);
    tPause = new TextBox(this);
    tPause->setObjectName("tPause");
    tPause->setText("20");
    placeTwips(tPause, 2400, 1080, 1080, 360);

    AutoExit = new QCheckBox("Auto-exit DOSbox", this);
    AutoExit->setObjectName("AutoExit");
    placeTwips(AutoExit, 240, 1680, 4200, 330);

    cmdSubmit = new QPushButton("&Submit Batch Run", this);
    cmdSubmit->setObjectName("cmdSubmit");
    cmdSubmit->setToolTip("Run Quadrel in DOS with your Input file");
    placeTwips(cmdSubmit, 240, 2460, 2760, 480);
    cmdPlots = new QPushButton("View Past &Plots", this);
    cmdPlots->setObjectName("cmdPlots");
    cmdPlots->setToolTip("Execute Plots.exe");
    placeTwips(cmdPlots, 3240, 2460, 2760, 480);
}

}  // namespace quadrel
