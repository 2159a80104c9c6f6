#include "solver/ResponseInput.h"

namespace quadrel::solver {

ProblemInput inputFrom(const ProblemAnswers &a, const std::string &fileName) {
    ProblemInput in;
    in.fileName = fileName;
    in.equation = a.answers[1].toStdString();
    in.aText = a.answers[2].toStdString();
    in.x0Text = a.answers[3].toStdString();
    in.initialText = a.answers[4].toStdString();
    in.nPointsText = a.answers[5].toStdString();
    in.deltaXText = a.answers[6].toStdString();
    for (int i = 1; i <= a.nDataPoints && size_t(i) < a.xValues.size(); ++i)
        in.dataPoints.emplace_back(a.xValues[size_t(i)].toStdString(),
                                   a.yValues[size_t(i)].toStdString());
    in.note1 = a.note1.toStdString();
    in.note2 = a.note2.toStdString();
    in.solverVarsGiven = a.nSolverVars == 7;
    for (size_t i = 0; i < 7; ++i) in.solverVars[i] = a.solverAnswers[i + 1].toStdString();
    return in;
}

}  // namespace quadrel::solver
