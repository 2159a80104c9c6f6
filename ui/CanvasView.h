#pragma once
// The form-level layout that follows every proportional resize: the horizontal scroll bar
// that slides the canvas on narrow screens, the tips box sized to the window, and the window
// caption. The rules are plain functions of sizes in twips so that they can be checked
// without a screen of a particular width.
#include <QString>
#include <QtGlobal>

namespace quadrel::canvas {

// The window caption without a file name.
QString baseCaption();

// A 16-bit scroll-bar value from twips: nearest integer, a half to the even neighbour, held
// inside the 16-bit range.
qint16 int16(double tw);

// The tips box for a form of outer size formWidth x formHeight (twips).
struct TipsBoxSize {
    double width, rightMargin, height;
};
TipsBoxSize tipsBoxSize(double formWidth, double formHeight);

// The horizontal scroll bar for a form of inner size scaleWidth x scaleHeight on a screen
// screenWidth wide, with the canvas canvasWidth wide (all twips). On a screen at least 10000
// twips wide the bar is hidden and its value goes back to 0.
struct ScrollBarLayout {
    double left, top, width;
    qint16 smallChange, largeChange;
    bool visible;
    qint16 max;  // meaningful only while visible
};
ScrollBarLayout scrollBarLayout(double scaleWidth, double scaleHeight, double screenWidth,
                                double canvasWidth);

}  // namespace quadrel::canvas
