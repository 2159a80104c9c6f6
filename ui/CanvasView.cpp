// The main form's layout after a resize, the canvas and its scroll bar, the tips box, the
// caption, the menus given back after a run, and where the keyboard focus goes at start-up
// and around the cell editor.
#include "ui/CanvasView.h"

#include "platform/RtError.h"
#include "resize/Twips.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <cmath>
#include <limits>

namespace quadrel {

namespace canvas {

QString baseCaption() {
    return QStringLiteral("Quadrel, the ordinary differential equation program");
}

qint16 int16(double tw) {
    const double v = std::nearbyint(tw);  // the default rounding mode: a half to even
    return static_cast<qint16>(qBound<double>(std::numeric_limits<qint16>::min(), v,
                                              std::numeric_limits<qint16>::max()));
}

TipsBoxSize tipsBoxSize(double formWidth, double formHeight) {
    TipsBoxSize s{};
    if (formWidth <= 11000) {
        s.width = formWidth - 700;
        s.height = formHeight - 1600;
    } else {
        s.width = formWidth - 2000;
        s.height = formHeight - 3000;
    }
    s.rightMargin = s.width - 200;
    return s;
}

ScrollBarLayout scrollBarLayout(double scaleWidth, double scaleHeight, double screenWidth,
                                double canvasWidth) {
    ScrollBarLayout b{};
    b.left = 0;
    b.top = scaleHeight - 130;
    b.width = scaleWidth - 100;
    b.smallChange = int16(twips::fromPixelsX(16));
    b.largeChange = qint16(b.smallChange * 16);
    b.visible = screenWidth < 10000;
    b.max = b.visible ? int16(canvasWidth + 300 - scaleWidth) : qint16(0);
    return b;
}

}  // namespace canvas

// The end of the form's preparation: every control's place, size and font recorded as
// fractions of the form's inner size (which has its design size here), the tips box sized,
// and the resize and first-show handling switched on.
void frmMain::prepareView() {
    try {
        StoreSizes(resizeState_, resizeForm());
    } catch (const RtError &e) {
        if (state_.msg)
            state_.msg->show(QStringLiteral("In 'form_load' routine ..."),
                             "Unexpected error #" + signStr(e.number()) + " occured: " + e.description(),
                             MsgIcon::Critical, MsgButtons::Ok);
    }
    SizeTipsText();
    centralWidget()->installEventFilter(this);
    installEventFilter(this);
}

double frmMain::ScaleWidth() const { return twips::fromPixelsX(centralWidget()->width()); }
double frmMain::ScaleHeight() const { return twips::fromPixelsY(centralWidget()->height()); }

bool frmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        Form_Resize();
    } else if (watched == this && event->type() == QEvent::Show && !shown_) {
        shown_ = true;
        focusShownPage();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize() {
    const double sw = ScaleWidth(), sh = ScaleHeight();
    if (sw < 1000 || sh < 1000) return;  // minimised, or too small to lay out
    ReSizeControls(resizeState_, resizeForm());
    if (!txtCellEditor->isHidden()) {  // the grid's cells moved under the open editor
        xyGrid->scrollTo(xyGrid->model()->index(Row() - 1, Col()));
        placeCellEditor();
    }
    SizeTipsText();

    const QScreen *scr = screen();
    const double screenWidth = scr ? twips::fromPixelsX(scr->geometry().width()) : sw;
    const canvas::ScrollBarLayout bar =
        canvas::scrollBarLayout(sw, sh, screenWidth, twips::fromPixelsX(picCanvas->width()));
    placeTwips(HScroll1, bar.left, bar.top, bar.width, twips::fromPixelsY(HScroll1->height()));
    HScroll1->raise();
    HScroll1->setSingleStep(bar.smallChange);
    HScroll1->setPageStep(bar.largeChange);
    if (bar.visible) {
        HScroll1->show();
        HScroll1->setRange(0, bar.max);
    } else {
        HScroll1->setValue(0);  // moves the canvas back when it was scrolled
        HScroll1->hide();
    }
    MoveCanvas();
}

void frmMain::MoveCanvas() {
    picCanvas->move(twips::toPixelsX(-HScroll1->value()), 0);
}

void frmMain::SizeTipsText() {
    if (ODE_Tabs->currentIndex() != TabTips) return;
    const QRect outer = frameGeometry();
    const canvas::TipsBoxSize s =
        canvas::tipsBoxSize(twips::fromPixelsX(outer.width()), twips::fromPixelsY(outer.height()));
    RichTextBox1->resize(twips::toPixels(0, 0, s.width, 0).width(),
                         twips::toPixels(0, 0, 0, s.height).height());
    // Lines wrap at the right margin, but never under the box's own scroll bar.
    RichTextBox1->setLineWrapMode(QTextEdit::FixedPixelWidth);
    RichTextBox1->setLineWrapColumnOrWidth(
        qMax(1, qMin(twips::toPixelsX(s.rightMargin), RichTextBox1->viewport()->width())));
    if (RichTextBox1->isVisible()) RichTextBox1->setFocus(Qt::OtherFocusReason);
}

void frmMain::resetView() {
    for (const char *name : {"mnuFile", "mnuDemos", "mnuView", "mnuWeb", "mnuHelp"})
        if (QAction *a = menuAction(QString::fromLatin1(name))) a->setEnabled(true);
}

void frmMain::ShowFilename() {
    setWindowTitle(canvas::baseCaption());
    const QString base = windowTitle();
    if (!state_.fileName.isEmpty()) setWindowTitle(state_.fileName + " ... " + base);
}

// The first control of the showing page, in tab order, that can take the focus gets it, so
// that what the user types first is not lost on the tab strip.
void frmMain::focusShownPage() {
    const int showing = ODE_Tabs->currentIndex();
    for (const auto &e : registry_.entries()) {
        QWidget *w = e.widget();
        if (!w || e.page != showing || e.typeName == QLatin1String("Label")) continue;
        if (!w->isEnabled() || w->isHidden() || w->focusPolicy() == Qt::NoFocus) continue;
        w->setFocus(Qt::OtherFocusReason);
        return;
    }
}

// While the cell editor is open every tab stop is off, so an option button that takes the
// focus (BVP chosen with an arrow key moves the focus onto it after its click) hands it on
// to the editor, as a mouse click leaves it.
void frmMain::keepEditorFocus() {
    if (!txtCellEditor->isHidden() && txtCellEditor->isVisible())
        txtCellEditor->setFocus(Qt::OtherFocusReason);
}

}  // namespace quadrel
