#pragma once
// Tick positions and labels for a plot axis: steps of 1, 2 or 5 times a power of ten, and
// labels with just the digits the step needs.
#include <QString>
#include <QVector>

namespace quadrel {

struct AxisTicks {
    double step = 0;
    QVector<double> values;  // ascending, all inside [lo, hi]
};

// Ticks for the range [lo, hi] (lo < hi, both finite), about `target` of them.
AxisTicks axisTicks(double lo, double hi, int target = 6);

// Label of one tick value for ticks `step` apart.
QString tickLabel(double value, double step);

// A range fit to show: non-finite ends are replaced, an empty or tiny range is widened
// around its middle, and the ends are pulled inside +-1e300 so that differences stay finite.
void sanitizeRange(double &lo, double &hi);

}  // namespace quadrel
