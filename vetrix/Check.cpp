#include "vetrix/Check.h"

#include "notation/Equation.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace vetrix {

namespace {

using notation::Equation;
using notation::Op;
using notation::Step;
using notation::Token;

const char kTitle[] = "Vetrix equation check\n=====================\n\n";

// Column width that long listings stop growing at.
constexpr std::size_t kEchoWindow = 100;
// Lines of terms and of steps a listing shows before it cuts the table short.
constexpr std::size_t kMaxRows = 1000;

std::string moreRows(std::size_t hidden, const char *what) {
    return "   ... and " + std::to_string(hidden) + " more " + what + "\n";
}

std::string padRight(std::string s, std::size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

std::string padLeft(const std::string &s, std::size_t width) {
    return s.size() < width ? std::string(width - s.size(), ' ') + s : s;
}

std::string derivativeName(int k) { return "Y" + std::string(std::size_t(k), '\''); }

// The text as it can be shown on one line: control characters become '?', so that a caret
// written under a column stands under the right character.
std::string printable(std::string_view text) {
    std::string s(text);
    for (char &c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\t') c = ' ';
        else if (u < 32 || u == 127) c = '?';
    }
    return s;
}

std::string describeToken(const Token &t) {
    switch (t.kind) {
    case Token::Number: return "number " + formatNumber(t.value);
    case Token::X: return "X, the independent variable";
    case Token::A: return "A, the free parameter";
    case Token::Y:
        if (t.order == 0) return "Y, the unknown function";
        return "derivative of order " + std::to_string(t.order) + " of Y";
    case Token::Function: return "function";
    case Token::Operator:
        switch (t.symbol) {
        case '+': return "plus";
        case '-': return "minus";
        case '*': return "times";
        case '/': return "divided by";
        default: return "to the power";
        }
    case Token::Open: return "opening parenthesis";
    case Token::Close: return "closing parenthesis";
    case Token::Equals: return "equals sign: left side - right side = 0";
    }
    return "";
}

std::string describeStep(const Equation &eq, const Step &s) {
    const std::string a = eq.slotName(s.a);
    switch (s.op) {
    case Op::Neg: return "-" + a;
    case Op::Add: case Op::Sub: case Op::Mul: case Op::Div:
    case Op::Pow: case Op::PowInt: case Op::PowConst:
        return a + " " + Equation::opName(s.op) + " " + eq.slotName(s.b);
    default: return std::string(Equation::opName(s.op)) + "( " + a + ")";
    }
}

std::string success(const Equation &eq) {
    std::string out = kTitle;
    out += "Equation as given:\n  " + printable(eq.text().substr(0, 20 * kEchoWindow));
    if (eq.text().size() > 20 * kEchoWindow) out += "...";
    out += "\n\n";

    out += "Terms, left to right:\n";
    out += "  term  column  text        meaning\n";
    int i = 0;
    for (const Token &t : eq.terms()) {
        if (std::size_t(i) == kMaxRows) {
            out += moreRows(eq.terms().size() - kMaxRows, "terms");
            break;
        }
        out += padLeft(std::to_string(++i), 6) + padLeft(std::to_string(t.column), 8) + "  " +
               padRight(printable(eq.tokenText(t)), 10) + "  " + describeToken(t) + "\n";
    }
    out += "\n";

    const int n = eq.order();
    std::vector<double> y(std::size_t(n) + 1);
    for (int k = 0; k <= n; ++k) y[std::size_t(k)] = sampleY(k);
    out += "Sample values used below:\n  X = " + formatNumber(kSampleX);
    for (int k = 0; k <= n; ++k)
        out += ", " + derivativeName(k) + " = " + formatNumber(y[std::size_t(k)]);
    out += ", A = " + formatNumber(kSampleA) + "\n\n";

    out += "Stored steps. Each side is worked out strictly from left to right with no operator\n"
           "precedence; a group in parentheses or a function's argument is worked out on its\n"
           "own first and then counts as one term. A sign right after an operator or at the\n"
           "start of a side or group belongs to the next term only. Terms side by side are\n"
           "multiplied.\n";
    out += "  step  column  stored as                         value\n";
    const std::vector<double> values = eq.trace(kSampleX, y.data(), kSampleA);
    const std::vector<Step> &steps = eq.steps();
    bool hasEquals = false;
    for (const Token &t : eq.terms()) hasEquals = hasEquals || t.kind == Token::Equals;
    for (std::size_t s = 0; s < steps.size(); ++s) {
        if (s == kMaxRows && steps.size() > kMaxRows + 1) {
            out += moreRows(steps.size() - kMaxRows - 1, "steps");
            s = steps.size() - 1;  // the last step, the residual, is always shown
        }
        std::string line = padLeft(std::to_string(s + 1), 6) +
                           padLeft(std::to_string(steps[s].column), 8) + "  " +
                           padRight(eq.slotName(steps[s].result) + " = " + describeStep(eq, steps[s]), 30) +
                           "  " + padLeft(formatNumber(values[s]), 16);
        if (steps[s].result == eq.resultSlot() && hasEquals) line += "   (left side - right side)";
        out += line + "\n";
    }
    if (steps.empty()) out += "  (none: the equation is a single term)\n";
    out += "\n";

    std::vector<double> dY(y.size());
    double dX = 0, dA = 0;
    const double r = eq.residualWithGradient(kSampleX, y.data(), kSampleA, dY.data(), &dX, &dA);
    out += "Residual F = " + formatNumber(r) + "\n";
    out += "Partial derivatives of F at the sample values:\n";
    out += "  dF/dX" + std::string(std::size_t(n) + 2, ' ') + "= " + formatNumber(dX) + "\n";
    for (int k = 0; k <= n; ++k) {
        out += "  dF/d" + padRight(derivativeName(k), std::size_t(n) + 3) + "= " +
               formatNumber(dY[std::size_t(k)]);
        if (!eq.usesDerivative(k)) out += "   (does not appear)";
        out += "\n";
    }
    out += "  dF/dA" + std::string(std::size_t(n) + 2, ' ') + "= " + formatNumber(dA);
    if (!eq.usesA()) out += "   (A does not appear)";
    out += "\n\n";

    out += "Order of the equation: " + std::to_string(n) + "\n";
    out += "Unknowns a boundary value fit adjusts: the constants of integration ";
    for (int k = 0; k < n; ++k) {
        if (k) out += k + 1 == n ? " and " : ", ";
        out += derivativeName(k) + "(x0)";
    }
    out += eq.usesA() ? ", and the parameter A\n" : "; the equation has no parameter A\n";
    return out;
}

std::string failure(std::string_view text, const notation::ParseError &e) {
    std::string out = kTitle;
    out += "Equation as given:\n";
    // A long equation is shown around the failing column only.
    const std::size_t col = std::size_t(e.column() > 0 ? e.column() : 1);
    std::size_t from = 0;
    std::string prefix = "  ";
    if (text.size() > kEchoWindow && col > kEchoWindow / 2) {
        from = col - kEchoWindow / 2;
        prefix = "  ...";
    }
    std::string shown = printable(text.substr(std::min(from, text.size()), kEchoWindow));
    if (from + kEchoWindow < text.size()) shown += "...";
    out += prefix + shown + "\n";
    out += std::string(prefix.size() + (col - 1 - from), ' ') + "^\n";
    out += "Error in column " + std::to_string(e.column()) + ": " + e.what() + "\n";
    return out;
}

}  // namespace

double sampleY(int k) { return std::ldexp(1.0, -(k + 1)); }

std::string formatNumber(double v) {
    if (std::isnan(v)) return "not a number";
    if (std::isinf(v)) return v > 0 ? "infinity" : "-infinity";
    if (v == 0) return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
    return std::string(buf, r.ptr);
}

CheckResult check(std::string_view text) {
    CheckResult result;
    try {
        const Equation eq = Equation::parse(text);
        result.parsed = true;
        result.listing = success(eq);
    } catch (const notation::ParseError &e) {
        result.parsed = false;
        result.listing = failure(text, e);
    }
    return result;
}

}  // namespace vetrix
