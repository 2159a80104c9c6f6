#pragma once
// The project's solver as the benchmark calls it: in-process, on one response file.
#include "HandWritten.h"

#include <string>
#include <vector>

namespace bench {

struct OurResult {
    bool ok = false;
    std::string error;
    std::vector<double> x, y, yp;  // the plot points
    double a = 0;                  // fitted A (when the equation has one)
};

// Solves the response file at path with its own controls.
OurResult solveOurs(const std::string &path);

// The integrator method and tolerances the solver uses, for the hand-written peer.
IntegratorSettings ourIntegratorSettings();

}  // namespace bench
