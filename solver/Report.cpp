#include "solver/Report.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace quadrel::solver {

namespace {

std::string digits(double v, int precision) {
    if (v == 0) v = 0;  // no "-0"
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general,
                                   precision);
    return std::string(buf, res.ptr);
}

// Report numbers: 12 significant digits, enough to see the accuracy, short enough to read.
std::string num(double v) { return std::isfinite(v) ? digits(v, 12) : "(none)"; }

std::string pad(const std::string &s, size_t width) {
    return s.size() >= width ? s + " " : s + std::string(width - s.size(), ' ');
}
std::string rpad(const std::string &s, size_t width) {
    return s.size() >= width ? " " + s : std::string(width - s.size(), ' ') + s;
}

std::string rule(const std::string &title) {
    return "\n" + title + "\n" + std::string(title.size(), '-') + "\n";
}

std::string joinValues(const std::vector<double> &v, int n) {
    std::string s;
    for (int k = 0; k < n && k < int(v.size()); ++k)
        s += (k ? ", " : "") + derivativeName(k) + " = " + num(v[size_t(k)]);
    return s;
}

std::string methodName(Method m) {
    return m == Method::Bdf ? "BDF (backward differentiation, orders 1-5)"
                            : "Dormand-Prince 8(5,3) (explicit Runge-Kutta, order 8)";
}

}  // namespace

std::string plotNumber(double v) { return digits(v, 17); }

