#pragma once
// Twips (1440 per inch) to screen pixels and back. Every position and size the form code
// states is in twips; this is the one place that turns them into pixels, using the screen's
// logical dpi (15 twips per pixel at 96 dpi).
#include <QRect>

namespace quadrel::twips {

constexpr double kPerInch = 1440.0;

// Twips in one pixel, horizontally and vertically.
double perPixelX();
double perPixelY();

int toPixelsX(double tw);
int toPixelsY(double tw);
double fromPixelsX(int px);
double fromPixelsY(int px);

// A rectangle given in twips (left, top, width, height) in pixels.
QRect toPixels(double left, double top, double width, double height);

}  // namespace quadrel::twips
