#pragma once
// The equation notation: parsing an ODE typed in Quadrel's plain notation into a compact
// evaluation program, and evaluating its residual F(X, Y, Y', ..., Y^(n), A) with its
// partial derivatives (automatic differentiation: each step's local partials are taken
// while the values are computed, then chained backwards once over the program).
// Qt-free: the checker library and the solver link it alone.
//
// The notation: case does not matter; blanks separate terms. Terms are numbers, X, A,
// Y followed by k apostrophes (the k-th derivative), a function name with a parenthesised
// argument (SIN COS TAN ASIN ACOS ATAN SINH COSH TANH EXP LOG LOG10 SQRT ABS) and
// parenthesised groups. The operators + - * / ^ stand between terms and two terms side by
// side are multiplied. There is no precedence: every side, group and function argument is
// evaluated strictly from left to right, and a group's value is one term. A unary sign at
// the start of a side or group, or right after an operator, applies to the next term only.
// At most one '='; the equation means left - right = 0.
//
// Evaluation runs a flat program over preallocated scratch held inside the Equation, so it
// allocates nothing; the scratch is mutable, which makes one Equation object unsafe to
// evaluate from two threads at once (give each thread its own copy).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace notation {

// The longest equation parse() accepts, in characters (bytes of the single-byte text). A
// longer text fails at once, before any of it is read, which keeps the memory (about 100
// bytes per character) and the time of a parse small whatever is pasted into the box.
constexpr std::size_t kMaxEquationLength = 100000;

// A parse failure: the 1-based column where it was found and a message a student reads.
class ParseError : public std::runtime_error {
public:
    ParseError(int column, const std::string &message)
        : std::runtime_error(message), column_(column) {}
    int column() const { return column_; }

private:
    int column_;
};

// Partial derivatives of the residual at one point.
struct Gradient {
    double dX = 0;                // dF/dX
    double dA = 0;                // dF/dA
    std::vector<double> dY;       // dF/dY^(k), k = 0..order
};

// One lexical term of the equation as typed.
struct Token {
    enum Kind : std::uint8_t { Number, X, A, Y, Function, Operator, Open, Close, Equals };
    Kind kind;
    char symbol = 0;      // the operator character for Operator
    int column = 0;       // 1-based
    int length = 0;       // characters in the text
    int order = 0;        // apostrophes after Y
    int function = 0;     // Op code of the function for Function
    double value = 0;     // for Number
};

// Operations of the stored program. The first block is what the notation can express;
// the second holds faster forms the evaluation program uses for constant exponents.
enum class Op : std::uint8_t {
    Add, Sub, Mul, Div, Pow, Neg,
    Sin, Cos, Tan, Asin, Acos, Atan, Sinh, Cosh, Tanh, Exp, Log, Log10, Sqrt, Abs,
    PowInt,    // operand b holds a small integer constant exponent
    PowConst,  // operand b holds any other constant exponent
};

// One stored step: slot `result` = op(slot a, slot b). Unary steps ignore b.
struct Step {
    Op op;
    std::uint32_t a = 0, b = 0, result = 0;
    int column = 0;       // column of the operator or function that made the step
};

class Equation {
public:
    // Parses text; throws ParseError. The equation means left - right = 0.
    static Equation parse(std::string_view text);

    int order() const;                 // highest derivative of Y that appears (>= 1)
    bool usesA() const;                // whether the parameter A appears
    bool usesDerivative(int k) const;  // whether Y^(k) appears (k = 0 is Y itself)
    bool usesX() const;                // whether X appears
    // Whether F is affine in the highest derivative, F = c + d * Y^(n) with c and d free of
    // Y^(n): then one evaluation with its partial dF/dY^(n) gives the root exactly.
    bool affineInHighest() const { return affineInHighest_; }
    // Whether, besides, d is a number: then d is known after one evaluation with partials,
    // and a plain residual gives every later root.
    bool constantSlope() const { return constantSlope_; }

