#pragma once
// The equation checker behind libVetrix.so and the vetrix command: parses one equation and
// produces the plain-text listing a student checks by hand, or the listing of the parse
// failure with a caret under the failing column. Qt-free.
#include <string>
#include <string_view>

namespace vetrix {

// The sample point every listing works at: X = 1.5, A = 2 and Y^(k) = 0.5^(k+1)
// (Y = 0.5, Y' = 0.25, Y'' = 0.125, ...).
constexpr double kSampleX = 1.5;
constexpr double kSampleA = 2;
double sampleY(int k);

struct CheckResult {
    bool parsed = false;  // true: `listing` is the equation's listing; false: its failure
    std::string listing;
};

CheckResult check(std::string_view text);

// Numbers as the listings print them: up to ten significant digits, '.' as the decimal
// point whatever the locale.
std::string formatNumber(double v);

}  // namespace vetrix
