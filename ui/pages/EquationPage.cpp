#include "ui/pages/EquationPage.h"

#include "model/Captions.h"
#include "ui/pages/PageStyle.h"

namespace quadrel {

EquationPage::EquationPage(QWidget *parent) : QWidget(parent) {
    lblInstructions1 = makeLabel(this, "lblInstructions1",
        "Instructions: Answer following questions; Save your responses into a file for later "
        "retrieval; and, submit responses for execution.",
        240, 150, 11100, 480);
    style::note(lblInstructions1);

    question1 = makeLabel(this, "Question", captions::question(1), 240, 780, 11100, 720);
    style::question(question1);

    question2[4] = makeLabel(this, "Question2", "Enter Diff. Equation:", 240, 1620, 4000, 270);
    style::heading(question2[4]);
    lblEquation = question2[4];

    equation = new TextBox(this);
    equation->setObjectName("Equation");
    equation->setText("y''' y' - y'' = x sin( y + x) - .5");
    style::equationFont(equation);
    placeTwips(equation, 240, 1935, 9120, 390);

    cmdTestIt = new QPushButton("&Test it!", this);
    cmdTestIt->setObjectName("cmdTestIt");
    cmdTestIt->setToolTip("Checks your ODE syntax");
    placeTwips(cmdTestIt, 9600, 1920, 1740, 420);

    lblTestIt = makeLabel(this, "lblTestIt",
        "'Test it! ' button will emulate your equation.  Check results to verify stored results.",
        240, 2460, 11100, 270);
    style::note(lblTestIt);

    question2[1] = makeLabel(this, "Question2",
        "For example, Y''''  +  ( 1.234 * X  *  Y'')  =  - H * Tan( Y / X) + 3.21 that implies "
        "the equation   Y4dot +  1.234 X Y2dot   +   H Tan( Y / X)   = 3.21 .",
        240, 3060, 11100, 660);
    question2[2] = makeLabel(this, "Question2",
        "Note: One level of parenthesis is allowed to force storing an intermediate value. Thus, "
        "X + ( 6*Y) yields X + product of 6 * Y where as",
        240, 3720, 11100, 660);
    question2[3] = makeLabel(this, "Question2", "X + A*Y yields ( X+A) * Y.", 240, 4380, 11100, 390);
    for (int i = 1; i <= 3; ++i) style::help(question2[static_cast<size_t>(i)]);
}

}  // namespace quadrel
