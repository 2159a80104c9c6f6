// libFuzzer target: any bytes are parsed; a parse either fails with a column inside the text
// (or just past it) or gives an equation whose evaluation keeps its promises. The checker's
// listing is produced for every input too.
#include "notation/Equation.h"
#include "vetrix/Check.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

bool same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        const notation::Equation eq = notation::Equation::parse(text);
        const int n = eq.order();
        require(n >= 1 && eq.usesDerivative(n));
        std::vector<double> y(std::size_t(n) + 1), dY(y.size()), dY2(y.size());
        const double points[][3] = {{1.5, 0.5, 2}, {0, 0, 0}, {-2.25, -3, 1e-3}};
        for (const auto &p : points) {
            for (int k = 0; k <= n; ++k) y[std::size_t(k)] = p[1] * (k + 1);
            double dX, dA, dX2, dA2;
            const double r = eq.residual(p[0], y.data(), p[2]);
            const double rg = eq.residualWithGradient(p[0], y.data(), p[2], dY.data(), &dX, &dA);
            const double rg2 = eq.residualWithGradient(p[0], y.data(), p[2], dY2.data(), &dX2, &dA2);
            // The value with derivatives is the plain value, and a second call repeats the first.
            double slope = 0;
            require(same(r, rg) && same(rg, rg2) && same(dX, dX2) && same(dA, dA2) &&
                    same(r, eq.residualAndSlope(p[0], y.data(), p[2], slope)));
            for (int k = 0; k <= n; ++k) {
                require(same(dY[std::size_t(k)], dY2[std::size_t(k)]));
                if (!eq.usesDerivative(k)) require(dY[std::size_t(k)] == 0);
            }
            if (!eq.usesA()) require(dA == 0);
            if (!eq.usesX()) require(dX == 0);
            require(eq.trace(p[0], y.data(), p[2]).size() == eq.steps().size());
        }
    } catch (const notation::ParseError &e) {
        require(e.column() >= 1 && std::size_t(e.column()) <= size + 1);
        require(std::strlen(e.what()) > 0);
    }
    const vetrix::CheckResult r = vetrix::check(text);
    require(!r.listing.empty());
    return 0;
}
