#include "solver/Solver.h"

#include "solver/Failures.h"
#include "solver/Shooting.h"

#include <Eigen/Dense>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>

namespace quadrel::solver {

namespace {

// A fit has converged to full precision when the largest relative correction of an
// unknown falls to kFitTight, or the next one, extrapolated from the last two, would;
// corrections are relative to max(|unknown|, 1). It has converged as well when every
// residual is at the integration's noise: at most kFitNoise * max(1, |Y data|), the error
// the integration tolerances leave in Y, so that no further step could tell better
// unknowns from worse ones.
constexpr double kFitTight = 1e-11;
constexpr double kFitNoise = 1e-12;
// Levenberg-Marquardt damping: a Gauss-Newton step that does not lower the sum of squares
// is retried with damping kLmStart * max diag(J^T J), raised kLmGrowth-fold per failed
// trial, at most kLmTrials times; every accepted step lowers it as much, and below
// kLmStart the fit is back to pure Gauss-Newton.
constexpr double kLmStart = 1e-3;
constexpr double kLmGrowth = 10;
constexpr int kLmTrials = 30;
// Single shooting hands the fit to multiple shooting when the sensitivities of Y grow more
// than kShootingGrowth-fold from x0 to a data point beyond what a polynomial solution
// would give (|x - x0|^j / j! for Y^(j)(x0)): the integration error grows as much, and
// the fit would keep too few correct digits. A multiple-shooting step that raises the
// residuals is halved, at most kHalvings times.
constexpr double kShootingGrowth = 10;
constexpr int kHalvings = 10;
// Continuation (Run::continuation): a stage has converged when the joins are matched and
// the last undamped correction is at most kStageTol (relative), within kStageIterations;
// the next stage needs only a start that close. The first step in lambda is
// kFirstLambdaStep; the continuation gives up after kMaxStages stages or when the step
// falls below kMinLambdaStep or kMinRelativeStep * lambda (a fold: no solution beyond).
constexpr double kStageTol = 1e-4;
constexpr int kStageIterations = 6;
constexpr double kFirstLambdaStep = 0.25;
constexpr int kMaxStages = 200;
constexpr double kMinLambdaStep = 1e-12;
constexpr double kMinRelativeStep = 1e-7;
// Once the step in lambda has fallen below kSplitBelow * lambda, a stage that fails in a
// segment splits that segment instead of shortening the step again.
constexpr double kSplitBelow = 1.0 / 16;

std::string dname(int k) { return derivativeName(k); }

// Solves for Y^(n) at x0: from the given guess, else from the last root, else 0, 1, -1.
bool rootAtX0(const Problem &p, Integrator &integ, const double *z0, double a, double &g,
              bool haveLast, double last) {
    TopSolver &top = integ.top();
    if (p.topGuess)
        return haveLast ? top.solveFromAny(p.x0, z0, a, {*p.topGuess, last}, g)
                        : top.solveFromAny(p.x0, z0, a, {*p.topGuess}, g);
    return haveLast ? top.solveFromAny(p.x0, z0, a, {last, 0.0, 1.0, -1.0}, g)
                    : top.solveFromAny(p.x0, z0, a, {0.0, 1.0, -1.0}, g);
}

std::string failureMessage(const PassFailure &f, const Problem &p, const std::string &when) {
    const std::string x = formatNumber(f.x);
    const std::string top = dname(p.order);
    switch (f.kind) {
    case FailKind::NonFinite:
        return (f.fault.empty() ? failureHeadline(f.kind) : f.fault) +
               when + ": at x = " + x +
               " the equation has no finite value (" + f.detail +
               "). A division by zero, or a function outside its domain such as LOG or SQRT "
               "of a negative number, or an overflow. Try: keep x0, the plot points and the "
               "data points clear of x = " + x + ".";
    case FailKind::Newton:
        return failureHeadline(f.kind) + " " + top + when + " at x = " + x + ": " + f.detail +
               ". Try: give a starting guess for " + top +
               " as one more initial value (answer 4), keep the range clear of points where "
               "the equation does not depend on " + top + ", or raise ZERO (now " +
               formatNumber(p.controls.zero) + ").";
    case FailKind::BlowUp:
        return failureHeadline(f.kind) + when + " near x = " + x + ": " + f.detail +
               ". Try: a plot range that stops short of x = " + x +
               " (fewer plot points or a smaller Delta_x).";
    case FailKind::StepsLim:
        return failureHeadline(f.kind) + when + ": " + f.detail +
               ". Raise STEPSLIM (now " + std::to_string(p.controls.stepsLim) +
               ") in the solver variables; if the solution blows up or the equation is "
               "singular there, a plot range that stops short of it is the remedy instead.";
    case FailKind::Integrator:
        return failureHeadline(f.kind) + when +
               " at x = " + x + " (" + f.detail +
               "). The equation may be singular there; try a plot range that stops short "
               "of x = " + x + ".";
    case FailKind::None:
        break;
    }
    return {};
}

// The residuals and their Jacobian at one set of unknowns.
struct FitPoint {
    Eigen::VectorXd u, r;
    Eigen::MatrixXd J;
    double sumSquares = HUGE_VAL;
    double g0 = 0;               // Y^(n) at x0
    bool ok = false;
    PassFailure failure;
};

// One run of the solver: each stage below is one step of solve().
class Run {
public:
    Run(const Problem &p, Console *console)
        : p_(p), console_(console),
          integ_(*p.equation, p.order, p.isBvp() && p.usesA, p.controls.stepsLim,
                 p.controls.zero),
          started_(std::chrono::steady_clock::now()) {}

