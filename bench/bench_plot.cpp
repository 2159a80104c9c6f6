// Redraw time of the plot viewer for a plot file of a million points, beside a plain
// QPainter polyline through the same points in the same process as the peer.
//   bench_plot [points [image.png]]     (default 1000000 points; the image shows our redraw)
// Prints the time to read the file, the median redraw time of the whole plot (axes, grid,
// legend and curves thinned per pixel column) and of the bare polylines, and their ratio.
// Times are the thread's processor time, so that other work on a busy machine does not
// count; drawing into an image runs on the calling thread.
#include "lumaplots/PlotFile.h"
#include "lumaplots/PlotRenderer.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include <time.h>

using namespace quadrel;

namespace {

// A damped oscillation with a fast ripple, so that every pixel column holds a real spread.
QByteArray plotText(int points) {
    QByteArray t = "# title: A million plot points\n# columns: X Y Y' Y''\n";
    t.reserve(points * 64);
    char line[128];
    for (int i = 0; i < points; ++i) {
        const double x = 20.0 * i / (points - 1);
        const double y = std::exp(-0.1 * x) * std::sin(x) + 0.05 * std::sin(400 * x);
        const double d = std::exp(-0.1 * x) * (std::cos(x) - 0.1 * std::sin(x)) + 0.2 * std::cos(400 * x);
        const double dd = -y + 0.02 * std::sin(97 * x);
        t += QByteArray(line, std::snprintf(line, sizeof line, "%.10g %.10g %.10g %.10g\n", x, y, d, dd));
    }
    return t;
}

double threadMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double medianMs(int runs, const std::function<void()> &work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const double start = threadMs();
        work();
        ms.push_back(threadMs() - start);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int points = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1000000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("~4plots.plt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(plotText(points)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const double readStart = threadMs();
    const PlotParseResult parsed = readPlotFile(path);
    const double readMs = threadMs() - readStart;
    if (!parsed.ok) {
        std::fprintf(stderr, "plot file not read: %s\n", qPrintable(parsed.error));
        return 1;
    }
    const PlotData &data = parsed.data;
    PlotOptions options;
    options.range = fitRange(data, options);

    // The window's usual size.
    QImage image(QSize(1000, 700), QImage::Format_ARGB32_Premultiplied);
    PlotStats stats;
    const double oursMs = medianMs(11, [&] {
        QPainter p(&image);
        stats = renderPlot(p, QRectF(image.rect()), &data, options);
    });

    if (argc > 2)
        image.save(QString::fromLocal8Bit(argv[2]));

    // The peer: every point mapped into the same plot area and drawn with the same pen.
    const QRectF area = stats.plotArea;
    const PlotRange &r = options.range;
    std::vector<QPolygonF> lines(data.curveCount());
    for (int k = 0; k < data.curveCount(); ++k) {
        lines[k].reserve(data.rowCount());
        for (int i = 0; i < data.rowCount(); ++i)
            lines[k].append(QPointF(area.left() + (data.x[i] - r.xMin) / (r.xMax - r.xMin) * area.width(),
                                    area.bottom() - (data.curves[k][i] - r.yMin) / (r.yMax - r.yMin) * area.height()));
    }
    const double peerMs = medianMs(3, [&] {
        QPainter p(&image);
        p.fillRect(image.rect(), Qt::white);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setClipRect(area);
        for (int k = 0; k < data.curveCount(); ++k) {
            p.setPen(QPen(curveColor(k), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(lines[k]);
        }
    });

    std::printf("plot file: %d points, %d curves, %s\n", data.rowCount(), data.curveCount(),
                qPrintable(QLocale::c().toString(QFileInfo(path).size())));
    std::printf("read the file                         %9.1f ms processor time\n", readMs);
    std::printf("redraw, Lumaplots (whole plot)        %9.1f ms   (target: under 100 ms)\n", oursMs);
    std::printf("redraw, plain QPainter polylines      %9.1f ms\n", peerMs);
    std::printf("ratio peer / Lumaplots                %9.1f\n", peerMs / oursMs);
    return oursMs < 100 ? 0 : 2;
}
