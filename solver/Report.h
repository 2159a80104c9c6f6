#pragma once
// The two outputs of a run: the report "~Quadrel.out" a student reads, and the plot data
// "~4plots.plt".
#include "solver/Problem.h"
#include "solver/Solver.h"

#include <string>

namespace quadrel::solver {

inline constexpr const char *kReportFile = "~Quadrel.out";
inline constexpr const char *kPlotFile = "~4plots.plt";

// A number with 17 significant digits in C-locale notation (the plot file's columns).
std::string plotNumber(double v);

std::string reportText(const Problem &p, const SolveResult &r);
std::string plotText(const Problem &p, const SolveResult &r);

// Report and plot file for a run that could not start: the input could not be used.
std::string inputErrorReport(const std::string &fileName, const std::string &equation,
                             const std::string &message);
std::string emptyPlotText(const std::string &fileName, const std::string &why);

}  // namespace quadrel::solver
