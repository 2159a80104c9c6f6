#include "solver/System.h"

#include "notation/Fault.h"

#include <charconv>
#include <cmath>

namespace quadrel::solver {

std::string formatNumber(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

// ---------------------------------------------------------------- TopSolver

TopSolver::TopSolver(const notation::Equation &eq, int order, double zero)
    : eq_(eq), n_(order), zero_(zero), affine_(eq.affineInHighest()),
      constantSlope_(eq.constantSlope()),
      y_(size_t(order) + 1), dY_(size_t(order) + 1), dg_(size_t(order)) {}

// F and its slope dF/dY^(n) at g; false when either is not finite.
bool TopSolver::evaluateSlope(double x, double a, double g, double &F) {
    y_[size_t(n_)] = g;
    double Fn = 0;
    F = eq_.residualAndSlope(x, y_.data(), a, Fn);
    ++evaluations;
    lastF_ = F;
    lastFn_ = Fn;
    dY_[size_t(n_)] = Fn;
    return std::isfinite(F) && std::isfinite(Fn);
}

// F and its partials at g; false when any of them is not finite.
bool TopSolver::evaluate(double x, double a, double g, double &F) {
    y_[size_t(n_)] = g;
    double dX = 0;
    F = eq_.residualWithGradient(x, y_.data(), a, dY_.data(), &dX, &dA_);
    ++evaluations;
    lastF_ = F;
    lastFn_ = dY_[size_t(n_)];
    bool finite = std::isfinite(F) && std::isfinite(dA_);
    for (int k = 0; k <= n_; ++k) finite = finite && std::isfinite(dY_[size_t(k)]);
    return finite;
}

TopSolver::Status TopSolver::solve(double x, const double *z, double a, double &g,
                                   bool withPartials) {
    ++solves;
    lastX_ = x;
    lastA_ = a;
    for (int k = 0; k < n_; ++k) y_[size_t(k)] = z[k];
    if (!affine_) return newton(x, a, g, withPartials);

    if (!withPartials && quickRoot(x, z, a, g)) return Status::Ok;
    // F = c + d * g: one step from any start lands on the root.
    double start = g, F = 0;
    if (!evaluateSlope(x, a, start, F)) {
        if (start == 0 || !evaluateSlope(x, a, 0.0, F)) return Status::NonFinite;
        start = 0;
    }
    const double Fn = dY_[size_t(n_)];
    if (Fn == 0) return Status::FlatDerivative;
    if (constantSlope_) invSlope_ = 1 / Fn;
    const double step = F / Fn;
    const double root = start - step;
    ++iterations;
    lastStep_ = std::fabs(step);
    if (withPartials) {
        // F_k may depend on g (a product Y * Y''): take the partials at the root itself.
        double Froot = 0;
        if (!evaluate(x, a, root, Froot)) return Status::NonFinite;
        const double FnRoot = dY_[size_t(n_)];
        for (int k = 0; k < n_; ++k) dg_[size_t(k)] = -dY_[size_t(k)] / FnRoot;
        dga_ = -dA_ / FnRoot;
    }
    g = root;
    return std::isfinite(root) ? Status::Ok : Status::NonFinite;
}

bool TopSolver::solveFromAny(double x, const double *z, double a,
                             std::initializer_list<double> starts, double &g) {
    for (double start : starts) {
        double t = start;
        if (solve(x, z, a, t) == Status::Ok) {
            g = t;
            return true;
        }
    }
    return false;
}

std::string TopSolver::lastFault() const {
    const notation::Fault f = notation::findFault(eq_, lastX_, y_.data(), lastA_);
    return f.found ? f.text() : std::string();
}

// Each iteration needs F and its slope only; with partials the full gradient is taken
// instead, so that dgdz() and dgda() come from the last iterate.
TopSolver::Status TopSolver::newton(double x, double a, double &g, bool withPartials) {
    double gk = g;
    double goodG = gk, goodStep = 0;
    double prevStep = HUGE_VAL, lastStep = HUGE_VAL;
    int halvings = 0;
    int corrections = 0;
    for (int it = 0; it < kMaxIterations; ++it) {
        double F = 0;
        if (!(withPartials ? evaluate(x, a, gk, F) : evaluateSlope(x, a, gk, F))) {
            if (!std::isfinite(F) || !std::isfinite(lastFn_)) {
                if (corrections == 0 || halvings >= 40) return Status::NonFinite;
                // The last correction left the domain of the equation: go half as far.
                goodStep *= 0.5;
                gk = goodG - goodStep;
                ++halvings;
                continue;
            }
            return Status::NonFinite;
        }
        const double Fn = dY_[size_t(n_)];
        if (Fn == 0) return Status::FlatDerivative;
        const double step = F / Fn;
        if (withPartials) {
            for (int k = 0; k < n_; ++k) dg_[size_t(k)] = -dY_[size_t(k)] / Fn;
            dga_ = -dA_ / Fn;
        }
        goodG = gk;
        goodStep = step;
        gk -= step;
        ++corrections;
        ++iterations;
        lastStep = std::fabs(step);
        lastStep_ = lastStep;
        if (lastStep <= kTightTolerance * (1 + std::fabs(gk))) {
            g = gk;
            return Status::Ok;
        }
        if (corrections >= 5 && lastStep >= prevStep) break;
        prevStep = lastStep;
    }
    if (std::isfinite(gk) && lastStep <= zero_ * (1 + std::fabs(gk))) {
        g = gk;
        return Status::Ok;
    }
    return Status::NoConvergence;
}

// ---------------------------------------------------------------- System

System::System(const notation::Equation &eq, int order, bool fitA, double zero)
    : n_(order), nParams_(order + (fitA ? 1 : 0)), fitA_(fitA), top_(eq, order, zero) {}

bool System::solveRoot(double x, const double *z, double &g, bool withPartials) {
    const auto st = top_.solve(x, z, a_, g, withPartials);
    if (st == TopSolver::Status::Ok) return true;
    noteFailure(x, st, z, g);
    return false;
}

// The state's shift z' = (z1, ..., z(n-1), .), unrolled for the usual orders.
static inline void shiftState(int n, const double *u, double *du) {
    switch (n) {
    case 3: du[1] = u[2]; [[fallthrough]];
    case 2: du[0] = u[1]; [[fallthrough]];
    case 1: break;
    default:
        for (int k = 0; k + 1 < n; ++k) du[k] = u[k + 1];
    }
}

// The hot path, kept small: the state alone with the root from quickRoot. Everything else
// (Newton, the sensitivities) is in fullRhs, out of line.
bool System::operator()(double x, const double *u, double *du) {
    double g = g_;
    if (sensitivities_ || !top_.quickRoot(x, u, a_, g)) return fullRhs(x, u, du);
    g_ = g;
    shiftState(n_, u, du);
    du[n_ - 1] = lambda_ * g;
    return true;
}

bool System::fullRhs(double x, const double *u, double *du) {
    double g = g_;
    if (!solveRoot(x, u, g, sensitivities_)) return false;
    g_ = g;
    const int n = n_;
    shiftState(n, u, du);
    du[n - 1] = lambda_ * g;
    if (!sensitivities_) return true;
    const double *dg = top_.dgdz();
    for (int j = 0; j < nParams_; ++j) {
        const double *s = u + n * (1 + j);
        double *d = du + n * (1 + j);
        double top = (fitA_ && j == n) ? top_.dgda() : 0.0;
        for (int k = 0; k < n; ++k) top += dg[k] * s[k];
        for (int k = 0; k + 1 < n; ++k) d[k] = s[k + 1];
        d[n - 1] = lambda_ * top;
    }
    return true;
}

bool System::stateRhs(double x, const double *z, double *dz) {
    const bool sens = sensitivities_;
    sensitivities_ = false;
    const bool ok = (*this)(x, z, dz);
    sensitivities_ = sens;
    return ok;
}

bool System::jacobian(double x, const double *u, double *J, double *dfda) {
    double g = g_;
    if (!solveRoot(x, u, g, true)) return false;
    g_ = g;
    const int n = n_;
    for (int i = 0; i < n * n; ++i) J[i] = 0;
    for (int k = 0; k + 1 < n; ++k) J[k * n + k + 1] = 1;
    for (int k = 0; k < n; ++k) J[(n - 1) * n + k] = lambda_ * top_.dgdz()[k];
    for (int k = 0; k + 1 < n; ++k) dfda[k] = 0;
    dfda[n - 1] = lambda_ * top_.dgda();
    return true;
}

void System::noteFailure(double x, TopSolver::Status st, const double *z, double g) {
    failure_.kind = st == TopSolver::Status::NonFinite ? FailKind::NonFinite : FailKind::Newton;
    failure_.fault = st == TopSolver::Status::NonFinite ? top_.lastFault() : std::string();
    failure_.x = x;
    const std::string top = n_ < 5 ? "Y" + std::string(size_t(n_), '\'') : "Y^(n)";
    std::string d;
    for (int k = 0; k < n_; ++k)
        d += (k ? ", " : "") + std::string(k == 0 ? "Y" : "Y" + std::string(size_t(k), '\'')) +
             " = " + formatNumber(z[k]);
    switch (st) {
    case TopSolver::Status::NonFinite:
        d += "; the equation's value is " + formatNumber(top_.lastResidual()) +
             " (not a finite number) at " + top + " = " + formatNumber(g);
        break;
    case TopSolver::Status::FlatDerivative:
        d += "; the equation does not change with its highest derivative there (dF/d" + top +
             " = 0, F = " + formatNumber(top_.lastResidual()) + ")";
        break;
    case TopSolver::Status::NoConvergence:
        d += "; Newton's last correction was " + formatNumber(top_.lastCorrection()) +
             " with F = " + formatNumber(top_.lastResidual()) + ", dF/d" + top + " = " +
             formatNumber(top_.lastSlope());
        break;
    case TopSolver::Status::Ok:
        break;
    }
    failure_.detail = d;
}

}  // namespace quadrel::solver
