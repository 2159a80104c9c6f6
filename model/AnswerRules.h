#pragma once
// Rules on the answer set that do not need the form: trimming, missing answers, the solver
// counts and the grid points.
#include "model/ProblemAnswers.h"

#include <QString>
#include <functional>

namespace quadrel {

struct AppState;

// Removes leading and trailing blanks (0x20) only; TABs and other white space stay.
QString trimBlanks(const QString &text);

// An answer counts as missing when it is empty or exactly "-Select-" (a single blank is an
// answer).
bool isAnswerMissing(const QString &answer);

// nSolverVars as the form gives it: 0 when all seven solver answers are empty, else 7.
qint16 solverVarsFromForm(const ProblemAnswers &a);
// nSolverVars as a file records it: 0 when Remax, Detail and StepsLim are all empty, else 7.
qint16 solverVarsForFile(const ProblemAnswers &a);

// Takes the points of a boundary problem from a grid of rowCount rows (row 0 holds the
// headings): resizes the point arrays to rowCount + 1 elements, stores the trimmed X and Y
// of rows 1, 2, ... and sets nDataPoints to the number of rows before the first row whose
// X or Y is empty. cell(row, col) gives the text of a cell, col 1 = X and 2 = Y.
void takeGridPoints(ProblemAnswers &a, int rowCount,
                    const std::function<QString(int row, int col)> &cell);

}  // namespace quadrel
