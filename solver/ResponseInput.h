#pragma once
// The answers of a response file as the solver takes them: the one bridge between the
// shared reader's record and the solver's input.
#include "model/ResponseRecord.h"
#include "solver/Problem.h"

#include <string>

namespace quadrel::solver {

ProblemInput inputFrom(const response::Record &r, const std::string &fileName);

}  // namespace quadrel::solver
