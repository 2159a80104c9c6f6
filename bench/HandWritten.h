#pragma once
// The initial value examples written by hand as compiled right-hand sides (each equation
// solved for its highest derivative) and integrated by CVODES: the limit a solver without
// an equation interpreter could reach with the same integrator and tolerances.
#include <string>
#include <vector>

namespace bench {

// Newton iteration with a dense linear solver and the exact Jacobian, either method.
struct IntegratorSettings {
    bool bdf = false;       // BDF; false: Adams
    double rtol = 1e-12;
    double atol = 1e-14;    // times max(1, |initial value|) of each component
    long maxSteps = 100000; // between two output points
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
