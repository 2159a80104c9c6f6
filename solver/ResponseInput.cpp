#include "solver/ResponseInput.h"

namespace quadrel::solver {

ProblemInput inputFrom(const response::Record &r, const std::string &fileName) {
    ProblemInput in;
    in.fileName = fileName;
    in.equation = r.answers[1];
    in.aText = r.answers[2];
    in.x0Text = r.answers[3];
    in.initialText = r.answers[4];
    in.nPointsText = r.answers[5];
    in.deltaXText = r.answers[6];
    for (int i = 1; i <= r.nDataPoints && size_t(i) < r.xValues.size(); ++i)
        in.dataPoints.emplace_back(r.xValues[size_t(i)], r.yValues[size_t(i)]);
    in.note1 = r.note1;
    in.note2 = r.note2;
    in.solverVarsGiven = r.nSolverVars == 7;
    for (size_t i = 0; i < 7; ++i) in.solverVars[i] = r.solverAnswers[i + 1];
    return in;
}

}  // namespace quadrel::solver
