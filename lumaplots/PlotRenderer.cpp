#include "lumaplots/PlotRenderer.h"

#include "lumaplots/AxisTicks.h"
#include "lumaplots/Decimate.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace quadrel {

namespace {

constexpr double ValueLimit = 1e300;

double clampValue(double v) { return std::clamp(v, -ValueLimit, ValueLimit); }

struct Box {
    double x0, x1, y0, y1;
    bool contains(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Liang-Barsky: clips the segment (ax,ay)-(bx,by) to the box; false when nothing is left.
// t0/t1 tell which part of the segment remains (0 and 1 when an end is untouched).
bool clipSegment(const Box &box, double ax, double ay, double bx, double by, double &t0,
                 double &t1) {
    t0 = 0;
    t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - box.x0, box.x1 - ax, ay - box.y0, box.y1 - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
    }
    return t0 <= t1;
}

struct Mapper {
    PlotRange r;
    QRectF area;
    QPointF map(double x, double y) const {
        return {area.left() + (x - r.xMin) / (r.xMax - r.xMin) * area.width(),
                area.bottom() - (y - r.yMin) / (r.yMax - r.yMin) * area.height()};
    }
};

// Draws one curve as polylines broken at non-finite values and where it leaves the view.
// Returns true when any part of it was inside the view.
bool drawPolylines(QPainter &p, const Mapper &m, const Box &box, const QVector<double> &xs,
                   const QVector<double> &ys) {
    const int n = std::min(xs.size(), ys.size());
    bool any = false;
    QPolygonF line;
    // Qt's rasteriser slows down sharply on one long stroked path that folds over itself,
    // so long lines go out in short pieces; round caps join them without a seam.
    constexpr int piece = 64;
    auto flush = [&]() {
        for (int s = 0; s + 1 < line.size(); s += piece - 1)
            p.drawPolyline(line.constData() + s, std::min<int>(piece, line.size() - s));
        line.clear();
    };
    if (n == 1) {
        if (std::isfinite(xs[0]) && std::isfinite(ys[0]) && box.contains(xs[0], ys[0])) {
            const QPointF c = m.map(xs[0], ys[0]);
            p.drawEllipse(c, 1.5, 1.5);
            return true;
        }
        return false;
    }
    for (int i = 0; i + 1 < n; ++i) {
        const double ax = xs[i], ay = ys[i], bx = xs[i + 1], by = ys[i + 1];
        if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) {
            flush();
            continue;
        }
        const double cax = clampValue(ax), cay = clampValue(ay);
        const double cbx = clampValue(bx), cby = clampValue(by);
        double t0, t1;
        if (!clipSegment(box, cax, cay, cbx, cby, t0, t1)) {
            flush();
            continue;
        }
        any = true;
        const QPointF s = m.map(cax + t0 * (cbx - cax), cay + t0 * (cby - cay));
        const QPointF e = m.map(cax + t1 * (cbx - cax), cay + t1 * (cby - cay));
        if (t0 > 0 || line.isEmpty()) {
            flush();
            line.append(s);
        }
        line.append(e);
        if (t1 < 1)
            flush();
    }
    flush();
    return any;
}

// Draws a curve with many points per pixel column as the band it fills: in each column
// from its lowest to its highest value, joined to the next column. The band's outline
// never folds back, unlike a line through the same points, so it is quick to draw; it
// breaks where a value is not finite or the curve turns back in x.
void drawBands(QPainter &p, const Mapper &m, const QVector<double> &xs, const QVector<double> &ys,
               const QVector<int> &kept, const ColumnGrid &grid) {
    const double colWidth = m.area.width() / grid.columns;
    // Values far outside the view are pulled to just outside it, where the clip hides them.
    const double top = m.area.top() - 4, bottom = m.area.bottom() + 4;
    QVector<QPointF> upper, lower;
    auto flush = [&]() {
        if (!upper.isEmpty()) {
            QPolygonF band(upper);
            for (int i = lower.size() - 1; i >= 0; --i)
                band.append(lower[i]);
            p.drawPolygon(band);
        }
        upper.clear();
        lower.clear();
    };
    int direction = 0, column = 0;
    for (int k = 0; k < kept.size(); ++k) {
        const double x = xs[kept[k]], y = ys[kept[k]];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            flush();
            continue;
        }
        const double py = std::clamp(m.map(x, clampValue(y)).y(), top, bottom);
        const int c = columnOf(grid, x);
        if (!upper.isEmpty() && c == column) {
            upper.last().ry() = std::min(upper.last().y(), py);
            lower.last().ry() = std::max(lower.last().y(), py);
            continue;
        }
        const int step = upper.isEmpty() ? 0 : (c > column ? 1 : -1);
        if (step != 0 && direction != 0 && step != direction)
            flush();
        direction = upper.isEmpty() ? 0 : step;
        column = c;
        const double px = m.area.left() + (c + 0.5) * colWidth;
        upper.append(QPointF(px, py));
        lower.append(QPointF(px, py));
    }
    flush();
}

