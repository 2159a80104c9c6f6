#include "lumaplots/PlotView.h"

#include "lumaplots/AxisTicks.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>

#include <cmath>

namespace quadrel {

PlotView::PlotView(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("plotView"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("Wheel or + and - zoom, a box drawn with the right button "
                              "(or Shift and the left) zooms to it, drag or arrow keys move, "
                              "double click or Home shows the whole plot"));
    band_ = new QRubberBand(QRubberBand::Rectangle, this);
}

void PlotView::setData(const PlotData *data, bool keepView) {
    data_ = data;
    const int curves = data_ ? data_->curveCount() : 0;
    if (!keepView || options_.curveVisible.size() != curves) {
        options_.curveVisible.clear();
        options_.curveVisible.fill(true, curves);
        options_.pointsVisible = true;
    }
    if (keepView && !autoFit_ && data_)
        update();
    else
        zoomToFit();
}

void PlotView::setPlaceholder(const QString &text) {
    options_.placeholder = text;
    update();
}

void PlotView::setFallbackTitle(const QString &title) {
    options_.fallbackTitle = title;
    update();
}

void PlotView::setCurveVisible(int index, bool visible) {
    if (index < 0 || index >= options_.curveVisible.size())
        return;
    options_.curveVisible[index] = visible;
    refitIfAuto();
}

void PlotView::setPointsVisible(bool visible) {
    options_.pointsVisible = visible;
    refitIfAuto();
}

void PlotView::refitIfAuto() {
    if (autoFit_)
        zoomToFit();
    else
        update();
}

void PlotView::zoomToFit() {
    options_.range = data_ ? fitRange(*data_, options_) : PlotRange{};
    autoFit_ = true;
    update();
    emit rangeChanged();
}

void PlotView::zoomBy(double factor, QPointF anchor) {
    if (!data_ || !(factor > 0))
        return;
    PlotRange &r = options_.range;
    double ax = (r.xMin + r.xMax) / 2, ay = (r.yMin + r.yMax) / 2;
    if (anchor.x() >= 0)
        toData(anchor, ax, ay);
    PlotRange n{ax - (ax - r.xMin) * factor, ax + (r.xMax - ax) * factor,
                ay - (ay - r.yMin) * factor, ay + (r.yMax - ay) * factor};
    sanitizeRange(n.xMin, n.xMax);
    sanitizeRange(n.yMin, n.yMax);
    r = n;
    autoFit_ = false;
    update();
    emit rangeChanged();
}

void PlotView::panBy(double fx, double fy) {
    if (!data_)
        return;
    PlotRange &r = options_.range;
    const double dx = (r.xMax - r.xMin) * fx, dy = (r.yMax - r.yMin) * fy;
    PlotRange n{r.xMin + dx, r.xMax + dx, r.yMin + dy, r.yMax + dy};
    sanitizeRange(n.xMin, n.xMax);
    sanitizeRange(n.yMin, n.yMax);
    r = n;
    autoFit_ = false;
    update();
    emit rangeChanged();
}

void PlotView::zoomToArea(const QRectF &pixels) {
    const QRectF r = pixels.normalized();
    double x0, y0, x1, y1;
    if (!data_ || r.width() < 1 || r.height() < 1)
        return;
    toData(r.bottomLeft(), x0, y0);
    toData(r.topRight(), x1, y1);
    PlotRange n{x0, x1, y0, y1};
    if (!(x1 > x0) || !(y1 > y0))
        return;
    sanitizeRange(n.xMin, n.xMax);
    sanitizeRange(n.yMin, n.yMax);
    options_.range = n;
    autoFit_ = false;
    update();
    emit rangeChanged();
}

QImage PlotView::renderImage(const QSize &size, PlotStats *stats) const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font());
    const PlotStats s = renderPlot(p, QRectF(QPointF(0, 0), QSizeF(size)), data_, options_);
    p.end();
    if (stats)
        *stats = s;
    return image;
}

bool PlotView::toData(const QPointF &pos, double &x, double &y) const {
    const QRectF a = stats_.plotArea;
    if (a.width() <= 0 || a.height() <= 0)
        return false;
    const PlotRange &r = options_.range;
    x = r.xMin + (pos.x() - a.left()) / a.width() * (r.xMax - r.xMin);
    y = r.yMin + (a.bottom() - pos.y()) / a.height() * (r.yMax - r.yMin);
    return a.contains(pos);
}

void PlotView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    stats_ = renderPlot(p, QRectF(rect()), data_, options_);
}

void PlotView::mousePressEvent(QMouseEvent *event) {
    const bool inside = data_ && stats_.plotArea.contains(event->position());
    const bool boxButton = event->button() == Qt::RightButton ||
                           (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    if (inside && boxButton && !dragging_) {
        bandStart_ = event->position().toPoint();
        band_->setGeometry(QRect(bandStart_, QSize()));
        band_->show();
    } else if (event->button() == Qt::LeftButton && inside && !band_->isVisible()) {
        dragging_ = true;
        dragStart_ = event->position();
        dragRange_ = options_.range;
        setCursor(Qt::ClosedHandCursor);
    }
    QWidget::mousePressEvent(event);
}

void PlotView::mouseMoveEvent(QMouseEvent *event) {
    const QPointF pos = event->position();
    if (band_->isVisible()) {
        const QRect box = QRect(bandStart_, pos.toPoint()).normalized();
        band_->setGeometry(box.intersected(stats_.plotArea.toAlignedRect()));
    } else if (dragging_) {
        const QRectF a = stats_.plotArea;
        if (a.width() > 0 && a.height() > 0) {
            const double fx = -(pos.x() - dragStart_.x()) / a.width();
            const double fy = (pos.y() - dragStart_.y()) / a.height();
            options_.range = dragRange_;
            panBy(fx, fy);
        }
    }
    double x = 0, y = 0;
    const bool inside = data_ && toData(pos, x, y);
    emit cursorMoved(x, y, inside);
}

void PlotView::mouseReleaseEvent(QMouseEvent *event) {
    if (band_->isVisible() && (event->button() == Qt::RightButton || event->button() == Qt::LeftButton)) {
        band_->hide();
        // A click without a drag is no box; it leaves the view as it is.
        const QRect box = band_->geometry();
        if (box.width() >= 4 && box.height() >= 4)
            zoomToArea(box);
    } else if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        unsetCursor();
    }
}

void PlotView::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        zoomToFit();
}

void PlotView::wheelEvent(QWheelEvent *event) {
    const int delta = event->angleDelta().y();
    if (delta == 0 || !data_) {
        event->ignore();
        return;
    }
    const double factor = std::pow(0.85, delta / 120.0);
    zoomBy(factor, stats_.plotArea.contains(event->position()) ? event->position() : QPointF(-1, -1));
    event->accept();
}

void PlotView::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomIn(); break;
    case Qt::Key_Minus: zoomOut(); break;
    case Qt::Key_Left: panBy(-0.1, 0); break;
    case Qt::Key_Right: panBy(0.1, 0); break;
    case Qt::Key_Up: panBy(0, 0.1); break;
    case Qt::Key_Down: panBy(0, -0.1); break;
    case Qt::Key_Home: zoomToFit(); break;
    case Qt::Key_Escape:
        if (!band_->isVisible()) {
            QWidget::keyPressEvent(event);
            return;
        }
        band_->hide();
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void PlotView::leaveEvent(QEvent *event) {
    emit cursorMoved(0, 0, false);
    QWidget::leaveEvent(event);
}

}  // namespace quadrel
