#pragma once
// The plot canvas: draws the plot and lets the reader zoom (wheel, + and -, a box drawn
// with the right button or Shift and the left), pan (drag, arrow keys) and return to the
// whole plot (double click, Home).
#include "lumaplots/PlotRenderer.h"

#include <QImage>
#include <QWidget>

class QRubberBand;

namespace quadrel {

class PlotView : public QWidget {
    Q_OBJECT
public:
    explicit PlotView(QWidget *parent = nullptr);

    // Shows `data` (not owned; nullptr shows the placeholder) and fits the view to it.
    // With `keepView` a view the reader has zoomed or moved stays where it is, and so do
    // the hidden curves when the curves are the same, as for a file that was rewritten.
    void setData(const PlotData *data, bool keepView = false);
    const PlotData *data() const { return data_; }
    void setPlaceholder(const QString &text);
    void setFallbackTitle(const QString &title);

    void setCurveVisible(int index, bool visible);
    bool curveVisible(int index) const { return curveShown(options_, index); }
    void setPointsVisible(bool visible);
    bool pointsVisible() const { return options_.pointsVisible; }

    const PlotRange &range() const { return options_.range; }
    const PlotOptions &options() const { return options_; }
    bool isFitted() const { return autoFit_; }
    const PlotStats &lastStats() const { return stats_; }

    // Draws the current view into a new image of the given size.
    QImage renderImage(const QSize &size, PlotStats *stats = nullptr) const;

    QSize sizeHint() const override { return {760, 520}; }

public slots:
    void zoomToFit();
    void zoomIn() { zoomBy(0.8); }
    void zoomOut() { zoomBy(1.25); }
    // Zooms about a point of the plot area (its centre when none is given).
    void zoomBy(double factor, QPointF anchor = QPointF(-1, -1));
    // Moves the view by fractions of its width and height.
    void panBy(double fx, double fy);
    // Shows the part of the plot inside a rectangle of the widget.
    void zoomToArea(const QRectF &pixels);

signals:
    void cursorMoved(double x, double y, bool inside);
    void rangeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void refitIfAuto();
    bool toData(const QPointF &pos, double &x, double &y) const;

    const PlotData *data_ = nullptr;
    PlotOptions options_;
    bool autoFit_ = true;
    PlotStats stats_;
    QRubberBand *band_ = nullptr;
    QPoint bandStart_;
    bool dragging_ = false;
    QPointF dragStart_;
    PlotRange dragRange_;
};

}  // namespace quadrel
