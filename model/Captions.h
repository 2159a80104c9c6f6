#pragma once
// Question captions of the form. The response file repeats them as comments, so they are
// part of the file format as well as of the form.
#include <QString>

namespace quadrel::captions {

// Question(1..6); index 0 unused.
inline QString question(int i) {
    static const char *const texts[] = {
        "",
        "1. \u00bb State an ODE  using terms X, Y, Y', Y'', etc. where each apostrophe stands for "
        "one order of derivative and normal trig, hyperbolic, & log function notation.",
        "2. \u00bb 'A' parameter initial value, if any in equation?",
        "3. \u00bb x0, starting point for x-axis; ie. position for 'Constants of Integration' (next)?",
        "4. \u00bb Initial values for 'Constants of Integration' in Y, Y', Y'', etc. order?",
        "5. \u00bb Number of (X,Y) data points for plot?",
        "6. \u00bb (Delta_x) step size between points in plot; 1st point is x0 (see #3 above)?",
    };
    return (i >= 1 && i <= 6) ? QString::fromUtf8(texts[i]) : QString();
}

// SolvQuestion(1..7): a 10-character column with the default value, then the question.
inline QString solvQuestion(int i) {
    static const char *const texts[] = {
        "",
        "    5              1. \u00bb REMAX: Maximum iterations.",
        "    0              2. \u00bb DETAIL: Detailed report every Nth iteration.",
        "  100             3. \u00bb STEPSLIM: Limit # of steps per iteration.",
        "    5              4. \u00bb STEPOUT: Provides snapshot prints every N steps.",
        " 3000            5. \u00bb EVALMAX: Limit total # of model evaluations.",
        ".0001           6. \u00bb ACCURACY: Final convergence tolerance.",
        "1.E-6           7. \u00bb ZERO: Iteration convergent tolerance.",
    };
    return (i >= 1 && i <= 7) ? QString::fromUtf8(texts[i]) : QString();
}

// Defaults that "Edit Defaults" enters, solverDefault(1..7).
inline QString solverDefault(int i) {
    static const char *const texts[] = {"", "5", "0", "100", "5", "3000", ".0001", "1.e-6"};
    return (i >= 1 && i <= 7) ? QString::fromLatin1(texts[i]) : QString();
}

}  // namespace quadrel::captions
