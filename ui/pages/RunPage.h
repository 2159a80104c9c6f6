#pragma once
// Page "&5. Run": the pause setting, the auto-exit choice and the run and plot buttons.
#include "ui/Controls.h"

#include <QCheckBox>
#include <QPushButton>

namespace quadrel {

class RunPage : public QWidget {
    Q_OBJECT
public:
    explicit RunPage(QWidget *parent = nullptr);

    QLabel *lblRunNotice;
    QLabel *lblPause;
    TextBox *tPause;
    QCheckBox *AutoExit;
    QPushButton *cmdSubmit, *cmdPlots;
};

}  // namespace quadrel
