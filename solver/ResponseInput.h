#pragma once
// The answers of a response file as the solver takes them: the one bridge between the
// program's answer set (Qt strings) and the Qt-free solver.
#include "model/ProblemAnswers.h"
#include "solver/Problem.h"

#include <string>

namespace quadrel::solver {

ProblemInput inputFrom(const ProblemAnswers &a, const std::string &fileName);

}  // namespace quadrel::solver