// Draws one curve; a curve with more points than the plot area has columns is thinned to
// the points that matter in each column and drawn as its band, which keeps a redraw of a
// million points quick. Returns true when any part of it was inside the view.
bool drawCurve(QPainter &p, const Mapper &m, const Box &box, const QVector<double> &xs,
               const QVector<double> &ys, double columnWidth) {
    const double width = columnWidth > 0 ? columnWidth : 1.0 / std::max(1.0, p.device()->devicePixelRatioF());
    const int columns = int(std::ceil(std::min(m.area.width() / width, 1e7)));
    if (std::min(xs.size(), ys.size()) <= 4 * columns)
        return drawPolylines(p, m, box, xs, ys);
    const ColumnGrid grid{m.r.xMin, m.r.xMax, columns};
    const QVector<int> kept = decimateByColumn(xs, ys, grid);
    bool any = false;
    for (int i = 0; i + 1 < kept.size() && !any; ++i) {
        double t0, t1;
        const double ax = xs[kept[i]], ay = ys[kept[i]], bx = xs[kept[i + 1]], by = ys[kept[i + 1]];
        any = std::isfinite(ax) && std::isfinite(ay) && std::isfinite(bx) && std::isfinite(by) &&
              clipSegment(box, clampValue(ax), clampValue(ay), clampValue(bx), clampValue(by), t0, t1);
    }
    if (any)
        drawBands(p, m, xs, ys, kept, grid);
    return any;
}

void drawDataMarker(QPainter &p, const QPointF &c) {
    p.setPen(QPen(dataPointColor(), 1.6));
    p.setBrush(Qt::white);
    p.drawEllipse(c, 4.5, 4.5);
}

void drawFitMarker(QPainter &p, const QPointF &c) {
    p.setPen(QPen(fitColor(), 2.0));
    p.setBrush(Qt::NoBrush);
    const double s = 4.0;
    p.drawLine(QPointF(c.x() - s, c.y() - s), QPointF(c.x() + s, c.y() + s));
    p.drawLine(QPointF(c.x() - s, c.y() + s), QPointF(c.x() + s, c.y() - s));
}

struct LegendEntry {
    enum Kind { Curve, Data, Fit } kind;
    QString text;
    QColor color;
};

void includeValue(double v, double &lo, double &hi) {
    if (!std::isfinite(v))
        return;
    v = clampValue(v);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
}

}  // namespace

QColor curveColor(int index) {
    static const QColor colors[] = {
        QColor(0x1f, 0x5f, 0xbf),  // blue
        QColor(0xe0, 0x6c, 0x00),  // orange
        QColor(0x2c, 0xa0, 0x2c),  // green
        QColor(0xc0, 0x1c, 0x28),  // red
        QColor(0x81, 0x3d, 0x9c),  // purple
        QColor(0x8c, 0x56, 0x4b),  // brown
        QColor(0xd6, 0x3a, 0xa8),  // pink
        QColor(0x17, 0x9f, 0xb0),  // teal
        QColor(0x9a, 0x9a, 0x10),  // olive
        QColor(0x55, 0x55, 0x55),  // grey
    };
    constexpr int n = sizeof(colors) / sizeof(colors[0]);
    return colors[((index % n) + n) % n];
}

QColor dataPointColor() { return QColor(0x10, 0x10, 0x10); }
QColor fitColor() { return QColor(0xd0, 0x00, 0x60); }

bool curveShown(const PlotOptions &options, int index) {
    return index >= options.curveVisible.size() || options.curveVisible[index];
}