    bool setUp();
    bool fit();
    void finalPass();
    SolveResult summary();

private:
    void say(const std::string &s) {
        if (console_) console_->line(s);
    }
    bool evaluate(const Eigen::VectorXd &u, FitPoint &fp);
    bool evaluate(const Eigen::VectorXd &u, Shooting::Point &pt);
    bool atNoise(const Eigen::VectorXd &r) const;
    double growth(const FitPoint &fp) const;
    Eigen::VectorXd step(const FitPoint &fp, double lambda) const;
    bool shootingFit(const FitPoint &from, double grows, const std::string &why, int it);
    bool shootingSteps(Shooting::Point &cur, int it, int lastIt, bool stage, bool &stalled);
    bool continuation(const double *initial, double a0, Shooting::Point &reached);
    bool refine(double lambda, Shooting::Point &cur);
    static bool matched(const Shooting::Point &pt) { return pt.joinMismatch() <= Shooting::kJoinTol; }
    bool converged(int it, double prevCorrection, const Eigen::VectorXd &r);
    void noteIteration(int it, std::vector<double> unknowns, double sumSquares);
    void endFit(bool converged, bool stalled);
    void noRows();

    const Problem &p_;
    Console *console_;
    Integrator integ_;
    std::unique_ptr<Shooting> shooting_;  // the fit's multiple shooting, when it switched
    Eigen::VectorXd shootingU_;           // its unknowns in effect
    std::chrono::steady_clock::time_point started_;
    SolveResult r_;
    std::vector<double> plotX_;
    double g0_ = 0;
    bool evalLimitHit_ = false;
    bool lastDamped_ = false;    // the last accepted step was Levenberg-Marquardt's
    double pendingCorrection_ = NAN;  // relative size of the last Gauss-Newton step tried
    long stageIterations_ = 0;        // iterations of the continuation's stages
    double lastFailureX_ = NAN;       // where the last failed shooting pass failed
    std::string continuation_;        // how the continuation went, for the report
    std::string continuationFailed_;  // how far a failed one got, for the message
};

// ---- Set-up: the plot points, Y^(n) at x0, the stiffness estimate (the method is chosen
// per pass by the integrator: explicit, BDF where the problem turns out stiff).
bool Run::setUp() {
    r_.initial = p_.initial;
    r_.a = p_.a;
    double range = 0;
    plotX_.resize(size_t(p_.nPoints));
    for (int k = 0; k < p_.nPoints; ++k) {
        plotX_[size_t(k)] = p_.x0 + k * p_.deltaX;
        range = std::max(range, std::fabs(plotX_[size_t(k)] - p_.x0));
    }
    for (double x : p_.dataX) range = std::max(range, std::fabs(x - p_.x0));

    if (!rootAtX0(p_, integ_, p_.initial.data(), p_.a, g0_, false, 0)) {
        PassFailure f;
        f.kind = std::isfinite(integ_.top().lastResidual()) ? FailKind::Newton : FailKind::NonFinite;
        f.x = p_.x0;
        if (f.kind == FailKind::NonFinite) f.fault = integ_.top().lastFault();
        f.detail = "at x0 with the " + std::string(p_.isBvp() ? "first guesses" : "initial values") +
                   (f.kind == FailKind::Newton
                        ? ", starting from " + (p_.topGuess ? formatNumber(*p_.topGuess)
                                                            : std::string("0, 1 and -1"))
                        : std::string());
        r_.stop = Stop::Failed;
        r_.message = failureMessage(f, p_, "");
        r_.stoppedBecause = "the equation could not be solved for " + dname(p_.order) + " at x0.";
        noRows();
        return false;
    }
    r_.stiffness = integ_.stiffness(p_.x0, p_.initial.data(), p_.a, g0_, range);
    r_.topAtX0 = g0_;
    return true;
}

// One pass with sensitivities at the unknowns u. False when EVALMAX is used up.
bool Run::evaluate(const Eigen::VectorXd &u, FitPoint &fp) {
    if (integ_.passes >= p_.controls.evalMax) {
        evalLimitHit_ = true;
        return false;
    }
    const int n = p_.order;
    fp = FitPoint();
    fp.u = u;
    PassSetup s;
    s.x0 = p_.x0;
    s.z0.assign(u.data(), u.data() + n);
    s.a = p_.usesA ? u[n] : p_.a;
    // The plot points too: STEPSLIM counts the steps between any two output points, so a
    // fit pass meets the same limit as the final pass does.
    s.points = p_.dataX;
    s.points.insert(s.points.end(), plotX_.begin(), plotX_.end());
    s.sensitivities = true;
    if (!rootAtX0(p_, integ_, s.z0.data(), s.a, s.g0, true, g0_)) {
        ++integ_.passes;  // counts as a model evaluation
        fp.failure = {FailKind::Newton, p_.x0, "no root for " + dname(n) + " at x0"};
        return true;
    }
    const PassOutput out = integ_.run(s);
    if (out.failure.kind != FailKind::None) {
        fp.failure = out.failure;
        return true;
    }
    const size_t m = p_.dataX.size(), np = size_t(u.size());
    fp.r.resize(long(m));
    fp.J.resize(long(m), long(np));
    for (size_t i = 0; i < m; ++i) {
        fp.r[long(i)] = out.y[i * size_t(n + 1)] - p_.dataY[i];
        for (size_t j = 0; j < np; ++j) fp.J(long(i), long(j)) = out.dZ(i, j);
    }
    fp.sumSquares = fp.r.squaredNorm();
    fp.g0 = s.g0;
    fp.ok = std::isfinite(fp.sumSquares);
    return true;
}

bool Run::atNoise(const Eigen::VectorXd &r) const {
    for (long i = 0; i < r.size(); ++i)
        if (std::fabs(r[i]) > kFitNoise * std::max(1.0, std::fabs(p_.dataY[size_t(i)])))
            return false;
    return true;
}

// The multiple-shooting pass: EVALMAX applies as to single shooting.
bool Run::evaluate(const Eigen::VectorXd &u, Shooting::Point &pt) {
    if (integ_.passes >= p_.controls.evalMax) {
        evalLimitHit_ = true;
        return false;
    }
    shooting_->evaluate(u, pt);
    return true;
}

// How much more the sensitivities of Y grow from x0 to the data points than a polynomial
// solution's would (see kShootingGrowth).
double Run::growth(const FitPoint &fp) const {
    double g = 0;
    for (long i = 0; i < fp.J.rows(); ++i) {
        double poly = 1;
        for (int j = 0; j < p_.order; ++j) {
            g = std::max(g, std::fabs(fp.J(i, j)) / std::max(1.0, poly));
            poly *= std::fabs(p_.dataX[size_t(i)] - p_.x0) / (j + 1);
        }
    }
    return g;
}

// The correction: Gauss-Newton's (the minimum-norm least-squares solution of J d = -r,
// which with fewer points than unknowns changes the unknowns least) when lambda is 0,
// else Levenberg-Marquardt's, damped by lambda times the scale of each unknown
// (diag J^T J; unit scale with fewer points than unknowns, to stay minimum-norm).
Eigen::VectorXd Run::step(const FitPoint &fp, double lambda) const {
    if (lambda == 0) return fp.J.completeOrthogonalDecomposition().solve(-fp.r);
    const Eigen::MatrixXd JtJ = fp.J.transpose() * fp.J;
    Eigen::MatrixXd M = JtJ;
    const double top = std::max(JtJ.diagonal().maxCoeff(), 1e-300);
    for (long j = 0; j < M.rows(); ++j)
        M(j, j) += lambda * (r_.underdetermined ? top : std::max(JtJ(j, j), 1e-12 * top));
    return M.ldlt().solve(-fp.J.transpose() * fp.r);
}

// ---- The fit loop: Gauss-Newton steps, damped where one does not lower the sum of squares.
bool Run::fit() {
    const int n = p_.order;
    const size_t m = p_.dataX.size();
    const long np = integ_.nParams();
    r_.fitted = true;
    r_.underdetermined = long(m) < np;
    Eigen::VectorXd u(np);
    for (int k = 0; k < n; ++k) u[k] = p_.initial[size_t(k)];
    if (np > n) u[n] = p_.a;

    FitPoint cur;
    if (evaluate(u, cur) && !cur.ok && cur.failure.kind != FailKind::None &&
        !(cur.failure.kind == FailKind::Newton && cur.failure.x == p_.x0)) {
        const PassFailure single = cur.failure;
        cur.u = u;
        cur.g0 = g0_;
        if (shootingFit(cur, HUGE_VAL,
                        "single shooting from x0 with the first guesses failed near x = " +
                            formatNumber(single.x),
                        0))
            return true;
        cur.failure = single;  // the student acts on what single shooting met
    }
    if (!cur.ok) {
        r_.stop = evalLimitHit_ ? Stop::LimitReached : Stop::Failed;
        if (evalLimitHit_) r_.limitName = "EVALMAX";
        r_.message = cur.failure.kind != FailKind::None
                         ? failureMessage(cur.failure, p_, " with the first guesses")
                         : limitHeadline("EVALMAX") + " before the first integration pass. Raise "
                           "EVALMAX (now " + std::to_string(p_.controls.evalMax) + ").";
        if (!continuationFailed_.empty()) r_.message += " " + continuationFailed_;
        r_.stoppedBecause = "the first guesses could not be integrated.";
        r_.dataFitted.assign(m, std::numeric_limits<double>::quiet_NaN());
        noRows();
        return false;
    }
    if (console_) say("Fit: " + std::to_string(np) + " unknowns, " + std::to_string(m) +
        " data points, sum of squares " + formatNumber(cur.sumSquares));
    bool done = atNoise(cur.r), stalled = false;
    if (done) r_.stoppedBecause = "the first guesses fit the data points to integration accuracy";
    const double grows = growth(cur);
    if (!done && grows > kShootingGrowth &&
        shootingFit(cur, grows,
                    "the sensitivities grow " + formatNumber(std::round(grows)) +
                        "-fold over the range, and so would the integration error",
                    0))
        return true;
    double lambda = 0, prevCorrection = HUGE_VAL;
    for (int it = 1; !done && it <= p_.controls.remax; ++it) {
        FitPoint trial;
        bool accepted = false;
        for (int t = 0; t < kLmTrials && !accepted; ++t) {
            const Eigen::VectorXd d = step(cur, lambda);
            if (lambda == 0)  // the correction Gauss-Newton still asks for
                pendingCorrection_ = (d.cwiseAbs().array() /
                                      cur.u.cwiseAbs().cwiseMax(1.0).array()).maxCoeff();
            if (!d.allFinite() || d.norm() <= 1e-16 * std::max(1.0, cur.u.norm())) break;
            if (!evaluate(cur.u + d, trial)) break;  // EVALMAX
            if (!trial.ok && trial.failure.kind != FailKind::None &&
                shootingFit(cur, HUGE_VAL,
                            "a single-shooting pass after a Gauss-Newton step failed near x = " +
                                formatNumber(trial.failure.x),
                            it - 1))
                return true;
            accepted = trial.ok && (trial.sumSquares < cur.sumSquares || atNoise(trial.r));
            if (!accepted)
                lambda = lambda == 0 ? kLmStart : lambda * kLmGrowth;
        }
        if (!accepted) {
            stalled = !evalLimitHit_;
            // At the noise floor no step lowers the sum of squares; the undamped correction
            // still asked for says how far from converged the fit is.
            if (stalled && pendingCorrection_ <= kFitTight) {
                done = true;
                r_.stoppedBecause = "no step lowered the sum of squares any further and the "
                                    "Gauss-Newton correction still asked for, " +
                                    formatNumber(pendingCorrection_) + ", is below " +
                                    formatNumber(kFitTight) + ": converged to full precision";
            } else if (stalled && !std::isnan(pendingCorrection_)) {
                r_.lastCorrection = pendingCorrection_;
                lastDamped_ = false;
            }
            break;
        }
        r_.lastCorrection = ((trial.u - cur.u).cwiseAbs().array() /
                             trial.u.cwiseAbs().cwiseMax(1.0).array()).maxCoeff();
        lastDamped_ = lambda != 0;
        cur = std::move(trial);
        lambda = lambda / kLmGrowth < kLmStart ? 0 : lambda / kLmGrowth;
        noteIteration(it, std::vector<double>(cur.u.data(), cur.u.data() + np), cur.sumSquares);
        done = converged(it, prevCorrection, cur.r);
        prevCorrection = r_.lastCorrection;
    }
    for (int k = 0; k < n; ++k) r_.initial[size_t(k)] = cur.u[k];
    if (np > n) r_.a = cur.u[n];
    r_.sumSquares = cur.sumSquares;
    g0_ = cur.g0;
    endFit(done, stalled);
    return true;
}

// Counts iteration it and reports it with the unknowns at x0 (and A).
void Run::noteIteration(int it, std::vector<double> unknowns, double sumSquares) {
    r_.fitIterations = it;
    IterationReport rep;
    rep.iteration = it;
    rep.unknowns = std::move(unknowns);
    rep.sumSquares = sumSquares;
    rep.correction = r_.lastCorrection;
    rep.passes = integ_.passes;
    if (console_) say("  iteration " + std::to_string(it) + ": sum of squares " +
        formatNumber(rep.sumSquares) + ", largest relative correction " +
        formatNumber(rep.correction));
    if (p_.controls.detail > 0 && it % p_.controls.detail == 0) r_.reports.push_back(rep);
}

// ---- The fit by multiple shooting, from the single-shooting unknowns of `from` after it
// iterations: Gauss-Newton steps under the linearized joins, halved where one raises the
// residuals; converged once the joins are matched and a criterion of converged() holds.
// When that fails from the broken line (a segment blows up, or REMAX iterations do not
// reach convergence), a continuation finds a start instead.
bool Run::shootingFit(const FitPoint &from, double grows, const std::string &why, int it) {
    const int n = p_.order;
    shooting_ = std::make_unique<Shooting>(p_, integ_, plotX_, grows, from.g0);
    const double a0 = from.u.size() > n ? from.u[n] : p_.a;
    Shooting::Point cur;
    const bool started = evaluate(shooting_->start(from.u.data(), a0), cur) && cur.ok;
    if (!started && evalLimitHit_) {
        shooting_.reset();
        return false;
    }
    r_.fitMethod = "multiple shooting over " + std::to_string(shooting_->segments()) +
                   " segments, as " + why;
    if (console_) say("Fit: " + r_.fitMethod + "; " + std::to_string(shooting_->unknowns()) + " unknowns");
    bool done = started && matched(cur) && atNoise(cur.r), stalled = false;
    if (done) r_.stoppedBecause = "the first guesses fit the data points to integration accuracy";
    if (started && !done) done = shootingSteps(cur, it, p_.controls.remax, false, stalled);
    if (!done && !evalLimitHit_) {
        const std::string failed = started ? "from the broken line through the data points it "
                                             "did not converge in REMAX iterations"
                                           : "a segment started on the broken line through the "
                                             "data points failed near x = " +
                                                 formatNumber(cur.failure.x);
        Shooting::Point reached;
        if (continuation(from.u.data(), a0, reached)) {
            r_.fitMethod += "; " + failed + ", so " + continuation_;
            r_.reports.clear();
            r_.fitIterations = 0;
            cur = std::move(reached);
            stalled = false;
            done = shootingSteps(cur, 0, p_.controls.remax, false, stalled);
        } else if (!started) {
            shooting_.reset();
            return false;
        }
    }
    r_.initial = shooting_->initialValues(cur.u);
    r_.a = shooting_->a(cur.u);
    r_.sumSquares = cur.r.squaredNorm();
    g0_ = cur.g0;
    shootingU_ = cur.u;
    endFit(done, stalled);
    return true;
}

// Gauss-Newton steps of multiple shooting from cur, numbered it + 1 to lastIt; true when
// converged. A continuation stage (stage true) counts as converged at kStageTol and
// reports nothing but progress.
bool Run::shootingSteps(Shooting::Point &cur, int it, int lastIt, bool stage, bool &stalled) {
    const auto relative = [](const Eigen::VectorXd &d, const Eigen::VectorXd &u) {
        return (d.cwiseAbs().array() / u.cwiseAbs().cwiseMax(1.0).array()).maxCoeff();
    };
    double prevCorrection = HUGE_VAL;
    lastDamped_ = false;
    while (++it <= lastIt) {
        const Eigen::VectorXd d = shooting_->step(cur);
        pendingCorrection_ = relative(d, cur.u);
        Shooting::Point trial;
        bool accepted = false;
        double t = 2;
        for (int h = 0; h <= kHalvings && !accepted && d.allFinite(); ++h) {
            t /= 2;
            if (!evaluate(cur.u + t * d, trial)) break;  // EVALMAX
            if (trial.failure.kind != FailKind::None) lastFailureX_ = trial.failure.x;
            accepted = trial.ok && (shooting_->merit(trial, cur.u) < shooting_->merit(cur, cur.u) ||
                                    (matched(trial) && atNoise(trial.r)));
        }
        if (!accepted) {
            stalled = !evalLimitHit_;
            if (stage) return stalled && cur.joinMismatch() <= kStageTol && pendingCorrection_ <= kStageTol;
            if (stalled && matched(cur) && pendingCorrection_ <= kFitTight) {
                r_.stoppedBecause = "no step lowered the residuals any further and the "
                                    "correction still asked for, " +
                                    formatNumber(pendingCorrection_) + ", is below " +
                                    formatNumber(kFitTight) + ": converged to full precision";
                return true;
            }
            if (stalled) {
                r_.lastCorrection = pendingCorrection_;
                lastDamped_ = false;
            }
            return false;
        }
        lastDamped_ = t < 1;
        const double correction = relative(trial.u - cur.u, trial.u);
        cur = std::move(trial);
        if (stage) {
            ++stageIterations_;
            if (cur.joinMismatch() <= kStageTol && correction <= kStageTol && !lastDamped_) return true;
            continue;
        }
        r_.lastCorrection = correction;
        std::vector<double> atX0 = shooting_->initialValues(cur.u);
        if (p_.usesA) atX0.push_back(shooting_->a(cur.u));
        noteIteration(it, std::move(atX0), cur.r.squaredNorm());
        if (matched(cur) && converged(it, prevCorrection, cur.r)) return true;
        prevCorrection = r_.lastCorrection;
    }
    return false;
}

// ---- Continuation: the equation is embedded in the family Y^(n) = lambda g (g the root
// of F = 0), whose member at lambda = 0 has polynomial solutions that the broken line
// starts near, and followed to lambda = 1 in stages, each started on the secant through
// the two solutions before it. A stage that does not converge within kStageIterations is
// retried with a quarter of the step in lambda; one that converges within two iterations
// doubles it, within three raises it by half. A small step that still fails inside a
// segment splits that segment (see kSplitBelow). True, with the solution at lambda = 1 to
// kStageTol in `reached` and shooting_ on the segments it ended on, when lambda = 1 is
// reached within the limits above; otherwise shooting_ is left as it was.
bool Run::continuation(const double *initial, double a0, Shooting::Point &reached) {
    std::unique_ptr<Shooting> original = std::move(shooting_);
    shooting_ = std::make_unique<Shooting>(*original);  // splitting changes the segments
    System &sys = integ_.system();
    Shooting::Point cur;
    double lambda = 0, dl = kFirstLambdaStep;
    int stages = 0;
    stageIterations_ = 0;
    sys.setEmbedding(0);
    bool ok = evaluate(shooting_->start(initial, a0), cur) && cur.ok;
    bool stalled = false;
    ok = ok && ((cur.joinMismatch() <= kStageTol && atNoise(cur.r)) ||
                shootingSteps(cur, 0, kStageIterations, true, stalled));
    Eigen::VectorXd prevU;  // the solution of the stage before, for the secant predictor
    double prevLambda = 0;
    while (ok && lambda < 1 && stages < kMaxStages && dl >= std::max(kMinLambdaStep, kMinRelativeStep * lambda)) {
        const double next = std::min(1.0, lambda + dl);
        sys.setEmbedding(next);
        ++stages;
        const long before = stageIterations_;
        Shooting::Point trial;
        // The start: the line through the last two solutions, else the last solution.
        bool started = false;
        if (prevU.size() && !evalLimitHit_) {
            const Eigen::VectorXd predicted =
                cur.u + (cur.u - prevU) * ((next - lambda) / (lambda - prevLambda));
            started = evaluate(predicted, trial) && trial.ok;
        }
        if (!started && !evalLimitHit_) started = evaluate(cur.u, trial) && trial.ok;
        if (evalLimitHit_) break;
        lastFailureX_ = started ? NAN : trial.failure.x;
        if (started && shootingSteps(trial, 0, kStageIterations, true, stalled)) {
            prevU = cur.u;
            prevLambda = lambda;
            lambda = next;
            cur = std::move(trial);
            const long its = stageIterations_ - before;
            dl *= its <= 2 ? 2 : its == 3 ? 1.5 : 1;
            if (console_)
                say("  continuation: lambda = " + formatNumber(lambda) + ", " +
                    std::to_string(its) + " iterations");
        } else if (dl < lambda * kSplitBelow && std::isfinite(lastFailureX_) && refine(lambda, cur)) {
            prevU.resize(0);  // the unknowns changed: no predictor for the next stage
        } else {
            dl /= 4;
        }
    }
    sys.setEmbedding(1);
    if (!ok || lambda < 1) {
        shooting_ = std::move(original);
        continuationFailed_ = "Multiple shooting with a continuation from " + dname(p_.order) +
                              " = 0 (" + dname(p_.order) + " = lambda times the equation's) got " +
                              (ok ? "only to lambda = " + formatNumber(lambda) + " in " +
                                        std::to_string(stages) + " stages."
                                  : std::string("no farther than lambda = 0."));
        return false;
    }
    continuation_ = "the fit started from a continuation from " + dname(p_.order) +
                    " = 0 to the equation in " + std::to_string(stages) + " stages (" +
                    std::to_string(stageIterations_) + " iterations, ending on " +
                    std::to_string(shooting_->segments()) + " segments)";
    reached = std::move(cur);
    return true;
}

// Splits the segment where the last shooting pass failed, at cur's solution for lambda,
// and carries cur over to the new segments; false when it cannot be split.
bool Run::refine(double lambda, Shooting::Point &cur) {
    const double at = integ_.system().embedding();
    integ_.system().setEmbedding(lambda);
    const Eigen::VectorXd v = shooting_->split(cur.u, lastFailureX_);
    if (v.size()) {
        Shooting::Point pt;
        if (evaluate(v, pt) && pt.ok) cur = std::move(pt);
        else cur.u = v;  // EVALMAX: the loop ends at once, but on consistent unknowns
    }
    integ_.system().setEmbedding(at);
    return v.size() != 0;
}

// Whether the fit has converged after iteration it; says why in stoppedBecause.
bool Run::converged(int it, double prevCorrection, const Eigen::VectorXd &r) {
    const double c = r_.lastCorrection;
    // The next correction, extrapolated at the rate the last two show (a quadratically
    // converging fit does better still).
    const double next = it >= 2 && c < prevCorrection ? c * c / prevCorrection : HUGE_VAL;
    if (atNoise(r)) {
        r_.stoppedBecause = "every residual is at the integration's noise level (at most " +
                            formatNumber(kFitNoise) + " x max(1, |Y|)): converged";
        return true;
    }
    if (c <= kFitTight || next <= kFitTight) {
        r_.stoppedBecause = "the largest relative correction of an unknown was " + formatNumber(c) +
                            (c <= kFitTight ? std::string()
                                            : ", and the next one would be about " + formatNumber(next)) +
                            ", below " + formatNumber(kFitTight) + ": converged to full precision";
        return true;
    }
    if (it >= 3 && !lastDamped_ && c >= prevCorrection && c <= p_.controls.accuracy) {
        r_.stoppedBecause = "the corrections stopped shrinking at " + formatNumber(c) +
                            " (rounding level), within ACCURACY";
        return true;
    }
    return false;
}

// The verdict on a fit that ended: converged, within ACCURACY, or a limit or a stall.
void Run::endFit(bool converged, bool stalled) {
    const Controls &c = p_.controls;
    if (converged) {
    } else if (evalLimitHit_) {
        r_.stop = Stop::LimitReached;
        r_.limitName = "EVALMAX";
        r_.message = limitHeadline("EVALMAX") + ": " + std::to_string(integ_.passes) +
                     " integration passes were made. Raise EVALMAX (now " +
                     std::to_string(c.evalMax) + "); the best fit so far is shown.";
        r_.stoppedBecause = "EVALMAX integration passes were used up.";
    } else if ((r_.fitIterations > 0 || stalled) && !lastDamped_ && r_.lastCorrection <= c.accuracy) {
        // A damped step is small because of the damping, not because the fit is done.
        r_.stoppedBecause = std::string(stalled ? "no step lowered the sum of squares any further"
                                                : "REMAX iterations were done") +
                            " and the last relative correction, " + formatNumber(r_.lastCorrection) +
                            ", is within ACCURACY (" + formatNumber(c.accuracy) + ")";
    } else if (stalled) {
        r_.stop = Stop::Failed;
        r_.message = std::string(kFitStalled) + ": no step lowers the sum of squares, but the last "
                     "relative correction, " + formatNumber(r_.lastCorrection) +
                     ", is above ACCURACY (" + formatNumber(c.accuracy) +
                     "). Try other first guesses, or raise ACCURACY.";
        r_.stoppedBecause = "no step lowered the sum of squares any further.";
    } else {
        r_.stop = Stop::LimitReached;
        r_.limitName = "REMAX";
        r_.message = limitHeadline("REMAX") + ": after " + std::to_string(r_.fitIterations) +
                     " iterations the largest relative correction was still " +
                     formatNumber(r_.lastCorrection) + ", above ACCURACY (" +
                     formatNumber(c.accuracy) + "). Raise REMAX (now " + std::to_string(c.remax) +
                     ") or give better first guesses; the best fit so far is shown.";
        r_.stoppedBecause = "REMAX iterations were used up before the fit converged.";
    }
    if (!r_.stoppedBecause.empty() && r_.stoppedBecause.back() != '.') r_.stoppedBecause += ".";
    if (!r_.ok() && !continuationFailed_.empty()) r_.message += " " + continuationFailed_;
    if (r_.underdetermined && r_.ok())
        r_.stoppedBecause += " Fewer data points than unknowns: the fit is not unique; "
                             "this is the one closest to the first guesses.";
}

// ---- The final pass: the plot points and the data points with the unknowns in effect.
void Run::finalPass() {
    const int n = p_.order;
    double g = g0_;
    if (!rootAtX0(p_, integ_, r_.initial.data(), r_.a, g, true, g0_)) g = g0_;
    r_.topAtX0 = g;
    PassSetup s;
    s.x0 = p_.x0;
    s.z0 = r_.initial;
    s.a = r_.a;
    s.g0 = g;
    s.points = plotX_;
    s.points.insert(s.points.end(), p_.dataX.begin(), p_.dataX.end());
    s.backwardFirst = p_.deltaX < 0;
    // Progress text is made only when someone reads it.
    if (console_) {
        s.stepOut = p_.controls.stepOut;
        s.progress = [this](long step, double x, const double *z, double h) {
            say("  step " + std::to_string(step) + ": x = " + formatNumber(x) + ", Y = " +
                formatNumber(z[0]) + ", step size " + formatNumber(std::fabs(h)));
        };
        say("Integrating " + std::to_string(p_.nPoints) + " plot points from x = " +
            formatNumber(p_.x0));
    }
    const PassOutput out =
        shooting_ ? shooting_->pass(shootingU_, s.points, s.stepOut, s.progress) : integ_.run(s);
    const size_t rowLen = size_t(n + 1);
    r_.table.assign(out.y.begin(), out.y.begin() + long(plotX_.size() * rowLen));
    r_.rowDone.assign(out.done.begin(), out.done.begin() + long(plotX_.size()));
    r_.dataFitted.clear();
    for (size_t i = 0; i < p_.dataX.size(); ++i) {
        const size_t idx = plotX_.size() + i;
        r_.dataFitted.push_back(out.done[idx] ? out.y[idx * rowLen]
                                              : std::numeric_limits<double>::quiet_NaN());
    }
    if (out.failure.kind == FailKind::None) {
        if (!p_.isBvp()) r_.stoppedBecause = "every plot point was reached.";
        return;
    }
    const std::string msg = failureMessage(out.failure, p_, "");
    if (r_.stop == Stop::Failed) {
        r_.message += "\n" + msg;
        return;
    }
    // The pass failure is what the student must act on first.
    const bool limit = out.failure.kind == FailKind::StepsLim;
    if (r_.ok()) {
        r_.stop = limit ? Stop::LimitReached : Stop::Failed;
        if (limit) r_.limitName = "STEPSLIM";
        r_.message = msg;
    } else {
        r_.message += "\n" + msg;
    }
    r_.stoppedBecause = limit ? "STEPSLIM steps were used up between two output points."
                              : "the integration failed at x = " + formatNumber(out.failure.x) + ".";
}

void Run::noRows() {
    r_.rowDone.assign(size_t(p_.nPoints), false);
    r_.table.assign(size_t(p_.nPoints) * size_t(p_.order + 1), 0.0);
}

// ---- The summary: the statistics of the run.
SolveResult Run::summary() {
    r_.method = integ_.method();
    r_.passes = integ_.passes;
    r_.steps = integ_.steps();
    r_.rhsEvals = integ_.rhsEvals();
    r_.jacEvals = integ_.jacEvals();
    r_.methodSwitches = integ_.methodSwitches;
    r_.equationEvals = integ_.top().evaluations;
    r_.newtonIterations = integ_.top().iterations;
    r_.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_).count();
    return std::move(r_);
}

}  // namespace

SolveResult solve(const Problem &p, Console *console) {
    Run run(p, console);
    if (run.setUp() && (!p.isBvp() || run.fit())) run.finalPass();
    return run.summary();
}

}  // namespace quadrel::solver
