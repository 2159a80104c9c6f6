#pragma once
// Page "&1. Equation": the ODE itself, its notation help and the "Test it!" button.
#include "ui/Controls.h"

#include <QPushButton>
#include <array>

namespace quadrel {

class EquationPage : public QWidget {
    Q_OBJECT
public:
    explicit EquationPage(QWidget *parent = nullptr);

    QLabel *lblInstructions1;
    QLabel *question1;                    // Question(1)
    std::array<QLabel *, 5> question2{};  // Question2(1..4); element 0 unused
    QLabel *lblEquation;                  // alias of question2[4], the box's caption
    TextBox *equation;
    QPushButton *cmdTestIt;
    QLabel *lblTestIt;
};

}  // namespace quadrel