PlotRange fitRange(const PlotData &data, const PlotOptions &options) {
    double xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY;
    bool anyCurve = false;
    for (int k = 0; k < data.curveCount(); ++k) {
        if (!curveShown(options, k))
            continue;
        anyCurve = true;
        const auto &ys = data.curves[k];
        for (int i = 0; i < ys.size() && i < data.x.size(); ++i) {
            if (!std::isfinite(data.x[i]) || !std::isfinite(ys[i]))
                continue;
            includeValue(data.x[i], xlo, xhi);
            includeValue(ys[i], ylo, yhi);
        }
    }
    if (options.pointsVisible) {
        for (const auto &pt : data.dataPoints) {
            if (!std::isfinite(pt.x))
                continue;
            if (std::isfinite(pt.y)) {
                includeValue(pt.x, xlo, xhi);
                includeValue(pt.y, ylo, yhi);
            }
            if (pt.hasFit && std::isfinite(pt.fit)) {
                includeValue(pt.x, xlo, xhi);
                includeValue(pt.fit, ylo, yhi);
            }
        }
    }
    if (!anyCurve && !std::isfinite(xlo)) {
        // Nothing shown: keep the frame of the x values so the axes stay meaningful.
        for (double x : data.x)
            includeValue(x, xlo, xhi);
    }
    PlotRange r;
    if (!std::isfinite(xlo)) {
        r = PlotRange{};
    } else {
        r.xMin = xlo;
        r.xMax = xhi;
        r.yMin = std::isfinite(ylo) ? ylo : 0;
        r.yMax = std::isfinite(yhi) ? yhi : 1;
    }
    sanitizeRange(r.xMin, r.xMax);
    sanitizeRange(r.yMin, r.yMax);
    // A margin so that curves and markers do not touch the frame; x only a little, since
    // the plot usually spans exactly the x interval that was asked for.
    const double ym = (r.yMax - r.yMin) * 0.05;
    const double xm = (r.xMax - r.xMin) * 0.02;
    r.yMin = std::max(r.yMin - ym, -ValueLimit);
    r.yMax = std::min(r.yMax + ym, ValueLimit);
    r.xMin = std::max(r.xMin - xm, -ValueLimit);
    r.xMax = std::min(r.xMax + xm, ValueLimit);
    return r;
}

