#include "solver/Solver.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace quadrel::solver {

namespace {

// A fit has converged to full precision when the largest relative correction of an
// unknown falls to this, or the next one, extrapolated from the last two, would;
// corrections are relative to max(|unknown|, 1).
constexpr double kFitTight = 1e-11;
// The residual a trial point gets when its integration fails: the fitter then rejects
// the step and shrinks its trust region.
constexpr double kFailedResidual = 1e100;

std::string dname(int k) { return derivativeName(k); }

// Everything the least-squares callbacks need.
struct FitContext {
    const Problem *p = nullptr;
    Integrator *integ = nullptr;
    Console *console = nullptr;
    PassSetup setup;
    size_t rows = 0;                 // residual rows (data points, padded to the unknowns)
    bool firstEval = true;
    long evalMax = 0;
    bool evalLimitHit = false;
    PassFailure firstFailure;        // a failure at the first guesses ends the fit
    double g0 = 0;                   // last root at x0
    bool g0Valid = false;
    // Residuals and Jacobian (rows x unknowns) of the last evaluation and the point they
    // belong to: a trial step below rounding repeats a point, which is not integrated again.
    std::vector<double> cachedF, cachedJ, cachedX;
};

// Solves for Y^(n) at x0: from the given guess, else from the last root, else 0, 1, -1.
bool rootAtX0(const Problem &p, Integrator &integ, const double *z0, double a, double &g,
              bool haveLast, double last) {
    std::vector<double> starts;
    if (p.topGuess) starts.push_back(*p.topGuess);
    if (haveLast) starts.push_back(last);
    if (!p.topGuess) {
        starts.push_back(0);
        starts.push_back(1);
        starts.push_back(-1);
    }
    for (double s : starts) {
        double t = s;
        if (integ.top().solve(p.x0, z0, a, t) == TopSolver::Status::Ok) {
            g = t;
            return true;
        }
    }
    return false;
}

int fitF(const gsl_vector *x, void *params, gsl_vector *f) {
    auto *c = static_cast<FitContext *>(params);
    const Problem &p = *c->p;
    const int n = p.order;
    const int np = c->integ->nParams();
    if (c->cachedX.size() == size_t(np) && std::equal(c->cachedX.begin(), c->cachedX.end(), x->data)) {
        for (size_t i = 0; i < c->rows; ++i) gsl_vector_set(f, i, c->cachedF[i]);
        return GSL_SUCCESS;
    }
    if (c->integ->passes >= c->evalMax) {
        c->evalLimitHit = true;
        return GSL_EMAXITER;
    }
    for (int k = 0; k < n; ++k) c->setup.z0[size_t(k)] = gsl_vector_get(x, size_t(k));
    c->setup.a = p.usesA ? gsl_vector_get(x, size_t(n)) : p.a;
    const bool first = c->firstEval;
    c->firstEval = false;

    double g = 0;
    PassOutput out;
    if (!rootAtX0(p, *c->integ, c->setup.z0.data(), c->setup.a, g, c->g0Valid, c->g0)) {
        ++c->integ->passes;  // counts as a model evaluation
        out.failure.kind = FailKind::Newton;
        out.failure.x = p.x0;
        out.failure.detail = "no root for " + dname(n) + " at x0";
    } else {
        c->setup.g0 = g;
        c->g0 = g;
        c->g0Valid = true;
        out = c->integ->run(c->setup);
    }
    if (out.failure.kind != FailKind::None) {
        if (first) {
            c->firstFailure = out.failure;
            return GSL_EBADFUNC;
        }
        for (size_t i = 0; i < c->rows; ++i) gsl_vector_set(f, i, kFailedResidual);
        c->cachedX.clear();
        return GSL_SUCCESS;
    }
    const size_t m = p.dataX.size();
    c->cachedJ.assign(c->rows * size_t(np), 0.0);
    for (size_t i = 0; i < c->rows; ++i) {
        if (i < m) {
            gsl_vector_set(f, i, out.y[i * size_t(n + 1)] - p.dataY[i]);
            for (int j = 0; j < np; ++j)
                c->cachedJ[i * size_t(np) + size_t(j)] = out.dYdp[i * size_t(np) + size_t(j)];
        } else {
            gsl_vector_set(f, i, 0.0);
        }
    }
    c->cachedX.assign(x->data, x->data + np);
    c->cachedF.assign(f->data, f->data + c->rows);
    return GSL_SUCCESS;
}

int fitDf(const gsl_vector *x, void *params, gsl_matrix *J) {
    auto *c = static_cast<FitContext *>(params);
    const size_t np = size_t(c->integ->nParams());
    bool same = c->cachedX.size() == np;
    for (size_t j = 0; same && j < np; ++j) same = c->cachedX[j] == gsl_vector_get(x, j);
    if (!same) {
        // The fitter asks for the Jacobian of a point it did not just evaluate.
        gsl_vector *tmp = gsl_vector_alloc(c->rows);
        const int st = fitF(x, params, tmp);
        gsl_vector_free(tmp);
        if (st != GSL_SUCCESS) return st;
        if (c->cachedX.size() != np) return GSL_EBADFUNC;
    }
    for (size_t i = 0; i < c->rows; ++i)
        for (size_t j = 0; j < np; ++j) gsl_matrix_set(J, i, j, c->cachedJ[i * np + j]);
    return GSL_SUCCESS;
}

double relativeCorrection(const gsl_vector *x, const gsl_vector *dx) {
    double m = 0;
    for (size_t j = 0; j < x->size; ++j)
        m = std::max(m, std::fabs(gsl_vector_get(dx, j)) /
                            std::max(std::fabs(gsl_vector_get(x, j)), 1.0));
    return m;
}

std::string failureMessage(const PassFailure &f, const Problem &p, const std::string &when) {
    const std::string x = formatNumber(f.x);
    const std::string top = dname(p.order);
    switch (f.kind) {
    case FailKind::NonFinite:
        return "Division by zero" + when + ": at x = " + x +
               " the equation has no finite value (" + f.detail +
               "). A division by zero, or a function outside its domain such as LOG or SQRT "
               "of a negative number, or an overflow. Try: keep x0, the plot points and the "
               "data points clear of x = " + x + ".";
    case FailKind::Newton:
        return "Newton's method found no " + top + when + " at x = " + x + ": " + f.detail +
               ". Try: give a starting guess for " + top +
               " as one more initial value (answer 4), keep the range clear of points where "
               "the equation does not depend on " + top + ", or raise ZERO (now " +
               formatNumber(p.controls.zero) + ").";
    case FailKind::BlowUp:
        return "The solution blows up" + when + " near x = " + x + ": " + f.detail +
               ". Try: a plot range that stops short of x = " + x +
               " (fewer plot points or a smaller Delta_x).";
    case FailKind::StepsLim:
        return "Limit STEPSLIM reached" + when + ": " + f.detail +
               ". Raise STEPSLIM (now " + std::to_string(p.controls.stepsLim) +
               ") in the solver variables; if the solution blows up or the equation is "
               "singular there, a plot range that stops short of it is the remedy instead.";
    case FailKind::Integrator:
        return "The integrator could not keep its error within tolerance" + when +
               " at x = " + x + " (" + f.detail +
               "). The equation may be singular there; try a plot range that stops short "
               "of x = " + x + ".";
    case FailKind::None:
        break;
    }
    return {};
}

}  // namespace

