#include "solver/Integrator.h"

#include <cvodes/cvodes.h>
#include <sunlinsol/sunlinsol_dense.h>
#include <sunmatrix/sunmatrix_dense.h>

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace quadrel::solver {

std::string formatNumber(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

// ---------------------------------------------------------------- TopSolver

TopSolver::TopSolver(const notation::Equation &eq, int order, double zero)
    : eq_(eq), n_(order), zero_(zero), y_(size_t(order) + 1), dY_(size_t(order) + 1),
      dg_(size_t(order)) {}

TopSolver::Status TopSolver::solve(double x, const double *z, double a, double &g) {
    ++solves;
    for (int k = 0; k < n_; ++k) y_[size_t(k)] = z[k];
    double gk = g;
    double goodG = gk, goodStep = 0;
    double prevStep = HUGE_VAL, lastStep = HUGE_VAL;
    int halvings = 0;
    int corrections = 0;
    for (int it = 0; it < kMaxIterations; ++it) {
        y_[size_t(n_)] = gk;
        double dX = 0, dA = 0;
        const double F = eq_.residualWithGradient(x, y_.data(), a, dY_.data(), &dX, &dA);
        ++evaluations;
        const double Fn = dY_[size_t(n_)];
        if (!std::isfinite(F) || !std::isfinite(Fn) || !std::isfinite(dA)) {
            lastF_ = F;
            lastFn_ = Fn;
            if (corrections == 0 || halvings >= 40) return Status::NonFinite;
            // The last correction left the domain of the equation: go half as far.
            goodStep *= 0.5;
            gk = goodG - goodStep;
            ++halvings;
            continue;
        }
        bool finiteGradient = true;
        for (int k = 0; k < n_; ++k) finiteGradient = finiteGradient && std::isfinite(dY_[size_t(k)]);
        if (!finiteGradient) {
            lastF_ = F;
            lastFn_ = Fn;
            return Status::NonFinite;
        }
        if (Fn == 0) {
            lastF_ = F;
            lastFn_ = Fn;
            return Status::FlatDerivative;
        }
        const double step = F / Fn;
        for (int k = 0; k < n_; ++k) dg_[size_t(k)] = -dY_[size_t(k)] / Fn;
        dga_ = -dA / Fn;
        goodG = gk;
        goodStep = step;
        gk -= step;
        ++corrections;
        ++iterations;
        lastStep = std::fabs(step);
        lastF_ = F;
        lastFn_ = Fn;
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

// ---------------------------------------------------------------- Integrator

namespace {

double maxAbs(const double *v, int n) {
    double m = 0;
    for (int k = 0; k < n; ++k) {
        if (!std::isfinite(v[k])) return HUGE_VAL;
        m = std::max(m, std::fabs(v[k]));
    }
    return m;
}

}  // namespace

Integrator::Integrator(const notation::Equation &eq, int order, bool fitA, int stepsLim,
                       double zero)
    : eq_(eq), n_(order), fitA_(fitA), nParams_(order + (fitA ? 1 : 0)), stepsLim_(stepsLim),
      top_(eq, order, zero), cacheZ_(size_t(order)), cacheDg_(size_t(order)),
      zTmp_(size_t(order)) {
    SUNContext_Create(nullptr, &ctx_);
    y_ = N_VNew_Serial(n_, ctx_);
    // Fused vector operations: one call per Nordsieck update instead of one per column,
    // which is most of the cost for systems this small.
    N_VEnableFusedOps_Serial(y_, SUNTRUE);
    tmp_ = N_VNew_Serial(n_, ctx_);
    A_ = SUNDenseMatrix(n_, n_, ctx_);
    LS_ = SUNLinSol_Dense(y_, A_, ctx_);
    yS_ = N_VCloneVectorArray(nParams_, y_);
    ySTmp_ = N_VCloneVectorArray(nParams_, y_);
}

Integrator::~Integrator() {
    freeMemory();
    N_VDestroyVectorArray(yS_, nParams_);
    N_VDestroyVectorArray(ySTmp_, nParams_);
    SUNLinSolFree(LS_);
    SUNMatDestroy(A_);
    N_VDestroy(tmp_);
    N_VDestroy(y_);
    SUNContext_Free(&ctx_);
}

void Integrator::freeMemory() {
    if (mem_) CVodeFree(&mem_);
    mem_ = nullptr;
    sensInit_ = false;
    sensOn_ = false;
}

void Integrator::ensureMemory(bool sens) {
    if (mem_ && memMethod_ != method_) freeMemory();
    if (!mem_) {
        mem_ = CVodeCreate(method_ == Method::Bdf ? CV_BDF : CV_ADAMS, ctx_);
        memMethod_ = method_;
        CVodeInit(mem_, rhsFn, 0.0, y_);
        CVodeSetUserData(mem_, this);
        CVodeSetErrHandlerFn(mem_, errFn, this);
        CVodeSetLinearSolver(mem_, LS_, A_);
        CVodeSetJacFn(mem_, jacFn);
        CVodeSetMaxHnilWarns(mem_, -1);
    }
    (void)sens;
}

double Integrator::chooseMethod(double x0, const double *z0, double a, double g0,
                                double range) {
    a_ = a;
    double g = g0;
    if (top_.solve(x0, z0, a, g) != TopSolver::Status::Ok) {
        method_ = Method::Adams;
        return 0;
    }
    Eigen::MatrixXd J = Eigen::MatrixXd::Zero(n_, n_);
    for (int k = 0; k + 1 < n_; ++k) J(k, k + 1) = 1;
    for (int k = 0; k < n_; ++k) J(n_ - 1, k) = top_.dgdz()[k];
    double decay = 0;
    if (J.allFinite()) {
        Eigen::EigenSolver<Eigen::MatrixXd> es(J, false);
        if (es.info() == Eigen::Success)
            for (int k = 0; k < n_; ++k) decay = std::max(decay, -es.eigenvalues()[k].real());
    }
    const double ratio = decay * std::fabs(range);
    method_ = ratio > kStiffRatio ? Method::Bdf : Method::Adams;
    return ratio;
}

PassOutput Integrator::run(const PassSetup &setup) {
    PassOutput out = runOnce(setup);
    if (out.failure.kind == FailKind::StepsLim && method_ == Method::Adams) {
        // Adams needing that many steps is the mark of a stiff problem: BDF, once.
        method_ = Method::Bdf;
        ++methodSwitches;
        PassOutput again = runOnce(setup);
        if (again.failure.kind == FailKind::None ||
            again.failure.kind != FailKind::StepsLim || again.reached >= out.reached)
            return again;
        method_ = Method::Adams;  // BDF got less far: report the Adams pass
        --methodSwitches;
    }
    return out;
}

PassOutput Integrator::runOnce(const PassSetup &s) {
    ++passes;
    const size_t np = s.points.size();
    PassOutput out;
    out.y.assign(np * size_t(n_ + 1), 0.0);
    if (s.sensitivities) out.dYdp.assign(np * size_t(nParams_), 0.0);
    out.done.assign(np, false);
    a_ = s.a;

    std::vector<size_t> fwd, bwd;
    for (size_t i = 0; i < np; ++i) {
        if (s.points[i] == s.x0) {
            for (int k = 0; k < n_; ++k) out.y[i * size_t(n_ + 1) + size_t(k)] = s.z0[size_t(k)];
            out.y[i * size_t(n_ + 1) + size_t(n_)] = s.g0;
            if (s.sensitivities) out.dYdp[i * size_t(nParams_)] = 1.0;
            out.done[i] = true;
            ++out.reached;
        } else if (s.points[i] > s.x0) {
            fwd.push_back(i);
        } else {
            bwd.push_back(i);
        }
    }
    std::sort(fwd.begin(), fwd.end(),
              [&](size_t l, size_t r) { return s.points[l] < s.points[r]; });
    std::sort(bwd.begin(), bwd.end(),
              [&](size_t l, size_t r) { return s.points[l] > s.points[r]; });
    // The direction of the plot first, so that a failure leaves the plotted part done.
    if (s.backwardFirst) {
        if (!bwd.empty() && !integrateDirection(s, bwd, -1, out)) return out;
        if (!fwd.empty() && !integrateDirection(s, fwd, +1, out)) return out;
    } else {
        if (!fwd.empty() && !integrateDirection(s, fwd, +1, out)) return out;
        if (!bwd.empty() && !integrateDirection(s, bwd, -1, out)) return out;
    }
    return out;
}

bool Integrator::integrateDirection(const PassSetup &s, const std::vector<size_t> &order,
                                    double dir, PassOutput &out) {
    ensureMemory(s.sensitivities);
    double *y = N_VGetArrayPointer(y_);
    for (int k = 0; k < n_; ++k) y[k] = s.z0[size_t(k)];
    g_ = s.g0;
    cacheValid_ = false;
    cbStatus_ = TopSolver::Status::Ok;
    cvodeMessage_.clear();

    CVodeReInit(mem_, s.x0, y_);
    // Absolute tolerances scaled by the size of each initial value.
    double *atol = N_VGetArrayPointer(tmp_);
    for (int k = 0; k < n_; ++k) atol[k] = kAbsTol * std::max(1.0, std::fabs(s.z0[size_t(k)]));
    CVodeSVtolerances(mem_, kRelTol, tmp_);

    if (s.sensitivities) {
        for (int j = 0; j < nParams_; ++j) {
            double *v = N_VGetArrayPointer(yS_[j]);
            for (int k = 0; k < n_; ++k) v[k] = (j == k) ? 1.0 : 0.0;
        }
        if (!sensInit_) {
            CVodeSensInit(mem_, nParams_, CV_STAGGERED, sensFn, yS_);
            sensInit_ = true;
        } else {
            CVodeSensReInit(mem_, CV_STAGGERED, yS_);
        }
        CVodeSensEEtolerances(mem_);
        CVodeSetSensErrCon(mem_, SUNFALSE);
        sensOn_ = true;
    } else if (sensOn_) {
        CVodeSensToggleOff(mem_);
        sensOn_ = false;
    }

    const double xEnd = s.points[order.back()];
    CVodeSetStopTime(mem_, xEnd);

    const double scale0 = std::max(1.0, maxAbs(s.z0.data(), n_));
    double intervalStartMax = scale0;
    double intervalStartX = s.x0;
    size_t next = 0;
    long stepsInInterval = 0;
    long stepsBefore = 0;
    CVodeGetNumSteps(mem_, &stepsBefore);
    double t = s.x0;
    auto finishStats = [&]() {
        long ns = 0, nf = 0, nj = 0;
        CVodeGetNumSteps(mem_, &ns);
        CVodeGetNumRhsEvals(mem_, &nf);
        CVodeGetNumJacEvals(mem_, &nj);
        out.steps += ns;
        steps += ns;
        rhsEvals += nf;
        jacEvals += nj;
    };

    while (next < order.size()) {
        const int flag = CVode(mem_, xEnd, y_, &t, CV_ONE_STEP);
        if (flag < 0) {
            finishStats();
            PassFailure &f = out.failure;
            f.x = t;
            const double now = maxAbs(y, n_);
            if (now > 1e6 * intervalStartMax || !std::isfinite(now)) {
                f.kind = FailKind::BlowUp;
                f.detail = "|" + std::string("Y") + "...| grew from " +
                           formatNumber(intervalStartMax) + " to " + formatNumber(now);
            } else if (cbStatus_ == TopSolver::Status::NonFinite) {
                f.kind = FailKind::NonFinite;
                f.x = cbX_;
                f.detail = cbDetail_;
            } else if (cbStatus_ != TopSolver::Status::Ok) {
                f.kind = FailKind::Newton;
                f.x = cbX_;
                f.detail = cbDetail_;
            } else {
                f.kind = FailKind::Integrator;
                f.detail = cvodeMessage_.empty() ? std::string(CVodeGetReturnFlagName(flag))
                                                 : cvodeMessage_;
            }
            return false;
        }
        ++stepsInInterval;
        double h = 0;
        CVodeGetLastStep(mem_, &h);
        const double now = maxAbs(y, n_);
        if (!std::isfinite(now) ||
            (now > kBlowUpFactor * scale0 &&
             std::fabs(h) < 1e-6 * std::max(std::fabs(t - s.x0), 1e-300))) {
            finishStats();
            out.failure = {FailKind::BlowUp, t,
                           "the largest of Y..Y^(n-1) reached " + formatNumber(now) +
                               " with steps of " + formatNumber(std::fabs(h))};
            return false;
        }
        if (s.stepOut > 0 && s.progress) {
            long ns = 0;
            CVodeGetNumSteps(mem_, &ns);
            if ((ns - stepsBefore) % s.stepOut == 0) s.progress(ns - stepsBefore, t, y, h);
        }
        while (next < order.size() && (t - s.points[order[next]]) * dir >= 0) {
            const size_t i = order[next];
            const double xp = s.points[i];
            double *row = &out.y[i * size_t(n_ + 1)];
            if (t == xp) {
                for (int k = 0; k < n_; ++k) row[k] = y[k];
            } else {
                CVodeGetDky(mem_, xp, 0, tmp_);
                const double *v = N_VGetArrayPointer(tmp_);
                for (int k = 0; k < n_; ++k) row[k] = v[k];
            }
            double g = g_;
            const auto st = top_.solve(xp, row, a_, g);
            if (st != TopSolver::Status::Ok) {
                finishStats();
                noteFailure(xp, st, row, g);
                out.failure = {st == TopSolver::Status::NonFinite ? FailKind::NonFinite
                                                                  : FailKind::Newton,
                               xp, cbDetail_};
                return false;
            }
            g_ = g;
            row[n_] = g;
            if (s.sensitivities) {
                CVodeGetSensDky(mem_, xp, 0, ySTmp_);
                for (int j = 0; j < nParams_; ++j)
                    out.dYdp[i * size_t(nParams_) + size_t(j)] = N_VGetArrayPointer(ySTmp_[j])[0];
            }
            out.done[i] = true;
            ++out.reached;
            ++next;
            stepsInInterval = 0;
            intervalStartMax = std::max(1.0, maxAbs(row, n_));
            intervalStartX = xp;
        }
        if (next < order.size() && stepsInInterval >= stepsLim_) {
            finishStats();
            out.failure.kind = FailKind::StepsLim;
            out.failure.x = t;
            out.failure.detail = "more than " + std::to_string(stepsLim_) +
                                 " steps from x = " + formatNumber(intervalStartX) +
                                 " toward x = " + formatNumber(s.points[order[next]]) +
                                 "; stopped at x = " + formatNumber(t) + " with steps of " +
                                 formatNumber(std::fabs(h));
            // Growth with collapsing steps is how an approaching singularity looks.
            const double span = std::fabs(s.points[order[next]] - intervalStartX);
            if (now > 2 * intervalStartMax && std::fabs(h) < 1e-2 * span)
                out.failure.detail += "; the solution grew from " +
                                      formatNumber(intervalStartMax) + " to " +
                                      formatNumber(now) + " while the steps shrank: it may "
                                      "blow up near x = " + formatNumber(t);
            return false;
        }
    }
    finishStats();
    return true;
}

void Integrator::noteFailure(double t, TopSolver::Status st, const double *z, double g) {
    cbStatus_ = st;
    cbX_ = t;
    std::string d;
    for (int k = 0; k < n_; ++k)
        d += (k ? ", " : "") + std::string(k == 0 ? "Y" : "Y" + std::string(size_t(k), '\'')) +
             " = " + formatNumber(z[k]);
    switch (st) {
    case TopSolver::Status::NonFinite:
        d += "; the equation's value is " + formatNumber(top_.lastResidual()) +
             " (not a finite number) at " + (n_ < 5 ? "Y" + std::string(size_t(n_), '\'') : "Y^(n)") +
             " = " + formatNumber(g);
        break;
    case TopSolver::Status::FlatDerivative:
        d += "; the equation does not change with its highest derivative there (dF/dY" +
             std::string(size_t(n_), '\'') + " = 0, F = " + formatNumber(top_.lastResidual()) +
             ")";
        break;
    case TopSolver::Status::NoConvergence:
        d += "; Newton's last correction was " + formatNumber(top_.lastCorrection()) +
             " with F = " + formatNumber(top_.lastResidual()) + ", dF/dY" +
             std::string(size_t(n_), '\'') + " = " + formatNumber(top_.lastSlope());
        break;
    case TopSolver::Status::Ok:
        break;
    }
    cbDetail_ = d;
}

bool Integrator::gradientAt(double t, const double *z) {
    if (cacheValid_ && t == cacheT_ && std::equal(z, z + n_, cacheZ_.begin())) return true;
    double g = g_;
    const auto st = top_.solve(t, z, a_, g);
    if (st != TopSolver::Status::Ok) {
        noteFailure(t, st, z, g);
        cacheValid_ = false;
        return false;
    }
    g_ = g;
    cacheValid_ = true;
    cacheT_ = t;
    std::copy(z, z + n_, cacheZ_.begin());
    std::copy(top_.dgdz(), top_.dgdz() + n_, cacheDg_.begin());
    cacheDga_ = top_.dgda();
    return true;
}

int Integrator::rhsFn(sunrealtype t, N_Vector y, N_Vector ydot, void *user) {
    auto *self = static_cast<Integrator *>(user);
    const double *z = N_VGetArrayPointer(y);
    double *d = N_VGetArrayPointer(ydot);
    const int n = self->n_;
    if (!self->gradientAt(t, z)) return 1;  // recoverable: CVODES tries a smaller step
    for (int k = 0; k + 1 < n; ++k) d[k] = z[k + 1];
    d[n - 1] = self->g_;
    return 0;
}

int Integrator::jacFn(sunrealtype t, N_Vector y, N_Vector, SUNMatrix J, void *user, N_Vector,
                      N_Vector, N_Vector) {
    auto *self = static_cast<Integrator *>(user);
    const double *z = N_VGetArrayPointer(y);
    const int n = self->n_;
    if (!self->gradientAt(t, z)) return 1;
    SUNMatZero(J);
    for (int k = 0; k + 1 < n; ++k) SM_ELEMENT_D(J, k, k + 1) = 1.0;
    for (int k = 0; k < n; ++k) SM_ELEMENT_D(J, n - 1, k) = self->cacheDg_[size_t(k)];
    return 0;
}

int Integrator::sensFn(int ns, sunrealtype t, N_Vector y, N_Vector, N_Vector *yS,
                       N_Vector *ySdot, void *user, N_Vector, N_Vector) {
    auto *self = static_cast<Integrator *>(user);
    const double *z = N_VGetArrayPointer(y);
    const int n = self->n_;
    if (!self->gradientAt(t, z)) return 1;
    for (int j = 0; j < ns; ++j) {
        const double *s = N_VGetArrayPointer(yS[j]);
        double *d = N_VGetArrayPointer(ySdot[j]);
        double top = 0;
        for (int k = 0; k < n; ++k) top += self->cacheDg_[size_t(k)] * s[k];
        if (self->fitA_ && j == n) top += self->cacheDga_;
        for (int k = 0; k + 1 < n; ++k) d[k] = s[k + 1];
        d[n - 1] = top;
    }
    return 0;
}

void Integrator::errFn(int, const char *, const char *, char *msg, void *user) {
    static_cast<Integrator *>(user)->cvodeMessage_ = msg ? msg : "";
}

}  // namespace quadrel::solver
