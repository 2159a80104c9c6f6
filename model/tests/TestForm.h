#pragma once
// A question form for tests: plain fields in place of the main window's controls, with
// the captions the real form shows; and the two worked examples as the writer leaves them.
#include "model/AnswerForm.h"
#include "model/AnswerRules.h"
#include "model/AppState.h"
#include "model/Captions.h"

#include <QStringList>
#include <map>
#include <utility>

namespace quadrel::test {

class TestForm : public AnswerForm {
public:
    explicit TestForm(AppState &st) : st_(st) { st.form = this; }
    ~TestForm() override {
        if (st_.form == this) st_.form = nullptr;
    }

    // The boxes: answers 1..6 (Equation .. Delta_x), notes, solver boxes Remax .. Zero.
    QString box[7];
    QString note1, note2;
    QString solver[8];
    bool bvp = false;
    int gridRows = 3;  // heading row and two empty rows, as a cleared grid has
    std::map<std::pair<int, int>, QString> cells;
    int focusRequests = 0;
    QStringList typeSelections;  // "IVP" / "BVP" in the order the reader selected them

    void setPoints(const QList<QPair<QString, QString>> &points) {
        cells.clear();
        bvp = true;
        for (int i = 0; i < points.size(); ++i) {
            cells[{i + 1, 1}] = points[i].first;
            cells[{i + 1, 2}] = points[i].second;
        }
        gridRows = static_cast<int>(points.size()) + 2;
    }

    void PutAnswers() override {
        if (st_.runMode != QLatin1String("Demo")) st_.recordedName = st_.fileName;
        ProblemAnswers &a = st_.answers;
        for (size_t i = 1; i <= 6; ++i) a.answers[i] = box[i];
        a.note1 = note1;
        a.note2 = note2;
        if (bvp)
            takeGridPoints(a, gridRows, [this](int r, int c) { return gridCellText(r, c); });
        else
            a.nDataPoints = 0;
        for (size_t i = 1; i <= 7; ++i) a.solverAnswers[i] = solver[i];
        a.nSolverVars = solverVarsFromForm(a);
    }
    QString questionCaption(int i) const override { return captions::question(i); }
    QString solvQuestionCaption(int i) const override { return captions::solvQuestion(i); }
    QString gridCellText(int row, int col) const override {
        auto it = cells.find({row, col});
        return it == cells.end() ? QString() : it->second;
    }
    QString equationText() const override { return box[1]; }
    void focusEquation() override { ++focusRequests; }
    void selectProblemType(bool isBvp) override {
        bvp = isBvp;
        typeSelections << (isBvp ? QStringLiteral("BVP") : QStringLiteral("IVP"));
    }

private:
    AppState &st_;
};

inline const QByteArray kSpring =
    "Spring.ode  \t\t!*  6,  0, and  0          March 05, 2026 @ 2:07 PM\r\n"
    "Y'' + (4 * Y) = 0  \t\t! 1. \xbb State an ODE  using terms X, Y, Y', Y'', etc. where each apostrop\r\n"
    "-999  \t\t! 2. \xbb 'A' parameter initial value, if any in equation?\r\n"
    "0  \t\t! 3. \xbb x0, starting point for x-axis; ie. position for 'Constants of Int\r\n"
    "0 1  \t\t! 4. \xbb Initial values for 'Constants of Integration' in Y, Y', Y'', etc.\r\n"
    "21  \t\t! 5. \xbb Number of (X,Y) data points for plot?\r\n"
    ".1  \t\t! 6. \xbb (Delta_x) step size between points in plot; 1st point is x0 (see\r\n"
    "0  \t\t! Number of BVP_IVP data points\r\n"
    "Harmonic test  \t\t! 20. \xbb Note1\r\n"
    "-999  \t\t!     \xbb Note2\r\n"
    "N\t\t! 22. \xbb Want to change solver variables?\r\n";

inline const QByteArray kBeam =
    "Beam.ode  \t\t!*  6,  3, and  7          November 28, 2026 @ 10:15\r\n"
    "Y' * Y'' = A * X  \t\t! 1. \xbb State an ODE  using terms X, Y, Y', Y'', etc. where each apostrop\r\n"
    "1  \t\t! 2. \xbb 'A' parameter initial value, if any in equation?\r\n"
    "1  \t\t! 3. \xbb x0, starting point for x-axis; ie. position for 'Constants of Int\r\n"
    "2 1  \t\t! 4. \xbb Initial values for 'Constants of Integration' in Y, Y', Y'', etc.\r\n"
    "11  \t\t! 5. \xbb Number of (X,Y) data points for plot?\r\n"
    ".2  \t\t! 6. \xbb (Delta_x) step size between points in plot; 1st point is x0 (see\r\n"
    "3  \t\t! Number of BVP_IVP data points\r\n"
    "1  2  \t\t! Boundary point # 1\r\n"
    "3  3.5  \t\t! Boundary point # 2\r\n"
    "5  6  \t\t! Boundary point # 3\r\n"
    "-999  \t\t! 20. \xbb Note1\r\n"
    "-999  \t\t!     \xbb Note2\r\n"
    "Y\t\t! 22. \xbb Want to change solver variables?\r\n"
    "5  \t\t! 1. \xbb REMAX: Maximum iterations.\r\n"
    "0  \t\t! 2. \xbb DETAIL: Detailed report every Nth iteration.\r\n"
    "100  \t\t! 3. \xbb STEPSLIM: Limit # of steps per iteration.\r\n"
    "5  \t\t! 4. \xbb STEPOUT: Provides snapshot prints every N steps.\r\n"
    "3000  \t\t! 5. \xbb EVALMAX: Limit total # of model evaluations.\r\n"
    ".0001  \t\t! 6. \xbb ACCURACY: Final convergence tolerance.\r\n"
    "1.e-6  \t\t! 7. \xbb ZERO: Iteration convergent tolerance.\r\n";

}  // namespace quadrel::test
