#pragma once
// The few widget kinds of the main form that need events Qt does not give as signals, and
// the helpers that place controls at positions stated in twips.
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>

namespace quadrel {

// Places w at a rectangle given in twips within its parent.
void placeTwips(QWidget *w, double left, double top, double width, double height);

// A caption label. "&&" in a caption shows a single "&", as on the form's other controls.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &caption, double left,
                  double top, double width, double height);

// A caption whose first ten characters form a column of their own (a default value in front
// of its question). The text stays the whole caption; only the drawing splits it, so that the
// values line up under their heading whatever the font.
class ColumnCaption : public QLabel {
    Q_OBJECT
public:
    // columnWidth: width of the value column; textLeft: where the question starts (twips).
    ColumnCaption(double columnWidth, double textLeft, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double columnWidth_, textLeft_;
};

// A single-line text box that reports when it receives the focus.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr) : QLineEdit(parent) {}
signals:
    void gotFocus();

protected:
    void focusInEvent(QFocusEvent *event) override;
};

// An option button that reports when it receives the focus.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(const QString &text, QWidget *parent = nullptr) : QRadioButton(text, parent) {}
signals:
    void gotFocus();

protected:
    void focusInEvent(QFocusEvent *event) override;
};

// The tab control. The height of its tab strip and the widest a tab may be are properties in
// twips, so that they can follow the window's size; until they are set they are the strip's
// natural height and its widest tab.
class TabControl : public QTabWidget {
    Q_OBJECT
    Q_PROPERTY(double TabHeight READ tabHeight WRITE setTabHeight)
    Q_PROPERTY(double TabMaxWidth READ tabMaxWidth WRITE setTabMaxWidth)
public:
    explicit TabControl(QWidget *parent = nullptr);
    double tabHeight() const;
    void setTabHeight(double tw);
    double tabMaxWidth() const;
    void setTabMaxWidth(double tw);

private:
    class Strip;
    Strip *strip_;
};

// The floating editor of the data grid. Tab, Shift+Tab, Enter, Up and Down reach keyDown
// instead of moving the focus; Escape is reported as escapePressed.
class CellEditor : public TextBox {
    Q_OBJECT
public:
    explicit CellEditor(QWidget *parent = nullptr) : TextBox(parent) {}
signals:
    // key: Qt key code with Backtab reported as Tab; shift: the Shift key was held.
    void keyDown(int key, bool shift);
    void escapePressed();

protected:
    bool event(QEvent *event) override;
};

// The (X, Y) grid. It never edits a cell itself; it reports a mouse press (before the current
// cell moves), a click (after), and a character typed on it.
class DataGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);
signals:
    void mouseDown();
    void clicked();
    // ascii: the code of the character typed (8 for Backspace, 13 for Enter, ...).
    void keyPress(int ascii, const QString &text);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Row and heading heights follow the grid's font, so that a larger font is never cut off.
    void changeEvent(QEvent *event) override;

private:
    void fitRowsToFont();
    bool pressed_ = false;
};

// The read-only tips box: Up and Down scroll one line besides moving the caret, Ctrl
// shortcuts are ignored, Home and End do nothing.
class TipsBox : public QTextBrowser {
    Q_OBJECT
public:
    explicit TipsBox(QWidget *parent = nullptr) : QTextBrowser(parent) {}

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

}  // namespace quadrel
