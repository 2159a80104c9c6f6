#pragma once
// The problem as an integrator sees it: the equation F(X, Y, Y', ..., Y^(n), A) = 0 turned
// into the explicit first-order system
//     z = (Y, Y', ..., Y^(n-1)),   dz/dx = (z1, ..., z(n-1), g),
// where g = Y^(n) is the root of F = 0, and, for a fit, the variational equations of the
// sensitivities s_j = dz/dp_j of the unknowns p = (Y(x0), ..., Y^(n-1)(x0), A):
//     ds_j/dx = (s_j1, ..., s_j(n-1), dg/dz . s_j + [p_j = A] dg/dA).
// The partials of the root are exact by the implicit function theorem:
//     dg/dz_k = -F_k / F_n,   dg/dA = -F_A / F_n.
#include "notation/Equation.h"

#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace quadrel::solver {

// The root g = Y^(n) of F = 0 at one point.
//
// When F is affine in Y^(n) (decided when the equation was parsed) one evaluation with its
// exact dF/dY^(n) gives the root: g = g0 - F(g0)/F_n; when F_n is besides a number, it is
// kept from the first evaluation and the residual alone gives every later root. Otherwise
// Newton's method, started from the root found last, which picks the branch of an implicit
// equation.
// Stopping rule: converged when a correction is at most kTightTolerance * (1 + |g|)
// (rounding level). It also ends after kMaxIterations, or when from the fifth iteration on
// a correction is no smaller than the one before (stalled at rounding noise, or a double
// root converging only linearly); then the root is accepted when the last correction is at
// most ZERO * (1 + |g|), otherwise Newton has failed. A step to a point where F cannot be
// evaluated is halved, up to 40 times.
class TopSolver {
public:
    enum class Status { Ok, NonFinite, FlatDerivative, NoConvergence };
    static constexpr double kTightTolerance = 1e-13;
    static constexpr int kMaxIterations = 50;

    TopSolver(const notation::Equation &eq, int order, double zero);

    // Solves F(x, z, g, a) = 0 for g, starting from g. On Ok, g holds the root and, when
    // withPartials, dgdz()/dgda() the partials of the root. Allocates nothing.
    Status solve(double x, const double *z, double a, double &g, bool withPartials = true);
    // The root from the first of the starts from which solve() finds one, in g; false
    // when none does.
    bool solveFromAny(double x, const double *z, double a, std::initializer_list<double> starts,
                      double &g);
    // The root without partials when F is affine in Y^(n): one evaluation with its slope
    // gives it, and once a constant slope is known the residual alone does. False when F is
    // not affine or the root or the slope is not finite or zero; then solve() decides and
    // says why. Inline: it is most of the work of a right-hand side.
    bool quickRoot(double x, const double *z, double a, double &g) {
        if (!affine_) return false;
        double root;
        if (invSlope_ != 0) {
            root = g - eq_.residual(x, z, g, a) * invSlope_;
        } else {
            double Fn = 0;
            const double F = eq_.residualAndSlope(x, z, g, a, Fn);
            if (!std::isfinite(Fn) || Fn == 0) return false;
            if (constantSlope_) invSlope_ = 1 / Fn;
            root = g - F / Fn;
        }
        ++evaluations;
        ++iterations;
        if (!std::isfinite(root)) return false;
        g = root;
        return true;
    }
    const double *dgdz() const { return dg_.data(); }
    double dgda() const { return dga_; }
    bool affine() const { return affine_; }

    // Facts about the last failed solve, for the message.
    double lastResidual() const { return lastF_; }
    double lastSlope() const { return lastFn_; }
    double lastCorrection() const { return lastStep_; }
    // The step of the equation that made the last residual not finite, with its column
    // ("SQRT of a negative number (-2) at column 6"); empty when none is found.
    std::string lastFault() const;

