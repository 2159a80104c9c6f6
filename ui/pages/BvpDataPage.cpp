#include "ui/pages/BvpDataPage.h"

#include "ui/pages/PageStyle.h"

#include <QHeaderView>

namespace quadrel {

BvpDataPage::BvpDataPage(QWidget *parent) : QWidget(parent) {
    lblProblemType =
        makeLabel(this, "lblProblemType", "What type of problem is this?", 240, 180, 4200, 270);
    style::heading(lblProblemType);
    lblProbDefinitions = makeLabel(this, "lblProbDefinitions", "Initial or Boundary Value Problem",
                                   240, 480, 4200, 270);
    style::note(lblProbDefinitions);

    optIVP = new OptionButton("IVP   or", this);
    optIVP->setObjectName("optIVP");
    placeTwips(optIVP, 4560, 300, 1380, 330);
    optBVP = new OptionButton("BVP", this);
    optBVP->setObjectName("optBVP");
    placeTwips(optBVP, 6000, 300, 1200, 330);

    xyGrid = new DataGrid(this);
    xyGrid->setObjectName("xyGrid");
    style::equationFont(xyGrid);
    placeTwips(xyGrid, 240, 960, 5760, 5280);

    txtCellEditor = new CellEditor(this);
    txtCellEditor->setObjectName("txtCellEditor");
    txtCellEditor->setFrame(false);
    txtCellEditor->setAlignment(Qt::AlignCenter);
    txtCellEditor->hide();

    cmdClear = new QPushButton("C&lear Columns", this);
    cmdClear->setObjectName("cmdClear");
    placeTwips(cmdClear, 240, 6420, 2160, 420);

    lblArrowMovement1 = makeLabel(this, "lblArrowMovement1",
        "Use Enter or Tab key to move between columns; and Left, Right, Up && Down Arrow keys to "
        "enter/edit X && Y data values.",
        6360, 960, 4980, 1200);
    style::note(lblArrowMovement1);
}

}  // namespace quadrel
