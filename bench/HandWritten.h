#pragma once
// The initial value examples written by hand as compiled right-hand sides (each equation
// solved for its highest derivative) and integrated by the solver's own stepper (the
// explicit pair, or BDF) with its tolerances and dense output: the limit a solver without
// an equation interpreter could reach with the same integrator.
#include <string>
#include <vector>

namespace bench {

// The stepper and its tolerances.
struct IntegratorSettings {
    bool bdf = false;       // BDF (CVODES, exact Jacobian); false: the explicit pair
    double rtol = 1e-12;
    double atol = 1e-14;    // times max(1, |initial value|) of each component
};

struct PlotValues {
    std::vector<double> x, y, yp;
    bool ok = false;
    std::string error;
};

// Whether stem is one of the examples written by hand here.
bool hasHandWritten(const std::string &stem);

// Integrates the example from x0 with its initial values to the plot points
// x0 + k * dx, k = 0 .. nPoints - 1.
PlotValues solveHandWritten(const std::string &stem, double x0, const std::vector<double> &init,
                            int nPoints, double dx, const IntegratorSettings &s);

}  // namespace bench
