#include "lumaplots/AxisTicks.h"

#include <algorithm>
#include <cmath>

namespace quadrel {

namespace {
constexpr double Limit = 1e300;
}

void sanitizeRange(double &lo, double &hi) {
    if (!std::isfinite(lo) && !std::isfinite(hi)) {
        lo = 0;
        hi = 1;
    } else if (!std::isfinite(lo)) {
        lo = hi - 1;
    } else if (!std::isfinite(hi)) {
        hi = lo + 1;
    }
    if (lo > hi)
        std::swap(lo, hi);
    lo = std::clamp(lo, -Limit, Limit);
    hi = std::clamp(hi, -Limit, Limit);
    const double mid = lo / 2 + hi / 2;
    const double minSpan = std::max(std::abs(mid) * 1e-9, 1e-290);
    if (hi - lo < minSpan) {
        const double half = mid == 0 ? 1.0 : std::max(std::abs(mid) * 0.1, minSpan);
        lo = mid - half;
        hi = mid + half;
    }
}

AxisTicks axisTicks(double lo, double hi, int target) {
    AxisTicks t;
    sanitizeRange(lo, hi);
    target = std::max(target, 2);
    const double raw = (hi - lo) / target;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / mag;
    double nice;
    if (f < 1.5)
        nice = 1;
    else if (f < 3.5)
        nice = 2;
    else if (f < 7.5)
        nice = 5;
    else
        nice = 10;
    t.step = nice * mag;
    const double first = std::ceil(lo / t.step - 1e-9);
    for (int i = 0; i < 1000; ++i) {
        double v = (first + i) * t.step;
        if (v > hi + t.step * 1e-9)
            break;
        if (std::abs(v) < t.step * 1e-9)
            v = 0;  // never "-0" or 1e-17 where zero is meant
        t.values.append(v);
    }
    return t;
}

QString tickLabel(double value, double step) {
    if (!std::isfinite(value))
        return QString::number(value);
    if (step > 0 && std::abs(value) < step * 1e-9)
        value = 0;
    if (value == 0)
        return QStringLiteral("0");
    const double big = std::max(std::abs(value), step);
    const bool scientific = big >= 1e6 || (step > 0 && step < 1e-4);
    const int stepExp = step > 0 ? int(std::floor(std::log10(step) + 1e-9)) : 0;
    if (!scientific) {
        const int decimals = std::max(0, -stepExp);
        return QString::number(value, 'f', decimals);
    }
    const int valueExp = int(std::floor(std::log10(std::abs(value))));
    const int digits = std::clamp(valueExp - stepExp + 1, 1, 17);
    return QString::number(value, 'g', digits);
}

}  // namespace quadrel