std::string reportText(const Problem &p, const SolveResult &r) {
    const int n = p.order;
    const bool bvp = p.isBvp();
    const Controls &c = p.controls;
    std::ostringstream o;
    const std::string title = "Quadrel solver report for " + p.fileName;
    o << title << "\n" << std::string(title.size(), '=') << "\n";

    // ---- The problem.
    o << rule("The problem as understood");
    o << "  Equation        " << p.equationText << "\n";
    o << "                  read strictly left to right as F(X, Y";
    for (int k = 1; k <= n; ++k) o << ", " << derivativeName(k);
    o << (p.usesA ? ", A" : "") << ") = left side - right side = 0,\n"
      << "                  solved for " << derivativeName(n)
      << (p.equation && p.equation->affineInHighest()
              ? " exactly by one evaluation (F is affine in it)\n"
              : " by Newton's method at every evaluation\n");
    o << "  Order           " << n << " (Y";
    for (int k = 1; k < n; ++k) o << ", " << derivativeName(k);
    o << " are the constants of integration at x0)\n";
    if (bvp)
        o << "  Type            boundary value problem: " << p.unknownCount()
          << " unknowns (the initial values" << (p.usesA ? " and A" : "")
          << ") fitted to " << p.dataX.size() << " data points by least squares\n";
    else
        o << "  Type            initial value problem\n";
    o << "  x0              " << num(p.x0) << "\n";
    o << "  Initial values  " << joinValues(p.initial, n)
      << (bvp ? "   (first guesses" +
                    std::string(p.initialGiven < n ? "; missing ones start at 0)" : ")")
              : "")
      << "\n";
    o << "  " << pad(derivativeName(n) + " at x0", 16)
      << (p.topGuess ? "Newton starts from the guess " + num(*p.topGuess)
                     : std::string("no guess given: Newton starts from 0, then 1, then -1"))
      << "\n";
    if (p.usesA)
        o << "  A               " << num(p.a)
          << (bvp ? (p.aGiven ? " (first guess)" : " (blank: the first guess is 1)")
                  : (p.aGiven ? "" : " (blank: 1 is used)"))
          << "\n";
    else
        o << "  A               not used by the equation"
          << (p.aGiven ? " (the value " + num(p.a) + " is ignored)" : "") << "\n";
    o << "  Plot points     " << p.nPoints << ", x = " << num(p.x0) << " to "
      << num(p.x0 + (p.nPoints - 1) * p.deltaX) << " in steps of " << num(p.deltaX)
      << (p.deltaX < 0 ? " (backwards)" : "") << "\n";
    if (bvp) {
        o << "  Data points     " << p.dataX.size() << "\n";
        o << "        #  " << pad("X", 20) << "Y\n";
        for (size_t i = 0; i < p.dataX.size(); ++i)
            o << rpad(std::to_string(i + 1), 9) << "  " << pad(num(p.dataX[i]), 20)
              << num(p.dataY[i]) << "\n";
    }
    if (!p.note1.empty()) o << "  Note            " << p.note1 << "\n";
    if (!p.note2.empty()) o << "  Note            " << p.note2 << "\n";

    // ---- The controls.
    o << rule(std::string("Solver controls in effect") +
              (p.controlsFromFile ? " (from the file)" : " (the file says N: the defaults)"));
    auto ctl = [&](int i, const std::string &value, const std::string &meaning) {
        o << "  " << pad(Controls::names[i], 10) << pad(value, 8) << meaning
          << (p.controlDefaulted[size_t(i)] ? " [blank: default]" : "") << "\n";
    };
    ctl(0, std::to_string(c.remax),
        "fit iterations at most; one iteration is one accepted Gauss-Newton step\n"
        "                    with a fresh exact Jacobian (one integration pass with "
        "sensitivities)");
    ctl(1, std::to_string(c.detail),
        "an iteration report every DETAIL-th fit iteration (0: none)");
    ctl(2, std::to_string(c.stepsLim),
        "integrator steps at most between two consecutive output points\n"
        "                    (x0, plot points and data points)");
    ctl(3, std::to_string(c.stepOut),
        "a progress line on the console every STEPOUT-th step of the final pass (0: none)");
    ctl(4, std::to_string(c.evalMax),
        "model evaluations at most: integration passes, each one for one set of unknowns");
    ctl(5, num(c.accuracy),
        "a fit is converged at a relative correction of 1e-11; one that ends short of that\n"
        "                    (REMAX used up, or stalled) counts as converged when its last\n"
        "                    relative correction is at most ACCURACY");
    ctl(6, num(c.zero),
        "Newton's root for " + derivativeName(n) +
            " is converged at a correction of 1e-13*(1+|" + derivativeName(n) +
            "|);\n"
            "                    one that stalls short of that is accepted when its last\n"
            "                    correction is at most ZERO*(1+|" +
            derivativeName(n) + "|)");
    o << "  Integrator      " << methodName(r.method)
      << (r.method == Method::Bdf ? " by CVODES, Newton iteration with the exact Jacobian"
                                  : ", dense output of order 7")
      << ";\n                  relative tolerance " << num(Integrator::kRelTol)
      << ", absolute " << num(Integrator::kAbsTol) << " x max(1, |initial value|)\n";
    o << "  Method choice   stiffness estimate at x0 (largest decay rate x range) "
      << num(r.stiffness) << ";\n                  the explicit pair hands over to BDF where "
      << Dop853::kStiffSteps << " steps in a row are held\n"
         "                  down by stability, or when it exceeds STEPSLIM\n";
    if (bvp && !r.fitMethod.empty())
        o << "  Fit method      " << r.fitMethod << "\n";
    else if (bvp)
        o << "  Fit method      single shooting from x0: Gauss-Newton steps with the exact\n"
             "                  sensitivities, damped (Levenberg-Marquardt) where a step\n"
             "                  does not lower the sum of squares\n";

    // ---- Iteration reports.
    if (bvp && c.detail > 0) {
        o << rule(c.detail == 1 ? std::string("Iteration reports (every iteration)")
                                : "Iteration reports (every " + std::to_string(c.detail) +
                                      "th iteration)");
        o << "  " << pad("iter", 6) << pad("sum of squares", 22) << pad("correction", 14);
        for (int k = 0; k < n; ++k) o << pad(derivativeName(k) + "(x0)", 20);
        if (p.usesA) o << "A";
        o << "\n";
        for (const auto &rep : r.reports) {
            o << "  " << pad(std::to_string(rep.iteration), 6) << pad(num(rep.sumSquares), 22)
              << pad(digits(rep.correction, 3), 14);
            for (double u : rep.unknowns) o << pad(num(u), 20);
            o << "\n";
        }
        if (r.reports.empty()) o << "  (no iteration reached a report)\n";
    }

    // ---- Result.
    o << rule("Result");
    if (r.ok())
        o << "  SOLVED.\n";
    else if (r.stop == Stop::LimitReached)
        o << "  STOPPED: a limit was reached (" << r.limitName
          << "). The best result so far follows.\n";
    else
        o << "  FAILED.\n";
    if (!r.message.empty()) {
        std::istringstream lines(r.message);
        std::string line;
        while (std::getline(lines, line)) o << "  " << line << "\n";
    }
    if (bvp) {
        o << "  Fitted initial values  " << joinValues(r.initial, n) << "\n";
        if (p.usesA) o << "  Fitted A               " << num(r.a) << "\n";
        o << "  " << pad(derivativeName(n) + "(x0)", 23) << num(r.topAtX0) << "\n";
        o << "  Sum of squares         " << num(r.sumSquares) << "\n";
        if (r.underdetermined)
            o << "  Only " << p.dataX.size() << " data points for " << p.unknownCount()
              << " unknowns: the fit is not unique; this is the minimum-norm fit,\n"
                 "  the one that changes the first guesses least.\n";
        o << "  Data point residuals\n";
        o << "        #  " << pad("X", 20) << pad("Y data", 22) << pad("Y fitted", 22)
          << "residual\n";
        for (size_t i = 0; i < p.dataX.size(); ++i) {
            const double fy = i < r.dataFitted.size() ? r.dataFitted[i] : NAN;
            o << rpad(std::to_string(i + 1), 9) << "  " << pad(num(p.dataX[i]), 20)
              << pad(num(p.dataY[i]), 22) << pad(num(fy), 22)
              << (std::isfinite(fy) ? digits(fy - p.dataY[i], 3) : "(none)") << "\n";
        }
    } else {
        o << "  " << pad(derivativeName(n) + "(x0)", 23) << num(r.topAtX0) << "\n";
    }

    // ---- Table.
    o << rule("Solution at the plot points");
    o << "  " << pad("X", 22);
    for (int k = 0; k <= n; ++k) o << pad(derivativeName(k), 22);
    o << "\n";
    size_t shown = 0;
    for (size_t row = 0; row < r.rowDone.size(); ++row) {
        if (!r.rowDone[row]) continue;
        ++shown;
        o << "  " << pad(num(p.x0 + double(row) * p.deltaX), 22);
        for (int k = 0; k <= n; ++k) o << pad(num(r.table[row * size_t(n + 1) + size_t(k)]), 22);
        o << "\n";
    }
    if (shown < r.rowDone.size())
        o << "  (" << (r.rowDone.size() - shown) << " of " << r.rowDone.size()
          << " plot points were not reached)\n";

    // ---- Statistics.
    o << rule("Statistics");
    if (bvp) o << "  Fit iterations        " << r.fitIterations << "\n";
    o << "  Integration passes    " << r.passes << "\n";
    o << "  Integrator steps      " << r.steps << " (" << methodName(r.method)
      << (r.methodSwitches ? "; switched from the explicit pair to BDF" : "") << ")\n";
    o << "  Right-hand sides      " << r.rhsEvals << ", Jacobians " << r.jacEvals << "\n";
    o << "  Equation evaluations  " << r.equationEvals << " (Newton corrections "
      << r.newtonIterations << ")\n";
    o << "  Solve time            " << digits(r.milliseconds, 4) << " ms\n";
    o << "\nStopped because " << r.stoppedBecause << "\n";
    return o.str();
}

