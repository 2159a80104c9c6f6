#pragma once
// The driver: solves one problem, an initial value problem by one integration pass, a
// boundary value problem by fitting the initial values (and A) to the data points by
// least squares, then observes the plot points for the table.
#include "solver/Integrator.h"
#include "solver/Problem.h"

#include <functional>
#include <string>
#include <vector>

namespace quadrel::solver {

// How the run ended.
enum class Stop {
    Solved,        // every plot point computed; a fit converged
    Failed,        // the equation or the solution failed somewhere (message says where)
    LimitReached,  // a solver variable's limit ended the run (limitName says which)
};

struct IterationReport {
    int iteration = 0;
    std::vector<double> unknowns;
    double sumSquares = 0;
    double correction = 0;   // largest relative correction of an unknown
    long passes = 0;         // integration passes so far
};

struct SolveResult {
    Stop stop = Stop::Solved;
    std::string limitName;        // REMAX, STEPSLIM or EVALMAX when stop == LimitReached
    std::string message;          // the failure stated plainly: where, why, what to try
    std::string stoppedBecause;   // one sentence: why the run ended

    // The unknowns in effect (fitted for a BVP).
    std::vector<double> initial;  // Y, Y', ... at x0
    double a = 1;
    double topAtX0 = 0;           // Y^(n) at x0

    // Fit.
    bool fitted = false;
    bool underdetermined = false;
    std::string fitMethod;        // how the fit shot when not from x0 alone, and why
    int fitIterations = 0;
    double lastCorrection = HUGE_VAL;  // none yet
    double sumSquares = 0;
    std::vector<double> dataFitted;   // Y of the solution at each data point (NaN if none)
    std::vector<IterationReport> reports;  // every DETAIL-th iteration

    // Table: row r = plot point x0 + r*Delta_x, values Y..Y^(n); rowDone[r] false when the
    // run failed before reaching it.
    std::vector<double> table;
    std::vector<bool> rowDone;

    // Statistics.
    Method method = Method::Explicit;
    double stiffness = 0;
    long passes = 0, steps = 0, rhsEvals = 0, jacEvals = 0, methodSwitches = 0;
    long equationEvals = 0, newtonIterations = 0;
    double milliseconds = 0;

    bool ok() const { return stop == Stop::Solved; }
};

class Console {
public:
    virtual ~Console() = default;
    virtual void line(const std::string &text) = 0;
};

// Solves the problem. Progress lines (STEPOUT, iterations) go to console when given.
SolveResult solve(const Problem &p, Console *console = nullptr);

}  // namespace quadrel::solver
