#pragma once
// One problem as the solver takes it: the answers of a response file as texts
// (ProblemInput), and the same problem checked and turned into numbers (Problem).
#include "notation/Equation.h"

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quadrel::solver {

// Limits on what one problem may ask for. With them any input is read, checked and, when
// it is too large, refused within a second and well under 200 MB: the response file is
// refused unread above kMaxResponseFileBytes, the equation above notation's
// kMaxEquationLength characters, and the plot and data points above their counts here.
constexpr long kMaxResponseFileBytes = 4L << 20;
constexpr long kMaxPlotPoints = 100000;
constexpr std::size_t kMaxDataPoints = 10000;

// The answers the solver needs, as text exactly as the response file holds them.
struct ProblemInput {
    std::string fileName;       // the response file, for the report's heading
    std::string equation;       // answer 1
    std::string aText;          // answer 2: A, or its first guess for a fit; blank = none
    std::string x0Text;         // answer 3
    std::string initialText;    // answer 4: Y, Y', ... at x0, blank- or comma-separated
    std::string nPointsText;    // answer 5
    std::string deltaXText;     // answer 6
    std::vector<std::pair<std::string, std::string>> dataPoints;  // (X, Y) texts
    std::string note1, note2;
    bool solverVarsGiven = false;            // "Y" on the solver-variables question
    std::array<std::string, 7> solverVars;   // REMAX, DETAIL, STEPSLIM, STEPOUT, EVALMAX,
                                             // ACCURACY, ZERO
};

// The seven solver variables with the values in effect.
struct Controls {
    int remax = 5;          // fit iterations (accepted Levenberg-Marquardt steps)
    int detail = 0;         // an iteration report every DETAIL-th fit iteration; 0 = none
    int stepsLim = 100;     // integrator steps allowed between two consecutive output points
    int stepOut = 5;        // a progress line every STEPOUT-th step of the final pass; 0 = none
    int evalMax = 3000;     // integration passes (model evaluations) in the whole run
    double accuracy = 1e-4; // largest relative correction of an unknown a fit may end with
    double zero = 1e-6;     // largest relative Newton correction a root of Y^(n) may end with

    static constexpr const char *names[7] = {"REMAX", "DETAIL", "STEPSLIM", "STEPOUT",
                                             "EVALMAX", "ACCURACY", "ZERO"};
};

// An answer the solver cannot use. The message names the answer and says what to give.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Problem {
    std::string fileName;
    std::string equationText;
    std::shared_ptr<const notation::Equation> equation;
    int order = 1;
    bool usesA = false;
    double a = 1;            // A (IVP) or its first guess (BVP)
    bool aGiven = false;     // false: the A answer was blank and 1 is used
    double x0 = 0;
    std::vector<double> initial;         // order values: Y, Y', ..., Y^(n-1) at x0
    int initialGiven = 0;                // how many of them the file gave
    std::optional<double> topGuess;      // starting guess for Y^(n) at x0
    int nPoints = 1;
    double deltaX = 0;
    std::vector<double> dataX, dataY;    // data points in file order; empty for an IVP
    Controls controls;
    bool controlsFromFile = false;
    std::array<bool, 7> controlDefaulted{};  // a blank solver answer took its default
    std::string note1, note2;

    bool isBvp() const { return !dataX.empty(); }
    // The fitted unknowns: the order initial values, then A when the equation uses it.
    int unknownCount() const { return order + ((isBvp() && usesA) ? 1 : 0); }
};

// Reads a number in C-locale notation (".5", "1.e-6", "-2", "+3E4"); nullopt when the text
// is not a single finite number.
std::optional<double> parseNumber(const std::string &text);

// Checks the input and builds the problem; throws InputError, with the notation's column
// when the equation does not parse.
Problem buildProblem(const ProblemInput &in);

// A name for the k-th derivative of Y: "Y", "Y'", "Y''", ..., "Y^(5)" from 5 on.
std::string derivativeName(int k);

}  // namespace quadrel::solver