PlotStats renderPlot(QPainter &p, const QRectF &target, const PlotData *data,
                     const PlotOptions &options) {
    PlotStats stats;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(target, Qt::white);

    const QFont baseFont = p.font();
    QFont titleFont = baseFont;
    titleFont.setBold(true);
    if (titleFont.pointSizeF() > 0)
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    else
        titleFont.setPixelSize(std::max(1, titleFont.pixelSize() * 5 / 4));
    const QFontMetricsF fm(baseFont, p.device());
    const QFontMetricsF tfm(titleFont, p.device());

    const bool hasCurves = data && data->curveCount() > 0 && data->rowCount() > 0;
    if (!hasCurves) {
        p.setPen(QColor(0x60, 0x60, 0x60));
        p.setFont(baseFont);
        const QString text = options.placeholder.isEmpty()
                                 ? QStringLiteral("No plot to show.")
                                 : options.placeholder;
        p.drawText(target.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, text);
        p.restore();
        return stats;
    }

    const double pad = std::max(8.0, fm.height() * 0.6);
    double top = target.top() + pad;
    const QString title = data->title.isEmpty() ? options.fallbackTitle : data->title;

    // Title and equation.
    if (!title.isEmpty()) {
        p.setFont(titleFont);
        p.setPen(Qt::black);
        const QString t = tfm.elidedText(title, Qt::ElideRight, target.width() - 2 * pad);
        p.drawText(QRectF(target.left() + pad, top, target.width() - 2 * pad, tfm.height()),
                   Qt::AlignHCenter | Qt::AlignVCenter, t);
        top += tfm.height() + 2;
    }
    if (!data->equation.isEmpty()) {
        p.setFont(baseFont);
        p.setPen(QColor(0x40, 0x40, 0x40));
        const QString t = fm.elidedText(data->equation, Qt::ElideRight, target.width() - 2 * pad);
        p.drawText(QRectF(target.left() + pad, top, target.width() - 2 * pad, fm.height()),
                   Qt::AlignHCenter | Qt::AlignVCenter, t);
        top += fm.height();
    }
    if (!data->notSolved.isEmpty()) {
        // A run that stopped short still plots what it reached; say so above the plot.
        p.setFont(baseFont);
        p.setPen(QColor(0xb0, 0x00, 0x20));
        const QString t = fm.elidedText(QStringLiteral("Not solved: ") + data->notSolved,
                                        Qt::ElideRight, target.width() - 2 * pad);
        p.drawText(QRectF(target.left() + pad, top, target.width() - 2 * pad, fm.height()),
                   Qt::AlignHCenter | Qt::AlignVCenter, t);
        top += fm.height();
    }
    top += pad * 0.75;

    // Legend entries.
    QVector<LegendEntry> legend;
    for (int k = 0; k < data->curveCount(); ++k) {
        if (curveShown(options, k))
            legend.append({LegendEntry::Curve, data->curveNames.value(k, derivativeName(k)),
                           curveColor(k)});
    }
    const bool showPoints = options.pointsVisible && data->isBoundaryProblem();
    const bool anyFit = std::any_of(data->dataPoints.begin(), data->dataPoints.end(),
                                    [](const PlotDataPoint &d) { return d.hasFit; });
    if (showPoints) {
        legend.append({LegendEntry::Data, QStringLiteral("Data points"), dataPointColor()});
        if (anyFit)
            legend.append({LegendEntry::Fit, QStringLiteral("Fitted Y"), fitColor()});
    }
    const double swatch = fm.height() * 1.8;
    double legendWidth = 0;
    for (const auto &e : legend)
        legendWidth = std::max(legendWidth, fm.horizontalAdvance(e.text));
    if (!legend.isEmpty())
        legendWidth += swatch + 3 * pad / 2 + pad;
    legendWidth = std::min(legendWidth, target.width() * 0.3);

    // Axes: the plot area depends on the width of the y labels, which depend on its height.
    const double bottomSpace = fm.height() * 2 + pad * 1.5;
    double plotTop = top;
    double plotBottom = target.bottom() - bottomSpace;
    if (plotBottom - plotTop < 20)
        plotBottom = plotTop + 20;
    PlotRange r = options.range;
    sanitizeRange(r.xMin, r.xMax);
    sanitizeRange(r.yMin, r.yMax);
    const AxisTicks yt =
        axisTicks(r.yMin, r.yMax, std::clamp(int((plotBottom - plotTop) / (fm.height() * 3)), 2, 10));
    double yLabelWidth = 0;
    for (double v : yt.values)
        yLabelWidth = std::max(yLabelWidth, fm.horizontalAdvance(tickLabel(v, yt.step)));
    // Title of the y axis, turned upright, left of the tick labels: the curves shown.
    QStringList shownNames;
    for (int k = 0; k < data->curveCount(); ++k) {
        if (curveShown(options, k))
            shownNames.append(data->curveNames.value(k, derivativeName(k)));
    }
    const QString yTitle = shownNames.join(QStringLiteral(", "));
    const double yTitleWidth = yTitle.isEmpty() ? 0 : fm.height() + 4;
    const double plotLeft = target.left() + pad + yTitleWidth + yLabelWidth + 8;
    double plotRight = target.right() - pad - (legend.isEmpty() ? 0 : legendWidth + pad);
    if (plotRight - plotLeft < 20)
        plotRight = plotLeft + 20;
    const QRectF area(QPointF(plotLeft, plotTop), QPointF(plotRight, plotBottom));
    stats.plotArea = area;
    double maxXLabel = 0;
    {
        const AxisTicks probe = axisTicks(r.xMin, r.xMax, 6);
        for (double v : probe.values)
            maxXLabel = std::max(maxXLabel, fm.horizontalAdvance(tickLabel(v, probe.step)));
    }
    const AxisTicks xt =
        axisTicks(r.xMin, r.xMax, std::clamp(int(area.width() / (maxXLabel + fm.height() * 2.5)), 2, 12));

    const Mapper m{r, area};
    const double gx = (r.xMax - r.xMin) * 1e-9, gy = (r.yMax - r.yMin) * 1e-9;

    // Grid, zero lines and frame.
    p.setFont(baseFont);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xe4, 0xe4, 0xe4), 1));
    for (double v : xt.values) {
        const double x = m.map(v, 0).x();
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    for (double v : yt.values) {
        const double y = m.map(0, v).y();
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    p.setPen(QPen(QColor(0xa8, 0xa8, 0xa8), 1));
    if (r.xMin < -gx && r.xMax > gx) {
        const double x = m.map(0, 0).x();
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    if (r.yMin < -gy && r.yMax > gy) {
        const double y = m.map(0, 0).y();
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }

    // Tick marks and labels.
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    for (double v : xt.values) {
        const double x = m.map(v, 0).x();
        p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        p.drawText(QRectF(x - 100, area.bottom() + 5, 200, fm.height()),
                   Qt::AlignHCenter | Qt::AlignTop, tickLabel(v, xt.step));
    }
    for (double v : yt.values) {
        const double y = m.map(0, v).y();
        p.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
        p.drawText(QRectF(target.left(), y - fm.height() / 2, area.left() - 6 - target.left(),
                          fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, tickLabel(v, yt.step));
    }
    // Name of the x axis under the tick labels.
    p.drawText(QRectF(area.left(), area.bottom() + 5 + fm.height() + 2, area.width(), fm.height()),
               Qt::AlignHCenter | Qt::AlignTop, data->xName);
    if (!yTitle.isEmpty()) {
        p.save();
        p.translate(target.left() + pad, area.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-area.height() / 2, 0, area.height(), fm.height()), Qt::AlignCenter,
                   fm.elidedText(yTitle, Qt::ElideRight, area.height()));
        p.restore();
    }

    // Curves, clipped to the plot area.
    const Box box{r.xMin, r.xMax, r.yMin, r.yMax};
    p.save();
    p.setClipRect(area.adjusted(-1, -1, 1, 1));
    for (int k = 0; k < data->curveCount(); ++k) {
        if (!curveShown(options, k))
            continue;
        const QColor c = curveColor(k);
        p.setPen(QPen(c, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(c);
        if (drawCurve(p, m, box, data->x, data->curves[k], options.columnWidth))
            ++stats.curvesDrawn;
    }

    // Data points: a dashed line from each datum to its fitted value shows the residual.
    if (showPoints) {
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1, Qt::DashLine));
        for (const auto &d : data->dataPoints) {
            if (!d.hasFit || !std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.fit))
                continue;
            double t0, t1;
            const double x = clampValue(d.x), y = clampValue(d.y), f = clampValue(d.fit);
            if (clipSegment(box, x, y, x, f, t0, t1))
                p.drawLine(m.map(x, y + t0 * (f - y)), m.map(x, y + t1 * (f - y)));
        }
        // Crosses over the circles, so that a close fit shows both.
        for (const auto &d : data->dataPoints) {
            if (std::isfinite(d.x) && std::isfinite(d.y) && box.contains(d.x, d.y)) {
                drawDataMarker(p, m.map(d.x, d.y));
                ++stats.dataMarkers;
            }
        }
        for (const auto &d : data->dataPoints) {
            if (d.hasFit && std::isfinite(d.x) && std::isfinite(d.fit) && box.contains(d.x, d.fit)) {
                drawFitMarker(p, m.map(d.x, d.fit));
                ++stats.fitMarkers;
            }
        }
    }
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.drawRect(area);

    // Legend beside the plot area, top aligned.
    if (!legend.isEmpty()) {
        const double rowH = fm.height() * 1.4;
        const QRectF lr(area.right() + pad, area.top(), legendWidth, rowH * legend.size() + pad);
        stats.legendArea = lr;
        p.setPen(QPen(QColor(0xc8, 0xc8, 0xc8), 1));
        p.setBrush(QColor(0xfa, 0xfa, 0xfa));
        p.drawRect(lr);
        double y = lr.top() + pad / 2;
        for (const auto &e : legend) {
            const QPointF mid(lr.left() + pad / 2 + swatch / 2, y + rowH / 2);
            switch (e.kind) {
            case LegendEntry::Curve:
                p.setPen(QPen(e.color, 2.0, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(mid.x() - swatch / 2, mid.y()), QPointF(mid.x() + swatch / 2, mid.y()));
                break;
            case LegendEntry::Data: drawDataMarker(p, mid); break;
            case LegendEntry::Fit: drawFitMarker(p, mid); break;
            }
            p.setPen(Qt::black);
            const double tx = lr.left() + pad + swatch;
            p.drawText(QRectF(tx, y, lr.right() - tx - pad / 2, rowH), Qt::AlignLeft | Qt::AlignVCenter,
                       fm.elidedText(e.text, Qt::ElideRight, lr.right() - tx - pad / 2));
            y += rowH;
        }
    }

    p.restore();
    return stats;
}

}  // namespace quadrel
