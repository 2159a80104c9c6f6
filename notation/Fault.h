#pragma once
// Why an equation has no finite value at a point: the first stored step, in evaluation
// order, whose value (or, failing that, whose slope) is not a finite number although its
// operands are, named for what it is ("SQRT of a negative number") with its column.
#include "notation/Equation.h"

#include <string>

namespace notation {

struct Fault {
    bool found = false;
    Op op = Op::Add;
    int column = 0;          // 1-based column of the operator or function in the text
    double a = 0, b = 0;     // its operands (b unused for a function)
    bool slopeOnly = false;  // the value is finite, its derivative is not (SQRT at 0)
    // What went wrong, without the column: "SQRT of a negative number (-2)".
    std::string what() const;
    // The same with the column: "SQRT of a negative number (-2) at column 7".
    std::string text() const;
};

// Evaluates the equation step by step at one point (allocates; for messages only). Not
// found when every step is finite, or when an input (X, A, Y^(k)) itself is not finite.
Fault findFault(const Equation &eq, double x, const double *y, double a);

}  // namespace notation
