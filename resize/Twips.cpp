#include "resize/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace quadrel::twips {

namespace {
double logicalDpi(bool horizontal) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) return 96.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}
}  // namespace

double perPixelX() { return kPerInch / logicalDpi(true); }
double perPixelY() { return kPerInch / logicalDpi(false); }

int toPixelsX(double tw) { return static_cast<int>(std::lround(tw / perPixelX())); }
int toPixelsY(double tw) { return static_cast<int>(std::lround(tw / perPixelY())); }
double fromPixelsX(int px) { return px * perPixelX(); }
double fromPixelsY(int px) { return px * perPixelY(); }

QRect toPixels(double left, double top, double width, double height) {
    const int x = toPixelsX(left);
    const int y = toPixelsY(top);
    // Right and bottom edges are rounded as positions, so that controls placed edge to edge
    // in twips stay edge to edge in pixels.
    return QRect(x, y, toPixelsX(left + width) - x, toPixelsY(top + height) - y);
}

}  // namespace quadrel::twips