    long evaluations = 0;        // residual evaluations
    long iterations = 0;         // Newton corrections
    long solves = 0;

private:
    Status newton(double x, double a, double &g, bool withPartials);
    bool evaluate(double x, double a, double g, double &F);
    bool evaluateSlope(double x, double a, double g, double &F);

    const notation::Equation &eq_;
    int n_;
    double zero_;
    bool affine_;
    bool constantSlope_;
    double invSlope_ = 0;        // 1 / F_n when F_n is a constant, or 0 while unknown
    std::vector<double> y_, dY_, dg_;
    double dA_ = 0, dga_ = 0;
    double lastF_ = 0, lastFn_ = 0, lastStep_ = 0, lastX_ = 0, lastA_ = 0;
};

enum class FailKind { None, NonFinite, Newton, BlowUp, StepsLim, Integrator };

struct PassFailure {
    PassFailure(FailKind kind = FailKind::None, double x = 0, std::string detail = {},
                std::string fault = {})
        : kind(kind), x(x), detail(std::move(detail)), fault(std::move(fault)) {}

    FailKind kind;
    double x;                  // where it happened
    std::string detail;        // what was found there, for the report
    std::string fault;         // NonFinite: the step of the equation that failed, and its column
};

// The right-hand side u' = f(x, u) of a system an integrator steps. Returns false when f
// has no value at (x, u); the integrator then tries a shorter step.
class OdeRhs {
public:
    virtual ~OdeRhs() = default;
    virtual bool operator()(double x, const double *u, double *du) = 0;
    // The state's part alone (u and du of `order` components), for a method that carries
    // the sensitivities itself.
    virtual bool stateRhs(double x, const double *z, double *dz) { return (*this)(x, z, dz); }
    // The exact Jacobian of the first `order` components of f (the state part), row-major
    // order x order, and df/dA of them; false when f has no value there.
    virtual bool jacobian(double x, const double *u, double *J, double *dfda) = 0;
};

// The equation's first-order system, with or without its variational equations.
class System : public OdeRhs {
public:
    System(const notation::Equation &eq, int order, bool fitA, double zero);

    int order() const { return n_; }
    int nParams() const { return nParams_; }
    // Components of u: the state alone, or the state and one sensitivity per unknown.
    int dimension() const { return n_ * (sensitivities_ ? 1 + nParams_ : 1); }
    void setSensitivities(bool on) { sensitivities_ = on; }
    bool sensitivities() const { return sensitivities_; }
    void setA(double a) { a_ = a; }
    double a() const { return a_; }
    // The family Y^(n) = lambda * g, g the root of F = 0, that a continuation follows from
    // lambda = 0 (polynomials) to 1 (the equation itself, the default).
    void setEmbedding(double lambda) { lambda_ = lambda; }
    double embedding() const { return lambda_; }
    // The root to start Newton from at the next evaluation.
    void setRoot(double g) { g_ = g; }
    double root() const { return g_; }

    bool operator()(double x, const double *u, double *du) override;
    bool stateRhs(double x, const double *z, double *dz) override;
    bool jacobian(double x, const double *u, double *J, double *dfda) override;

    // Y^(n) at (x, z) from the last root; false (and the failure noted) when none is found.
    bool solveRoot(double x, const double *z, double &g, bool withPartials);

    // The last failure: where and what, for the report.
    const PassFailure &failure() const { return failure_; }
    void clearFailure() { failure_ = PassFailure(); }

    TopSolver &top() { return top_; }

private:
    __attribute__((noinline)) bool fullRhs(double x, const double *u, double *du);
    void noteFailure(double x, TopSolver::Status st, const double *z, double g);

    int n_;
    int nParams_;
    bool fitA_;
    bool sensitivities_ = false;
    double a_ = 1;
    double g_ = 0;
    double lambda_ = 1;
    TopSolver top_;
    PassFailure failure_;
};

std::string formatNumber(double v);  // shortest text that reads back exactly, C locale

}  // namespace quadrel::solver
