#pragma once
// The equation F(X, Y, Y', ..., Y^(n), A) = 0 as an explicit first-order system, and its
// integration by CVODES.
//
// State z = (Y, Y', ..., Y^(n-1)); dz/dx = (z1, ..., z(n-1), g) where g = Y^(n) is the root
// of F = 0 found by Newton's method with the notation's exact dF/dY^(n), starting from the
// root found last. The Jacobian of the system and the right-hand side of the forward
// sensitivities come exactly from the implicit function theorem:
//     dg/dz_k = -F_k / F_n,   dg/dA = -F_A / F_n.
#include "notation/Equation.h"

#include <nvector/nvector_serial.h>
#include <sundials/sundials_context.h>
#include <sundials/sundials_linearsolver.h>
#include <sundials/sundials_matrix.h>

#include <functional>
#include <string>
#include <vector>

namespace quadrel::solver {

// Newton's method for the highest derivative.
//
// Stopping rule: the iteration ends as converged when a correction is at most
// kTightTolerance * (1 + |Y^(n)|) (rounding level). It also ends after kMaxIterations, or
// when from the fifth iteration on a correction is no smaller than the one before
// (stalled at rounding noise, or a double root converging only linearly); then the root
// is accepted when the last correction is at most ZERO * (1 + |Y^(n)|), otherwise Newton
// has failed. A step to a point where F cannot be evaluated is halved, up to 40 times.
class TopSolver {
public:
    enum class Status { Ok, NonFinite, FlatDerivative, NoConvergence };
    static constexpr double kTightTolerance = 1e-13;
    static constexpr int kMaxIterations = 50;

    TopSolver(const notation::Equation &eq, int order, double zero);

    // Solves F(x, z, g, a) = 0 for g, starting from g. On Ok, g holds the root and
    // dgdz()/dgda() the exact partials of the root. Allocates nothing.
    Status solve(double x, const double *z, double a, double &g);
    const double *dgdz() const { return dg_.data(); }
    double dgda() const { return dga_; }

    // Facts about the last failed solve, for the message.
    double lastResidual() const { return lastF_; }
    double lastSlope() const { return lastFn_; }
    double lastCorrection() const { return lastStep_; }

    long evaluations = 0;        // residual evaluations
    long iterations = 0;         // Newton corrections
    long solves = 0;

private:
    const notation::Equation &eq_;
    int n_;
    double zero_;
    std::vector<double> y_, dY_, dg_;
    double dga_ = 0;
    double lastF_ = 0, lastFn_ = 0, lastStep_ = 0;
};

enum class FailKind { None, NonFinite, Newton, BlowUp, StepsLim, Integrator };

struct PassFailure {
    FailKind kind = FailKind::None;
    double x = 0;              // where it happened
    std::string detail;        // what was found there, for the report
};

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
    // For point i: y[i*(order+1) + k] = Y^(k); dYdp[i*nParams + j] = dY/dp_j.
    std::vector<double> y, dYdp;
    size_t reached = 0;           // points computed, in the order of the setup
    std::vector<bool> done;       // per point
    PassFailure failure;
    long steps = 0;
};

enum class Method { Adams, Bdf };

class Integrator {
public:
    // Relative and (scaled) absolute tolerance of every step: well below the accuracy the
    // results are checked to, so that the plotted values carry about ten correct digits.
    static constexpr double kRelTol = 1e-12;
    static constexpr double kAbsTol = 1e-14;
    // A solution is said to blow up when a value passes this multiple of the largest
    // initial magnitude (at least 1) while the step size has collapsed.
    static constexpr double kBlowUpFactor = 1e15;

    Integrator(const notation::Equation &eq, int order, bool fitA, int stepsLim, double zero);
    ~Integrator();
    Integrator(const Integrator &) = delete;
    Integrator &operator=(const Integrator &) = delete;

    // Chooses BDF when the Jacobian at x0 has a decaying mode with |Re lambda| * range above
    // kStiffRatio, Adams otherwise. Returns the estimate.
    static constexpr double kStiffRatio = 100;
    double chooseMethod(double x0, const double *z0, double a, double g0, double range);
    void setMethod(Method m) { method_ = m; }
    Method method() const { return method_; }

    // Runs a pass forward and backward from x0 over the points. When Adams exceeds
    // STEPSLIM the pass is repeated once with BDF, which is kept from then on.
    PassOutput run(const PassSetup &setup);

    TopSolver &top() { return top_; }
    int nParams() const { return nParams_; }

    // Totals over all passes.
    long steps = 0, rhsEvals = 0, jacEvals = 0, passes = 0, methodSwitches = 0;

private:
    PassOutput runOnce(const PassSetup &setup);
    bool integrateDirection(const PassSetup &s, const std::vector<size_t> &order, double dir,
                            PassOutput &out);
    void ensureMemory(bool sens);
    void freeMemory();
    bool gradientAt(double t, const double *z);
    void noteFailure(double t, TopSolver::Status st, const double *z, double g);

    static int rhsFn(sunrealtype t, N_Vector y, N_Vector ydot, void *user);
    static int jacFn(sunrealtype t, N_Vector y, N_Vector fy, SUNMatrix J, void *user,
                     N_Vector, N_Vector, N_Vector);
    static int sensFn(int ns, sunrealtype t, N_Vector y, N_Vector ydot, N_Vector *yS,
                      N_Vector *ySdot, void *user, N_Vector, N_Vector);
    static void errFn(int code, const char *module, const char *function, char *msg,
                      void *user);

    const notation::Equation &eq_;
    int n_;
    bool fitA_;
    int nParams_;
    int stepsLim_;
    TopSolver top_;
    Method method_ = Method::Adams;
    double a_ = 1;
    double g_ = 0;                 // last root: Newton's next start

    // Gradient cache keyed by (t, z).
    bool cacheValid_ = false;
    double cacheT_ = 0;
    std::vector<double> cacheZ_, cacheDg_;
    double cacheDga_ = 0;

    // Last failure seen inside a callback.
    TopSolver::Status cbStatus_ = TopSolver::Status::Ok;
    double cbX_ = 0;
    std::string cbDetail_;
    std::string cvodeMessage_;

    SUNContext ctx_ = nullptr;
    void *mem_ = nullptr;           // CVODES memory
    Method memMethod_ = Method::Adams;
    N_Vector y_ = nullptr, tmp_ = nullptr;
    N_Vector *yS_ = nullptr, *ySTmp_ = nullptr;
    SUNMatrix A_ = nullptr;
    SUNLinearSolver LS_ = nullptr;
    bool sensInit_ = false, sensOn_ = false;
    std::vector<double> zTmp_;
};

std::string formatNumber(double v);  // shortest text that reads back exactly, C locale

}  // namespace quadrel::solver
