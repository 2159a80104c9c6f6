#include "ui/Controls.h"

#include "resize/Twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>

namespace quadrel {

void placeTwips(QWidget *w, double left, double top, double width, double height) {
    w->setGeometry(twips::toPixels(left, top, width, height));
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, double left,
                  double top, double width, double height) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setText(QString(caption).replace(QStringLiteral("&&"), QStringLiteral("&")));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(label, left, top, width, height);
    return label;
}

ColumnCaption::ColumnCaption(double columnWidth, double textLeft, QWidget *parent)
    : QLabel(parent), columnWidth_(columnWidth), textLeft_(textLeft) {
    setTextFormat(Qt::PlainText);
}

QSize ColumnCaption::sizeHint() const {
    const QString rest = text().mid(10).trimmed();
    return QSize(twips::toPixelsX(textLeft_) + fontMetrics().horizontalAdvance(rest) + 2,
                 fontMetrics().height());
}

void ColumnCaption::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                             QPalette::WindowText));
    const int column = twips::toPixelsX(columnWidth_);
    const int left = twips::toPixelsX(textLeft_);
    p.drawText(QRect(0, 0, column, height()), Qt::AlignHCenter | Qt::AlignTop,
               text().left(10).trimmed());
    p.drawText(QRect(left, 0, width() - left, height()), Qt::AlignLeft | Qt::AlignTop,
               text().mid(10).trimmed());
}

void TextBox::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    emit gotFocus();
}

void OptionButton::focusInEvent(QFocusEvent *event) {
    QRadioButton::focusInEvent(event);
    emit gotFocus();
}

class TabControl::Strip : public QTabBar {
public:
    explicit Strip(QWidget *parent) : QTabBar(parent) { setElideMode(Qt::ElideRight); }
    int height_ = 0, maxWidth_ = 0;  // pixels; 0 while not set

    QSize naturalHint(int index) const { return QTabBar::tabSizeHint(index); }
    void relayout() {
        setIconSize(iconSize());  // makes the strip lay its tabs out again
        updateGeometry();
    }

protected:
    QSize tabSizeHint(int index) const override {
        QSize s = QTabBar::tabSizeHint(index);
        if (height_ > 0) s.setHeight(height_);
        if (maxWidth_ > 0) s.setWidth(qMin(s.width(), maxWidth_));
        return s;
    }
};

TabControl::TabControl(QWidget *parent) : QTabWidget(parent), strip_(new Strip(this)) {
    setTabBar(strip_);
}

double TabControl::tabHeight() const {
    if (strip_->height_ > 0) return twips::fromPixelsY(strip_->height_);
    int h = 0;
    for (int i = 0; i < count(); ++i) h = qMax(h, strip_->naturalHint(i).height());
    return twips::fromPixelsY(h);
}

void TabControl::setTabHeight(double tw) {
    strip_->height_ = qMax(1, twips::toPixelsY(tw));
    strip_->relayout();
}

double TabControl::tabMaxWidth() const {
    if (strip_->maxWidth_ > 0) return twips::fromPixelsX(strip_->maxWidth_);
    int w = 0;
    for (int i = 0; i < count(); ++i) w = qMax(w, strip_->naturalHint(i).width());
    return twips::fromPixelsX(w);
}

void TabControl::setTabMaxWidth(double tw) {
    strip_->maxWidth_ = qMax(1, twips::toPixelsX(tw));
    strip_->relayout();
}

bool CellEditor::event(QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            emit keyDown(Qt::Key_Tab, shift || key->key() == Qt::Key_Backtab);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit keyDown(Qt::Key_Return, shift);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            emit keyDown(key->key(), shift);
            key->accept();
            return true;
        case Qt::Key_Escape:
            emit escapePressed();
            return true;
        default: break;
        }
    }
    return TextBox::event(event);
}

DataGrid::DataGrid(QWidget *parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    // The columns keep their widths when the grid is made narrower; a scroll bar then shows.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    fitRowsToFont();
}

void DataGrid::fitRowsToFont() {
    const QFontMetrics fm(font());
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fm.height() + 8);
    horizontalHeader()->setFixedHeight(fm.height() + 10);
}

void DataGrid::changeEvent(QEvent *event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) fitRowsToFont();
}

void DataGrid::mousePressEvent(QMouseEvent *event) {
    emit mouseDown();
    const QModelIndex at = indexAt(event->position().toPoint());
    pressed_ = at.isValid() && at.column() >= 1;  // the row-number column is fixed
    if (pressed_) QTableWidget::mousePressEvent(event);
}

void DataGrid::mouseReleaseEvent(QMouseEvent *event) {
    if (pressed_) QTableWidget::mouseReleaseEvent(event);
    if (pressed_) emit clicked();
    pressed_ = false;
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent *event) { event->accept(); }

void DataGrid::keyPressEvent(QKeyEvent *event) {
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    // Keys that type a character (Backspace and Enter included) open the cell editor; Tab,
    // Escape, Delete and the navigation keys keep their grid meaning.
    if (plain && !text.isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab
        && event->key() != Qt::Key_Escape && event->key() != Qt::Key_Delete) {
        emit keyPress(text.at(0).unicode(), text);
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void TipsBox::keyPressEvent(QKeyEvent *event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier) {  // Ctrl alone: no shortcut of the box acts
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up: verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Home:
    case Qt::Key_End: event->accept(); return;
    default: break;
    }
    QTextBrowser::keyPressEvent(event);
}

}  // namespace quadrel