SolveResult solve(const Problem &p, Console *console) {
    const auto started = std::chrono::steady_clock::now();
    gsl_set_error_handler_off();
    SolveResult r;
    const int n = p.order;
    const Controls &c = p.controls;
    const bool bvp = p.isBvp();
    const bool fitA = bvp && p.usesA;
    Integrator integ(*p.equation, n, fitA, c.stepsLim, c.zero);
    auto say = [&](const std::string &s) {
        if (console) console->line(s);
    };

    r.initial = p.initial;
    r.a = p.a;

    // Plot points and the extent of the whole range.
    std::vector<double> plotX(size_t(p.nPoints));
    double range = 0;
    for (int k = 0; k < p.nPoints; ++k) {
        plotX[size_t(k)] = p.x0 + k * p.deltaX;
        range = std::max(range, std::fabs(plotX[size_t(k)] - p.x0));
    }
    for (double x : p.dataX) range = std::max(range, std::fabs(x - p.x0));

    auto finish = [&]() {
        r.method = integ.method();
        r.passes = integ.passes;
        r.steps = integ.steps;
        r.rhsEvals = integ.rhsEvals;
        r.jacEvals = integ.jacEvals;
        r.methodSwitches = integ.methodSwitches;
        r.equationEvals = integ.top().evaluations;
        r.newtonIterations = integ.top().iterations;
        r.milliseconds = std::chrono::duration<double, std::milli>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    };

    // Y^(n) at x0 from the first guesses, and the choice of method.
    double g0 = 0;
    if (!rootAtX0(p, integ, p.initial.data(), p.a, g0, false, 0)) {
        PassFailure f;
        f.kind = integ.top().lastResidual() == integ.top().lastResidual() &&
                         std::isfinite(integ.top().lastResidual())
                     ? FailKind::Newton
                     : FailKind::NonFinite;
        f.x = p.x0;
        f.detail = "at x0 with the " + std::string(bvp ? "first guesses" : "initial values") +
                   (f.kind == FailKind::Newton
                        ? ", starting from " +
                              (p.topGuess ? formatNumber(*p.topGuess) : std::string("0, 1 and -1"))
                        : std::string());
        r.stop = Stop::Failed;
        r.message = failureMessage(f, p, "");
        r.stoppedBecause = "the equation could not be solved for " + dname(n) + " at x0.";
        r.rowDone.assign(size_t(p.nPoints), false);
        r.table.assign(size_t(p.nPoints) * size_t(n + 1), 0.0);
        finish();
        return r;
    }
    r.stiffness = integ.chooseMethod(p.x0, p.initial.data(), p.a, g0, range);
    r.topAtX0 = g0;

    // ---- The fit.
    if (bvp) {
        r.fitted = true;
        const size_t m = p.dataX.size();
        const size_t np = size_t(integ.nParams());
        r.underdetermined = m < np;
        FitContext ctx;
        ctx.p = &p;
        ctx.integ = &integ;
        ctx.console = console;
        ctx.rows = std::max(m, np);
        ctx.evalMax = c.evalMax;
        ctx.g0 = g0;
        ctx.g0Valid = true;
        ctx.setup.x0 = p.x0;
        ctx.setup.z0 = p.initial;
        ctx.setup.points = p.dataX;
        ctx.setup.sensitivities = true;

        gsl_multifit_nlinear_fdf fdf{};
        fdf.f = fitF;
        fdf.df = fitDf;
        fdf.fvv = nullptr;
        fdf.n = ctx.rows;
        fdf.p = np;
        fdf.params = &ctx;
        gsl_multifit_nlinear_parameters params = gsl_multifit_nlinear_default_parameters();
        // Powell's dogleg takes the full Gauss-Newton step whenever it fits the trust
        // region, so from good guesses the fit converges quadratically (a problem linear in
        // its unknowns in two or three iterations). With fewer points than unknowns the
        // Gauss-Newton step is not unique: Levenberg-Marquardt with unit scaling keeps
        // every step in the row space of the Jacobian, so the fit changes the first
        // guesses least (the minimum-norm correction).
        params.trs = r.underdetermined ? gsl_multifit_nlinear_trs_lm
                                       : gsl_multifit_nlinear_trs_dogleg;
        params.solver = gsl_multifit_nlinear_solver_svd;
        // With fewer points than unknowns, steps measured in the unknowns themselves keep
        // the fit to the smallest change of the first guesses.
        params.scale = r.underdetermined ? gsl_multifit_nlinear_scale_levenberg
                                         : gsl_multifit_nlinear_scale_more;
        gsl_multifit_nlinear_workspace *w =
            gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &params, ctx.rows, np);
        gsl_vector *x = gsl_vector_alloc(np);
        for (int k = 0; k < n; ++k) gsl_vector_set(x, size_t(k), p.initial[size_t(k)]);
        if (fitA) gsl_vector_set(x, size_t(n), p.a);

        auto sumSquares = [&]() {
            double s = 0;
            gsl_blas_ddot(w->f, w->f, &s);
            return s;
        };
        auto unknowns = [&](const gsl_vector *v) {
            return std::vector<double>(v->data, v->data + np);
        };

        int st = gsl_multifit_nlinear_init(x, &fdf, w);
        bool converged = false, haveFit = st == GSL_SUCCESS;
        if (st != GSL_SUCCESS) {
            r.stop = Stop::Failed;
            if (ctx.evalLimitHit) {
                r.stop = Stop::LimitReached;
                r.limitName = "EVALMAX";
            }
            r.message = ctx.firstFailure.kind != FailKind::None
                            ? failureMessage(ctx.firstFailure, p, " with the first guesses")
                            : "Limit EVALMAX reached before the first integration pass. Raise "
                              "EVALMAX (now " + std::to_string(c.evalMax) + ").";
            r.stoppedBecause = "the first guesses could not be integrated.";
        } else {
            say("Fit: " + std::to_string(np) + " unknowns, " + std::to_string(m) +
                " data points, sum of squares " + formatNumber(sumSquares()));
            double prevCorrection = HUGE_VAL;
            for (int it = 1; it <= c.remax; ++it) {
                st = gsl_multifit_nlinear_iterate(w);
                if (st == GSL_ENOPROG) {
                    // No step lowers the sum of squares any more.
                    r.stoppedBecause = "no step lowered the sum of squares any further";
                    converged = r.lastCorrection <= c.accuracy;
                    break;
                }
                if (st != GSL_SUCCESS) break;
                r.fitIterations = it;
                r.lastCorrection = relativeCorrection(w->x, w->dx);
                IterationReport rep;
                rep.iteration = it;
                rep.unknowns = unknowns(w->x);
                rep.sumSquares = sumSquares();
                rep.correction = r.lastCorrection;
                rep.passes = integ.passes;
                say("  iteration " + std::to_string(it) + ": sum of squares " +
                    formatNumber(rep.sumSquares) + ", largest relative correction " +
                    formatNumber(rep.correction));
                if (c.detail > 0 && it % c.detail == 0) r.reports.push_back(rep);
                // The next correction, extrapolated at the rate the last two show (a
                // quadratically converging fit does better still).
                const double nextCorrection =
                    it >= 2 && r.lastCorrection < prevCorrection
                        ? r.lastCorrection * r.lastCorrection / prevCorrection
                        : HUGE_VAL;
                if (r.lastCorrection <= kFitTight || nextCorrection <= kFitTight) {
                    converged = true;
                    r.stoppedBecause = "the largest relative correction of an unknown was " +
                                       formatNumber(r.lastCorrection) +
                                       (r.lastCorrection <= kFitTight
                                            ? std::string()
                                            : ", and the next one would be about " +
                                                  formatNumber(nextCorrection)) +
                                       ", below " + formatNumber(kFitTight) +
                                       ": converged to full precision";
                    break;
                }
                if (it >= 3 && r.lastCorrection >= prevCorrection &&
                    r.lastCorrection <= c.accuracy) {
                    converged = true;
                    r.stoppedBecause = "the corrections stopped shrinking at " +
                                       formatNumber(r.lastCorrection) +
                                       " (rounding level), within ACCURACY";
                    break;
                }
                prevCorrection = r.lastCorrection;
            }
            if (st != GSL_SUCCESS && st != GSL_ENOPROG) {
                if (ctx.evalLimitHit) {
                    r.stop = Stop::LimitReached;
                    r.limitName = "EVALMAX";
                    r.message = "Limit EVALMAX reached: " + std::to_string(integ.passes) +
                                " integration passes were made. Raise EVALMAX (now " +
                                std::to_string(c.evalMax) + "); the best fit so far is shown.";
                    r.stoppedBecause = "EVALMAX integration passes were used up.";
                } else {
                    r.stop = Stop::Failed;
                    r.message = std::string("The fit failed: ") + gsl_strerror(st) + ".";
                    r.stoppedBecause = "the fitter reported an error.";
                }
            } else if (!converged && r.stoppedBecause.empty()) {
                if (r.lastCorrection <= c.accuracy) {
                    converged = true;
                    r.stoppedBecause = "REMAX iterations were done and the last relative "
                                       "correction, " + formatNumber(r.lastCorrection) +
                                       ", is within ACCURACY (" + formatNumber(c.accuracy) +
                                       "); more iterations (a larger REMAX) would add digits";
                } else {
                    r.stop = Stop::LimitReached;
                    r.limitName = "REMAX";
                    r.message = "Limit REMAX reached: after " + std::to_string(r.fitIterations) +
                                " iterations the largest relative correction was still " +
                                formatNumber(r.lastCorrection) + ", above ACCURACY (" +
                                formatNumber(c.accuracy) + "). Raise REMAX (now " +
                                std::to_string(c.remax) +
                                ") or give better first guesses; the best fit so far is shown.";
                    r.stoppedBecause = "REMAX iterations were used up before the fit converged.";
                }
            } else if (!converged) {
                r.stop = Stop::Failed;
                r.message = "The fit stalled: no step lowers the sum of squares, but the last "
                            "relative correction, " + formatNumber(r.lastCorrection) +
                            ", is above ACCURACY (" + formatNumber(c.accuracy) +
                            "). Try other first guesses, or raise ACCURACY.";
            }
        }
        if (haveFit) {
            for (int k = 0; k < n; ++k) r.initial[size_t(k)] = gsl_vector_get(w->x, size_t(k));
            if (fitA) r.a = gsl_vector_get(w->x, size_t(n));
            r.sumSquares = sumSquares();
            g0 = ctx.g0;
        }
        if (r.stoppedBecause.size() && r.stoppedBecause.back() != '.') r.stoppedBecause += ".";
        gsl_vector_free(x);
        gsl_multifit_nlinear_free(w);
        if (!haveFit) {
            r.rowDone.assign(size_t(p.nPoints), false);
            r.table.assign(size_t(p.nPoints) * size_t(n + 1), 0.0);
            r.dataFitted.assign(m, std::numeric_limits<double>::quiet_NaN());
            finish();
            return r;
        }
        if (r.underdetermined && r.ok())
            r.stoppedBecause += " Fewer data points than unknowns: the fit is not unique; "
                                "this is the one closest to the first guesses.";
    }

    // ---- The final pass: plot points and data points.
    double gFinal = g0;
    if (!rootAtX0(p, integ, r.initial.data(), r.a, gFinal, true, g0)) gFinal = g0;
    r.topAtX0 = gFinal;
    PassSetup s;
    s.x0 = p.x0;
    s.z0 = r.initial;
    s.a = r.a;
    s.g0 = gFinal;
    s.points = plotX;
    s.points.insert(s.points.end(), p.dataX.begin(), p.dataX.end());
    s.backwardFirst = p.deltaX < 0;
    s.stepOut = c.stepOut;
    s.progress = [&](long step, double x, const double *z, double h) {
        say("  step " + std::to_string(step) + ": x = " + formatNumber(x) + ", Y = " +
            formatNumber(z[0]) + ", step size " + formatNumber(std::fabs(h)));
    };
    say("Integrating " + std::to_string(p.nPoints) + " plot points from x = " +
        formatNumber(p.x0) + " (" + (integ.method() == Method::Bdf ? "BDF" : "Adams") + ")");
    PassOutput out = integ.run(s);
    const size_t rowLen = size_t(n + 1);
    r.table.assign(out.y.begin(), out.y.begin() + long(plotX.size() * rowLen));
    r.rowDone.assign(out.done.begin(), out.done.begin() + long(plotX.size()));
    r.dataFitted.clear();
    for (size_t i = 0; i < p.dataX.size(); ++i) {
        const size_t idx = plotX.size() + i;
        r.dataFitted.push_back(out.done[idx] ? out.y[idx * rowLen]
                                             : std::numeric_limits<double>::quiet_NaN());
    }
    if (out.failure.kind != FailKind::None) {
        const std::string msg = failureMessage(out.failure, p, "");
        if (r.ok() || r.stop == Stop::LimitReached) {
            // The pass failure is what the student must act on first.
            const bool limit = out.failure.kind == FailKind::StepsLim;
            if (r.ok()) {
                r.stop = limit ? Stop::LimitReached : Stop::Failed;
                if (limit) r.limitName = "STEPSLIM";
                r.message = msg;
            } else {
                r.message += "\n" + msg;
            }
            r.stoppedBecause = limit ? "STEPSLIM steps were used up between two output points."
                                     : "the integration failed at x = " +
                                           formatNumber(out.failure.x) + ".";
        } else {
            r.message += "\n" + msg;
        }
    } else if (!bvp) {
        r.stoppedBecause = "every plot point was reached.";
    }
    finish();
    return r;
}

}  // namespace quadrel::solver
