#include "solver/Problem.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace quadrel::solver {

namespace {

std::string_view trimmedView(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string trimmed(const std::string &s) { return std::string(trimmedView(s)); }

std::vector<std::string> splitValues(const std::string &s) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// The number in text; what() names it in the message when there is none. The name is
// built only then: a problem has a few hundred numbers and all of them are usually fine.
template <class Name> double requireNumber(const std::string &text, Name &&what) {
    if (const auto v = parseNumber(text)) return *v;
    const std::string t = trimmed(text);
    if (t.empty()) throw InputError(std::string(what()) + " is blank; give a number.");
    throw InputError(std::string(what()) + " \"" + t + "\" is not a number.");
}

double requireNumber(const std::string &text, const char *what) {
    return requireNumber(text, [what] { return what; });
}

// A whole number in [lo, hi]; the text may be written as a decimal ("100.", "1e3").
long requireWhole(const std::string &text, const char *what, long lo, long hi) {
    const double v = requireNumber(text, what);
    if (v != std::floor(v) || v < double(lo) || v > double(hi))
        throw InputError(std::string(what) + " \"" + trimmed(text) +
                         "\" must be a whole number from " + std::to_string(lo) + " to " +
                         std::to_string(hi) + ".");
    return long(v);
}

std::string shortNumber(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

// The plot points x0 + r * Delta_x must be finite and distinct: a range that overflows, or
// a step too small to move x at the size of x0, is refused before any solving.
void checkPlotRange(const Problem &p) {
    double prev = p.x0;
    for (int r = 1; r < p.nPoints; ++r) {
        const double x = p.x0 + double(r) * p.deltaX;
        if (!std::isfinite(x))
            throw InputError("The plot points leave the range of numbers: x0 + " +
                             std::to_string(r) + " * Delta_x is not a finite number (x0 = " +
                             shortNumber(p.x0) + ", Delta_x = " + shortNumber(p.deltaX) +
                             "). Give a smaller Delta_x (answer 6) or fewer plot points.");
        if (x == prev)
            throw InputError("The plot points are not distinct: near x = " + shortNumber(prev) +
                             " a Delta_x of " + shortNumber(p.deltaX) +
                             " does not change x. Give a larger Delta_x (answer 6) or an x0 "
                             "nearer to 0 (answer 3).");
        prev = x;
    }
}

}  // namespace

std::optional<double> parseNumber(const std::string &text) {
    std::string_view t = trimmedView(text);
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    if (t.empty() || t[0] == '+') return std::nullopt;
    double v = 0;
    const char *end = t.data() + t.size();
    const auto res = std::from_chars(t.data(), end, v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string derivativeName(int k) {
    if (k <= 4) return "Y" + std::string(size_t(k), '\'');
    return "Y^(" + std::to_string(k) + ")";
}

Problem buildProblem(const ProblemInput &in) {
    Problem p;
    p.fileName = in.fileName;
    p.equationText = trimmed(in.equation);
    p.note1 = in.note1;
    p.note2 = in.note2;
    if (p.equationText.empty()) throw InputError("The equation (answer 1) is blank.");
    if (p.equationText.size() > notation::kMaxEquationLength)
        throw InputError("The equation (answer 1) is " + std::to_string(p.equationText.size()) +
                         " characters long; the limit is " +
                         std::to_string(notation::kMaxEquationLength) + ".");
    if (in.dataPoints.size() > kMaxDataPoints)
        throw InputError("The problem has " + std::to_string(in.dataPoints.size()) +
                         " data points; the limit is " + std::to_string(kMaxDataPoints) + ".");
    try {
        p.equation = std::make_shared<const notation::Equation>(
            notation::Equation::parse(p.equationText));
    } catch (const notation::ParseError &e) {
        const int col = e.column() < 1 ? 1 : e.column();
        throw InputError("The equation cannot be read at column " + std::to_string(col) +
                         ": " + e.what() + "\n    " + p.equationText + "\n    " +
                         std::string(size_t(col - 1), ' ') + "^");
    }
    p.order = p.equation->order();
    p.usesA = p.equation->usesA();
    if (p.order < 1) throw InputError("The equation has no derivative of Y; it is not an ODE.");

    // Data points first: they decide the problem type.
    p.dataX.reserve(in.dataPoints.size());
    p.dataY.reserve(in.dataPoints.size());
    for (size_t i = 0; i < in.dataPoints.size(); ++i) {
        auto which = [i](const char *axis) {
            return [i, axis] { return "Data point #" + std::to_string(i + 1) + " " + axis; };
        };
        p.dataX.push_back(requireNumber(in.dataPoints[i].first, which("X")));
        p.dataY.push_back(requireNumber(in.dataPoints[i].second, which("Y")));
    }

    const std::string aText = trimmed(in.aText);
    if (!aText.empty()) {
        p.a = requireNumber(aText, "A (answer 2)");
        p.aGiven = true;
    }
    p.x0 = requireNumber(in.x0Text, "x0 (answer 3)");

    const auto values = splitValues(in.initialText);
    const int n = p.order;
    auto names = [n] {
        std::string s;
        for (int k = 0; k < n; ++k) s += (k ? ", " : "") + derivativeName(k);
        return s;
    };
    if (int(values.size()) > n + 1)
        throw InputError("Too many initial values (answer 4): the equation is of order " +
                         std::to_string(n) + ", so give " + std::to_string(n) + " (" + names() +
                         " at x0) and at most one more, a starting guess for " +
                         derivativeName(n) + "; got " + std::to_string(values.size()) + ".");
    if (!p.isBvp() && int(values.size()) < n)
        throw InputError("Too few initial values (answer 4): the equation is of order " +
                         std::to_string(n) + " and needs " + std::to_string(n) + " (" + names() +
                         " at x0); got " + std::to_string(values.size()) + ".");
    p.initial.assign(size_t(n), 0.0);
    for (size_t k = 0; k < values.size(); ++k) {
        const double v = requireNumber(values[k], [k] {
            return "Initial value #" + std::to_string(k + 1) + " (answer 4)";
        });
        if (int(k) < n)
            p.initial[k] = v;
        else
            p.topGuess = v;
    }
    p.initialGiven = std::min(int(values.size()), n);

    p.nPoints = int(requireWhole(in.nPointsText, "The number of plot points (answer 5)", 1,
                                 kMaxPlotPoints));
    p.deltaX = requireNumber(in.deltaXText, "Delta_x (answer 6)");
    if (p.nPoints > 1 && p.deltaX == 0)
        throw InputError("Delta_x (answer 6) is 0; with " + std::to_string(p.nPoints) +
                         " plot points it must not be.");
    checkPlotRange(p);

    p.controlsFromFile = in.solverVarsGiven;
    if (in.solverVarsGiven) {
        Controls &c = p.controls;
        const auto &v = in.solverVars;
        auto whole = [&](int i, int &field, long lo) {
            if (trimmedView(v[size_t(i)]).empty()) {
                p.controlDefaulted[size_t(i)] = true;
                return;
            }
            field = int(requireWhole(v[size_t(i)], Controls::names[i], lo, 100000000));
        };
        auto positive = [&](int i, double &field) {
            if (trimmedView(v[size_t(i)]).empty()) {
                p.controlDefaulted[size_t(i)] = true;
                return;
            }
            const double x = requireNumber(v[size_t(i)], Controls::names[i]);
            if (!(x > 0))
                throw InputError(std::string(Controls::names[i]) + " must be greater than 0.");
            field = x;
        };
        whole(0, c.remax, 1);
        whole(1, c.detail, 0);
        whole(2, c.stepsLim, 1);
        whole(3, c.stepOut, 0);
        whole(4, c.evalMax, 1);
        positive(5, c.accuracy);
        positive(6, c.zero);
    }
    return p;
}

}  // namespace quadrel::solver
