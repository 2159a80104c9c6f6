#include "solver/Integrator.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>

namespace quadrel::solver {

namespace {

double maxAbs(const double *v, int n) {
    double m = 0;
    for (int k = 0; k < n; ++k) {
        if (!std::isfinite(v[k])) return HUGE_VAL;
        m = std::max(m, std::fabs(v[k]));
    }
    return m;
}

// The largest decay rate -Re(lambda) of the companion matrix of Y^(n) = c . z (n > 2).
// Matrix is a fixed-capacity type for the usual orders, so that no heap is touched.
template <class Matrix> double largestDecay(const double *c, int n) {
    Matrix J = Matrix::Zero(n, n);
    for (int k = 0; k + 1 < n; ++k) J(k, k + 1) = 1;
    for (int k = 0; k < n; ++k) J(n - 1, k) = c[k];
    double decay = 0;
    if (!J.allFinite()) return decay;
    Eigen::EigenSolver<Matrix> es(J, false);
    if (es.info() == Eigen::Success)
        for (int k = 0; k < n; ++k) decay = std::max(decay, -es.eigenvalues()[k].real());
    return decay;
}

// The same for n = 3 from the roots of lambda^3 - c2 lambda^2 - c1 lambda - c0 by
// Cardano's formulas: a tenth of the cost of the eigenvalue solver, and the estimate is
// only reported.
double largestDecay3(const double *c) {
    const double s = c[2] / 3;                       // lambda = mu + s
    const double p = -c[1] - c[2] * s;               // mu^3 + p mu + q = 0
    const double q = -c[0] - c[1] * s - 2 * s * s * s;
    const double disc = q * q / 4 + p * p * p / 27;
    if (!std::isfinite(disc)) return 0;
    if (disc > 0) {  // one real root; the complex pair has real part -mu1 / 2
        const double r = std::sqrt(disc);
        const double mu1 = std::cbrt(-q / 2 + r) + std::cbrt(-q / 2 - r);
        return std::max({0.0, -(mu1 + s), -(-mu1 / 2 + s)});
    }
    if (p == 0) return std::max(0.0, -s);            // a triple root
    const double m = 2 * std::sqrt(-p / 3);
    const double theta = std::acos(std::clamp(3 * q / (p * m), -1.0, 1.0)) / 3;
    double decay = 0;
    for (int k = 0; k < 3; ++k)
        decay = std::max(decay, -(m * std::cos(theta - 2 * M_PI * k / 3) + s));
    return decay;
}

}  // namespace

Integrator::Integrator(const notation::Equation &eq, int order, bool fitA, int stepsLim,
                       double zero)
    : n_(order), stepsLim_(stepsLim), sys_(eq, order, fitA, zero), dop_(sys_), fitA_(fitA) {}

Bdf &Integrator::bdf() {
    if (!bdf_) bdf_ = std::make_unique<Bdf>(sys_, n_, sys_.nParams(), fitA_);
    return *bdf_;
}

double Integrator::stiffness(double x0, const double *z0, double a, double g0, double range) {
    sys_.setA(a);
    double g = g0;
    if (sys_.top().solve(x0, z0, a, g) != TopSolver::Status::Ok) return 0;
    const double *c = sys_.top().dgdz();
    double decay = 0;
    if (n_ == 1) {
        decay = -c[0];
    } else if (n_ == 2) {
        // Y'' = c0 Y + c1 Y': lambda^2 - c1 lambda - c0 = 0.
        const double disc = c[1] * c[1] + 4 * c[0];
        decay = disc >= 0 ? -(c[1] - std::sqrt(disc)) / 2 : -c[1] / 2;
    } else if (n_ == 3) {
        decay = largestDecay3(c);
    } else if (n_ <= 8) {
        decay = largestDecay<Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, 8, 8>>(c, n_);
    } else {
        decay = largestDecay<Eigen::MatrixXd>(c, n_);
    }
    return decay * std::fabs(range);
}

PassOutput Integrator::run(const PassSetup &setup) {
    PassOutput out = runOnce(setup);
    if (out.failure.kind == FailKind::StepsLim && start_ == Method::Explicit) {
        // The explicit pair needing that many steps may be stiffness its test missed.
        start_ = Method::Bdf;
        PassOutput again = runOnce(setup);
        if (again.failure.kind != FailKind::StepsLim || again.reached > out.reached) {
            ++methodSwitches;
            return again;
        }
        start_ = Method::Explicit;  // BDF got no farther: report the explicit pass
        used_ = Method::Explicit;
    }
    return out;
}

PassOutput Integrator::runOnce(const PassSetup &s) {
    ++passes;
    const size_t np = s.points.size();
    const size_t nParams = size_t(sys_.nParams());
    PassOutput out;
    out.y.assign(np * size_t(n_ + 1), 0.0);
    out.nParams = nParams;
    out.order = size_t(n_);
    if (s.sensitivities) out.dZdp.assign(np * nParams * size_t(n_), 0.0);
    out.done.assign(np, false);

    std::vector<size_t> fwd, bwd;
    fwd.reserve(np);
    for (size_t i = 0; i < np; ++i) {
        if (s.points[i] == s.x0) {
            for (int k = 0; k < n_; ++k) out.y[i * size_t(n_ + 1) + size_t(k)] = s.z0[size_t(k)];
            out.y[i * size_t(n_ + 1) + size_t(n_)] = s.g0;
            for (size_t j = 0; s.sensitivities && j < size_t(n_); ++j)
                out.dZdp[(i * nParams + j) * size_t(n_) + j] = 1.0;  // dY^(j)/dY^(j)(x0)
            out.done[i] = true;
            ++out.reached;
        } else if (s.points[i] > s.x0) {
            fwd.push_back(i);
        } else {
            bwd.push_back(i);
        }
    }
    std::sort(fwd.begin(), fwd.end(), [&](size_t l, size_t r) { return s.points[l] < s.points[r]; });
    std::sort(bwd.begin(), bwd.end(), [&](size_t l, size_t r) { return s.points[l] > s.points[r]; });
    const long stepsBefore = steps();
    // The direction of the plot first, so that a failure leaves the plotted part done.
    const bool ok = s.backwardFirst
                        ? (bwd.empty() || integrateDirection(s, bwd, -1, out)) &&
                              (fwd.empty() || integrateDirection(s, fwd, +1, out))
                        : (fwd.empty() || integrateDirection(s, fwd, +1, out)) &&
                              (bwd.empty() || integrateDirection(s, bwd, -1, out));
    (void)ok;
    out.steps = steps() - stepsBefore;
    return out;
}

// Why a step failed: a blow-up when the solution has grown a millionfold since the last
// output point (or a billionfold since x0: a pole can sit on an output point), else the equation's own failure, else the integrator's words.
PassFailure Integrator::stepFailure(Stepper &st, double intervalStartMax) {
    PassFailure f;
    f.x = st.x();
    const double now = maxAbs(st.u(), n_);
    if (now > 1e6 * intervalStartMax || now > kBlowUpFactor * 1e-6 * scale0_ || !std::isfinite(now)) {
        f.kind = FailKind::BlowUp;
        const bool sinceX0 = !(now > 1e6 * intervalStartMax);
        f.detail = "|Y...| grew from " + formatNumber(sinceX0 ? scale0_ : intervalStartMax) +
                   (sinceX0 ? " at x0" : "") + " to " + formatNumber(now);
    } else if (sys_.failure().kind != FailKind::None) {
        f = sys_.failure();
    } else {
        f.kind = FailKind::Integrator;
        f.detail = st.message();
    }
    return f;
}

bool Integrator::integrateDirection(const PassSetup &s, const std::vector<size_t> &order,
                                    double dir, PassOutput &out) {
    const int n = n_;
    const int nParams = sys_.nParams();
    sys_.setSensitivities(s.sensitivities);
    sys_.setA(s.a);
    sys_.setRoot(s.g0);
    sys_.clearFailure();
    const int dim = sys_.dimension();
    u0_.assign(size_t(dim), 0.0);
    row_.assign(size_t(dim), 0.0);
    std::copy(s.z0.begin(), s.z0.end(), u0_.begin());
    for (int j = 0; s.sensitivities && j < n; ++j) u0_[size_t(n * (1 + j) + j)] = 1.0;
    // Absolute tolerances scaled by the size of each initial value.
    std::vector<double> &atol = atol_;
    atol.resize(size_t(n));
    for (int k = 0; k < n; ++k) atol[size_t(k)] = kAbsTol * std::max(1.0, std::fabs(s.z0[size_t(k)]));
    dop_.setTolerances(kRelTol, atol);
    if (start_ == Method::Bdf) bdf().setTolerances(kRelTol, atol);

    const double xEnd = s.points[order.back()];
    Stepper *st = start_ == Method::Bdf ? static_cast<Stepper *>(&bdf()) : &dop_;
    used_ = start_;
    if (!st->start(s.x0, u0_.data(), dim, xEnd)) {
        out.failure = stepFailure(*st, HUGE_VAL);
        return false;
    }
    const double scale0 = std::max(1.0, maxAbs(s.z0.data(), n));
    scale0_ = scale0;
    double intervalStartMax = scale0;
    double intervalStartX = s.x0;
    size_t next = 0;
    long stepsInInterval = 0, stepsInPass = 0;
    while (next < order.size()) {
        const Stepper::Result res = st->step();
        if (res == Stepper::Result::Failed) {
            out.failure = stepFailure(*st, intervalStartMax);
            return false;
        }
        ++stepsInInterval;
        ++stepsInPass;
        const double t = st->x(), h = st->lastStep();
        const double now = maxAbs(st->u(), n);
        if (!std::isfinite(now) ||
            (now > kBlowUpFactor * scale0 &&
             std::fabs(h) < 1e-6 * std::max(std::fabs(t - s.x0), 1e-300))) {
            out.failure = {FailKind::BlowUp, t,
                           "the largest of Y..Y^(n-1) reached " + formatNumber(now) +
                               " with steps of " + formatNumber(std::fabs(h))};
            return false;
        }
        if (s.stepOut > 0 && s.progress && stepsInPass % s.stepOut == 0)
            s.progress(stepsInPass, t, st->u(), h);
        while (next < order.size() && (t - s.points[order[next]]) * dir >= 0) {
            const size_t i = order[next];
            const double xp = s.points[i];
            st->interpolate(xp, row_.data());
            double g = sys_.root();
            if (!sys_.top().quickRoot(xp, row_.data(), s.a, g) &&
                !sys_.solveRoot(xp, row_.data(), g, false)) {
                out.failure = sys_.failure();
                return false;
            }
            double *y = &out.y[i * size_t(n + 1)];
            std::copy(row_.begin(), row_.begin() + n, y);
            y[n] = sys_.embedding() * g;
            for (int j = 0; s.sensitivities && j < nParams; ++j)
                std::copy_n(&row_[size_t(n * (1 + j))], n,
                            &out.dZdp[(i * size_t(nParams) + size_t(j)) * size_t(n)]);
            out.done[i] = true;
            ++out.reached;
            ++next;
            stepsInInterval = 0;
            intervalStartMax = std::max(1.0, maxAbs(y, n));
            intervalStartX = xp;
        }
        if (next < order.size() && stepsInInterval >= stepsLim_) {
            const double span = std::fabs(s.points[order[next]] - intervalStartX);
            // Growth with collapsing steps is how an approaching singularity looks.
            if (now > kGrowthAtLimit * intervalStartMax && std::fabs(h) < 1e-3 * span) {
                out.failure = {FailKind::BlowUp, t,
                               "the solution grew from " + formatNumber(intervalStartMax) +
                                   " at x = " + formatNumber(intervalStartX) + " to " +
                                   formatNumber(now) + " while the steps shrank to " +
                                   formatNumber(std::fabs(h))};
                return false;
            }
            out.failure = {FailKind::StepsLim, t,
                           "more than " + std::to_string(stepsLim_) + " steps from x = " +
                               formatNumber(intervalStartX) + " toward x = " +
                               formatNumber(s.points[order[next]]) + "; stopped at x = " +
                               formatNumber(t) + " with steps of " + formatNumber(std::fabs(h))};
            return false;
        }
        if (res == Stepper::Result::Stiff && st == &dop_ && next < order.size()) {
            // Stability, not accuracy, holds the explicit steps down: BDF takes over here.
            Bdf &b = bdf();
            b.setTolerances(kRelTol, atol);
            // BDF starts at order 1: a first step whose error, h^2 |Y''| / 2, is a tenth of
            // the tolerance's square root below it lets its orders build up at once.
            b.setInitialStep(0.1 * std::sqrt(2 * kRelTol / std::max(dop_.curvature(), 1e-300)));
            if (!b.start(t, st->u(), dim, xEnd)) {
                out.failure = stepFailure(b, intervalStartMax);
                return false;
            }
            st = &b;
            used_ = Method::Bdf;
            ++methodSwitches;
        }
    }
    return true;
}

}  // namespace quadrel::solver