    // Residual at x with y[k] = Y^(k), k = 0..order, and parameter a. Allocates nothing.
    double residual(double x, const double *y, double a) const;
    // Residual and its partial derivative dF/dY^(n) (order()) in one forward pass, cheaper
    // than the full gradient: what a Newton step for Y^(n) needs. Allocates nothing.
    double residualAndSlope(double x, const double *y, double a, double &slope) const;
    // The same two with Y^(k), k < order, in z and Y^(n) given apart: what a right-hand
    // side holds, so that it need not assemble y first.
    double residual(double x, const double *z, double top, double a) const;
    double residualAndSlope(double x, const double *z, double top, double a, double &slope) const;
    // Residual and all partial derivatives in one pass. dY must hold order()+1 values.
    // Allocates nothing.
    double residualWithGradient(double x, const double *y, double a,
                                double *dY, double *dX, double *dA) const;
    // Convenience form of the above that fills a Gradient (allocates its vector).
    double residualWithGradient(double x, const double *y, double a, Gradient &g) const;

    // --- The stored form, for the checker's listing ---
    const std::string &text() const { return text_; }
    const std::vector<Token> &terms() const { return tokens_; }
    // Every step in the order it was stored, left to right, before constant folding.
    const std::vector<Step> &steps() const { return steps_; }
    // Number of steps the evaluation program actually runs (after constant folding).
    std::size_t programLength() const { return program_.size() - 2; }
    // Instructions the reverse sweep visits (the others pass the adjoint on unchanged).
    std::size_t reverseLength() const;
    // The slot that holds the residual.
    std::uint32_t resultSlot() const { return result_; }
    // A readable name of a slot: X, A, Y, Y', ..., a number as typed, or t1, t2, ... for steps.
    std::string slotName(std::uint32_t slot) const;
    // The text of one token as typed.
    std::string tokenText(const Token &t) const;
    // Values of every step at one point (allocates; for listings only).
    std::vector<double> trace(double x, const double *y, double a) const;
    // The name of an operation as the notation writes it ("+", "SIN", ...).
    static const char *opName(Op op);

private:
    friend class Parser;
    friend class Compiler;
    // One instruction of the evaluation program, an accumulator machine: most instructions
    // combine the running value with one or two slots, so the chain of dependent steps
    // stays in a register. `code` selects the forward operation, `back` how the reverse
    // sweep passes the adjoint on. pa and pb are the local partials the forward sweep
    // records (evaluation scratch, hence the mutable program).
    struct Instr {
        double pa = 0, pb = 0;
        std::uint32_t slot = 0, slot2 = 0;
        std::uint8_t code = 0;
        std::uint8_t back = 0;
        // The code the slope sweep runs: `code`, or its tangent-free form where no operand
        // can depend on Y^(n) (decided once, when the equation is compiled).
        std::uint8_t slopeCode = 0;
    };
    // The reverse sweep's own list: only the instructions that pass anything on, in
    // program order, each naming the instruction whose partials it uses.
    struct BackInstr {
        std::uint32_t instr = 0, slot = 0, slot2 = 0;
        std::uint8_t back = 0;
    };

    std::string text_;
    std::vector<Token> tokens_;
    std::vector<Step> steps_;
    mutable std::vector<Instr> program_;
    std::vector<BackInstr> reverse_;
    std::vector<std::string> constText_;  // text of each number slot as typed
    int order_ = 0;
    bool usesA_ = false;
    bool usesX_ = false;
    bool affineInHighest_ = false;
    bool constantSlope_ = false;
    std::vector<bool> usesY_;
    // Slot layout: 0 = X, 1 = A, 2 = a placeholder operand of unary steps,
    // 3..3+order = Y^(k), then the numbers, then one slot per step.
    std::uint32_t firstConst_ = 0, firstTemp_ = 0, nSlots_ = 0;
    std::uint32_t result_ = 0;

    // Evaluation scratch, sized once by parse().
    mutable std::vector<double> value_;    // slot values; numbers and folded steps preset
    // Each use of X, A or a Y^(k) in the reverse sweep has its own adjoint cell, so no cell
    // is read back while it is being written; the cells of one input lie side by side
    // from useBegin_[slot] to useBegin_[slot + 1] and add up to its partial derivative.
    mutable std::vector<double> useAdjoint_;
    std::vector<std::uint32_t> useBegin_;
    mutable std::vector<double> stack_, backStack_;  // running values of enclosing groups
    mutable std::vector<double> tangentStack_;       // and their slopes (residualAndSlope)
    mutable double slope_ = 0;
    std::vector<double> constValues_;      // preset values of value_

    enum RunMode { kValue, kGradient, kSlope };
    template <int Mode>
    double run(double x, const double *z, double highest, double a) const;
};

}  // namespace notation
