#pragma once
// Page "&4. Solver Variables": the seven control variables of the solver and the two buttons
// that fill them with the defaults or blank them.
#include "ui/Controls.h"

#include <QPushButton>
#include <array>

namespace quadrel {

class SolverVariablesPage : public QWidget {
    Q_OBJECT
public:
    explicit SolverVariablesPage(QWidget *parent = nullptr);

    QLabel *lblInstructions4;
    QLabel *lblHeader4a;  // "Default Values"
    QLabel *lblHeader4b;  // "Control Questions"
    std::array<QLabel *, 8> solvQuestion{};  // SolvQuestion(1..7); element 0 unused
    // Remax, Detail, StepsLim, StepOut, EvalMax, Accuracy, Zero as boxes(1..7).
    std::array<TextBox *, 8> boxes{};
    QPushButton *cmdEditSolverData, *cmdDefaultSolverData;
};

}  // namespace quadrel
