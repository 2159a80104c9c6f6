#pragma once
// The integration pass: integrates the equation's system (System) from x0 forward and
// backward over a set of output points with one of two methods (Stepper), observes the
// points by the method's dense output, and watches the steps: STEPSLIM between two output
// points, a solution that blows up, a stiff stretch.
#include "solver/Bdf.h"
#include "solver/Dop853.h"
#include "solver/System.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quadrel::solver {

// One integration pass for one set of unknowns.
struct PassSetup {
    double x0 = 0;
    std::vector<double> z0;       // order values at x0
    double a = 1;
    double g0 = 0;                // Y^(n) at x0 (already solved)
    std::vector<double> points;   // output abscissas, any order, may repeat or equal x0
    bool sensitivities = false;   // d(Y)/d(unknowns) at the points
    bool backwardFirst = false;   // integrate the points below x0 first
    // Progress every stepOut-th step (0 = none): step count, x, state, step size.
    int stepOut = 0;
    std::function<void(long, double, const double *, double)> progress;
};

struct PassOutput {
    // For point i: y[i*(order+1) + k] = Y^(k); with sensitivities
    // dZdp[(i*nParams + j)*order + k] = dY^(k)/dp_j, the whole state's.
    std::vector<double> y, dZdp;
    size_t nParams = 0, order = 0;
    double dZ(size_t i, size_t j, size_t k = 0) const { return dZdp[(i * nParams + j) * order + k]; }
    size_t reached = 0;           // points computed, in the order of the setup
    std::vector<bool> done;       // per point
    PassFailure failure;
    long steps = 0;
};

// Explicit: the Dormand-Prince pair for non-stiff problems; Bdf: CVODES for stiff ones.
enum class Method { Explicit, Bdf };

class Integrator {
public:
    // Relative and (scaled) absolute tolerance of every step: well below the accuracy the
    // results are checked to, so that the plotted values carry about ten correct digits.
    static constexpr double kRelTol = 1e-12;
    static constexpr double kAbsTol = 1e-14;
    // A solution is said to blow up when a value passes this multiple of the largest
    // initial magnitude (at least 1) while the step size has collapsed, or when STEPSLIM
    // runs out while it grows kGrowthAtLimit-fold with steps below 1e-3 of the interval.
    static constexpr double kBlowUpFactor = 1e15;
    static constexpr double kGrowthAtLimit = 1e3;
    // The stiffness estimate at x0: the largest decay rate of the Jacobian times the range.
    // Above kStiffRatio the explicit pair's stability holds its steps to about 6/|lambda|
    // where accuracy alone would allow far longer ones, so it soon hands over to BDF.
    static constexpr double kStiffRatio = 100;

    Integrator(const notation::Equation &eq, int order, bool fitA, int stepsLim, double zero);

    // The stiffness estimate at x0 (for the report).
    double stiffness(double x0, const double *z0, double a, double g0, double range);
    // The method that ended the last pass.
    Method method() const { return used_; }

    // Runs a pass forward and backward from x0 over the points. Every direction starts
    // with the explicit pair, which resolves a fast transient at x0 in far fewer steps
    // than BDF at these tolerances, and hands over to BDF where its stiffness test fires
    // (15 steps in a row held down by stability). A pass that exceeds STEPSLIM on the
    // explicit pair is repeated once on BDF alone, which then starts every later pass.
    PassOutput run(const PassSetup &setup);

    System &system() { return sys_; }
    TopSolver &top() { return sys_.top(); }
    int nParams() const { return sys_.nParams(); }

    // Totals over all passes.
    long steps() const { return dop_.steps + (bdf_ ? bdf_->steps : 0); }
    long rhsEvals() const { return dop_.rhsEvals + (bdf_ ? bdf_->rhsEvals : 0); }
    long jacEvals() const { return bdf_ ? bdf_->jacEvals : 0; }
    long passes = 0, methodSwitches = 0;

private:
    PassOutput runOnce(const PassSetup &setup);
    bool integrateDirection(const PassSetup &s, const std::vector<size_t> &order, double dir,
                            PassOutput &out);
    PassFailure stepFailure(Stepper &st, double intervalStartMax);
    Bdf &bdf();  // made on first use: most problems never need it

    int n_;
    int stepsLim_;
    System sys_;
    Dop853 dop_;
    std::unique_ptr<Bdf> bdf_;
    bool fitA_;
    Method start_ = Method::Explicit, used_ = Method::Explicit;
    std::vector<double> u0_, row_, atol_;  // reused from pass to pass
    double scale0_ = 1;
};

}  // namespace quadrel::solver