std::string plotText(const Problem &p, const SolveResult &r) {
    const int n = p.order;
    std::ostringstream o;
    o << "# Quadrel solution of " << p.fileName << "\n";
    o << "# Equation: " << p.equationText << "\n";
    if (!r.ok()) o << "# Not solved: " << r.stoppedBecause << "\n";
    o << "# Block 1: the solution at the plot points\n";
    o << "# X Y";
    for (int k = 1; k <= n; ++k) o << " " << derivativeName(k);
    o << "\n";
    for (size_t row = 0; row < r.rowDone.size(); ++row) {
        if (!r.rowDone[row]) continue;
        o << plotNumber(p.x0 + double(row) * p.deltaX);
        for (int k = 0; k <= n; ++k) o << " " << plotNumber(r.table[row * size_t(n + 1) + size_t(k)]);
        o << "\n";
    }
    if (p.isBvp()) {
        o << "\n# Block 2: the data points and the fitted solution\n";
        o << "# X Y_data Y_fitted\n";
        for (size_t i = 0; i < p.dataX.size(); ++i) {
            if (i >= r.dataFitted.size() || !std::isfinite(r.dataFitted[i])) continue;
            o << plotNumber(p.dataX[i]) << " " << plotNumber(p.dataY[i]) << " "
              << plotNumber(r.dataFitted[i]) << "\n";
        }
    }
    return o.str();
}

std::string inputErrorReport(const std::string &fileName, const std::string &equation,
                             const std::string &message) {
    std::ostringstream o;
    const std::string title = "Quadrel solver report for " + fileName;
    o << title << "\n" << std::string(title.size(), '=') << "\n";
    // An equation refused for its length is not repeated in full.
    constexpr std::size_t kShown = 1000;
    if (equation.size() > kShown)
        o << "\n  Equation  " << equation.substr(0, kShown) << " ... (" << equation.size()
          << " characters)\n";
    else if (!equation.empty())
        o << "\n  Equation  " << equation << "\n";
    o << rule("Result") << "  FAILED: the problem cannot be solved as given.\n";
    std::istringstream lines(message);
    std::string line;
    while (std::getline(lines, line)) o << "  " << line << "\n";
    o << "\nStopped because an answer of the response file could not be used.\n";
    return o.str();
}

std::string emptyPlotText(const std::string &fileName, const std::string &why) {
    return "# Quadrel solution of " + fileName + "\n# Not solved: " + why + "\n";
}

}  // namespace quadrel::solver
