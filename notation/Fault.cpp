#include "notation/Fault.h"

#include <cmath>
#include <cstdlib>
#include <unordered_map>

namespace notation {

namespace {

std::string number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

bool isFunction(Op op) { return op >= Op::Sin && op <= Op::Abs; }

// The slope of a step whose value is finite but whose derivative is not.
bool infiniteSlope(Op op, double a, double b) {
    switch (op) {
    case Op::Sqrt: return a == 0;
    case Op::Asin:
    case Op::Acos: return std::fabs(a) == 1;
    case Op::Pow:
    case Op::PowConst: return a == 0 && b > 0 && b < 1;
    default: return false;
    }
}

}  // namespace

std::string Fault::what() const {
    const std::string name = Equation::opName(op);
    const std::string arg = " (" + number(a) + ")";
    if (slopeOnly) return name + " at " + number(a) + " has no finite slope";
    switch (op) {
    case Op::Div:
        return b == 0 ? "Division by zero (" + number(a) + " / 0)"
                      : "Overflow in a division (" + number(a) + " / " + number(b) + ")";
    case Op::Sqrt: return "SQRT of a negative number" + arg;
    case Op::Log:
    case Op::Log10: return name + " of a non-positive number" + arg;
    case Op::Asin:
    case Op::Acos: return name + " of a number outside -1 to 1" + arg;
    case Op::Exp:
    case Op::Sinh:
    case Op::Cosh: return name + " overflow" + arg;
    case Op::Tan: return "TAN at a pole" + arg;
    case Op::Pow:
    case Op::PowInt:
    case Op::PowConst:
        if (a == 0 && b < 0) return "Division by zero (0 ^ " + number(b) + ")";
        if (a < 0 && b != std::floor(b))
            return "A negative number to a fractional power (" + number(a) + " ^ " + number(b) + ")";
        return "Overflow in a power (" + number(a) + " ^ " + number(b) + ")";
    default:
        return std::string("Overflow in ") + (isFunction(op) ? name : "'" + name + "'") + " (" +
               number(a) + (isFunction(op) || op == Op::Neg ? "" : " " + name + " " + number(b)) +
               ")";
    }
}

std::string Fault::text() const { return what() + " at column " + std::to_string(column); }

Fault findFault(const Equation &eq, double x, const double *y, double a) {
    Fault f;
    if (!std::isfinite(x) || !std::isfinite(a)) return f;
    for (int k = 0; k <= eq.order(); ++k)
        if (!std::isfinite(y[k])) return f;
    const std::vector<double> values = eq.trace(x, y, a);
    const std::vector<Step> &steps = eq.steps();
    // Step results by slot; any other slot is an input or a number as typed.
    std::unordered_map<std::uint32_t, double> results;
    auto operand = [&](std::uint32_t slot) {
        const auto it = results.find(slot);
        if (it != results.end()) return it->second;
        const std::string name = eq.slotName(slot);
        if (name == "X") return x;
        if (name == "A") return a;
        if (!name.empty() && (name[0] == 'Y' || name[0] == 'y'))
            return y[name.size() - 1];  // Y followed by one apostrophe per order
        return name.empty() ? 0.0 : std::strtod(name.c_str(), nullptr);
    };
    Fault slope;
    for (size_t i = 0; i < steps.size() && i < values.size(); ++i) {
        const Step &s = steps[i];
        const double va = operand(s.a), vb = operand(s.b);
        results[s.result] = values[i];
        if (!std::isfinite(va) || !std::isfinite(vb)) continue;
        if (!std::isfinite(values[i])) {
            f = {true, s.op, s.column, va, vb, false};
            return f;
        }
        if (!slope.found && infiniteSlope(s.op, va, vb)) slope = {true, s.op, s.column, va, vb, true};
    }
    return slope;
}

}  // namespace notation
