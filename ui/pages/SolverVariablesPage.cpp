#include "ui/pages/SolverVariablesPage.h"

#include "model/Captions.h"
#include "ui/pages/PageStyle.h"

namespace quadrel {

SolverVariablesPage::SolverVariablesPage(QWidget *parent) : QWidget(parent) {
    lblInstructions4 = makeLabel(this, "lblInstructions4",
        "For a definition of the following Solver control variables read the 'Manual.pdf' file.",
        240, 180, 11100, 270);
    style::note(lblInstructions4);

    // Each caption starts with a column holding the default value; the headings sit over
    // that column and over the question text after it.
    lblHeader4a = makeLabel(this, "lblHeader4a", "Default Values", 240, 780, 1620, 270);
    lblHeader4a->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblHeader4b = makeLabel(this, "lblHeader4b", "Control Questions", 240 + 1800, 780, 4000, 270);
    style::heading(lblHeader4a);
    style::heading(lblHeader4b);

    static const char *const names[] = {"", "Remax", "Detail", "StepsLim", "StepOut",
                                        "EvalMax", "Accuracy", "Zero"};
    static const char *const texts[] = {"", "5", "0", "100", "5", "3000", ".0001", "1.E-6"};
    const double row0 = 1200, pitch = 540;
    for (int i = 1; i <= 7; ++i) {
        const auto k = static_cast<size_t>(i);
        const double top = row0 + (i - 1) * pitch;
        solvQuestion[k] = new ColumnCaption(1620, 1800, this);
        solvQuestion[k]->setObjectName("SolvQuestion");
        solvQuestion[k]->setText(captions::solvQuestion(i));
        placeTwips(solvQuestion[k], 240, top + 45, 7800, 270);
        boxes[k] = new TextBox(this);
        boxes[k]->setObjectName(names[i]);
        boxes[k]->setText(texts[i]);
        placeTwips(boxes[k], 8280, top, 3060, 360);
    }

    cmdEditSolverData = new QPushButton("&Edit Defaults", this);
    cmdEditSolverData->setObjectName("cmdEditSolverData");
    cmdEditSolverData->setToolTip("Enters default values for editing");
    placeTwips(cmdEditSolverData, 5040, 5280, 2160, 420);
    cmdDefaultSolverData = new QPushButton("&Use Defaults", this);
    cmdDefaultSolverData->setObjectName("cmdDefaultSolverData");
    cmdDefaultSolverData->setToolTip("Sets all values to blank");
    placeTwips(cmdDefaultSolverData, 7380, 5280, 2160, 420);
}

}  // namespace quadrel
