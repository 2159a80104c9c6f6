#pragma once
// Page "&3. BVP Data": the problem type and the (X, Y) data grid with its cell editor.
#include "ui/Controls.h"

#include <QPushButton>
#include <QRadioButton>

namespace quadrel {

class BvpDataPage : public QWidget {
    Q_OBJECT
public:
    explicit BvpDataPage(QWidget *parent = nullptr);

    QLabel *lblProblemType, *lblProbDefinitions;
    OptionButton *optIVP, *optBVP;
    DataGrid *xyGrid;
    CellEditor *txtCellEditor;
    QPushButton *cmdClear;
    QLabel *lblArrowMovement1;
};

}  // namespace quadrel
