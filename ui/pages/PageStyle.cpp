#include "ui/pages/PageStyle.h"

#include <QFontDatabase>
#include <QWidget>

namespace quadrel::style {

namespace {
void colour(QWidget *w, const QColor &c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}
}  // namespace

// Fonts set here carry only the attribute they change; the size and family still come from
// the form, so the whole form can be scaled by setting one font.
void heading(QWidget *w) {
    QFont f;
    f.setWeight(QFont::Bold);
    w->setFont(f);
}

void question(QWidget *) {}

void note(QWidget *w) { colour(w, QColor(0x20, 0x40, 0x70)); }

// Help texts sit on a light panel; labels placed edge to edge read as one panel.
void help(QWidget *w) {
    colour(w, QColor(0x40, 0x40, 0x40));
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor(0xee, 0xf2, 0xf8));
    w->setPalette(p);
    w->setAutoFillBackground(true);
    w->setContentsMargins(9, 5, 9, 5);
}

void warning(QWidget *w) {
    heading(w);
    colour(w, QColor(0x90, 0x10, 0x10));
}

void equationFont(QWidget *w) {
    QFont f;
    f.setFamilies({QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    f.setStyleHint(QFont::TypeWriter);
    w->setFont(f);
}

}  // namespace quadrel::style
