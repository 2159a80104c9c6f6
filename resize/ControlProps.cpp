#include "resize/ControlProps.h"

#include "resize/Twips.h"
#include "ui/ControlRegistry.h"

#include <QMetaProperty>
#include <QWidget>
#include <cmath>

namespace quadrel {

QString propName(Prop p) {
    static const char *const names[] = {"Left", "Top",  "Width", "Height",    "X1",         "X2",
                                        "Y1",   "Y2",   "TabHeight", "TabMaxWidth", "FontSize"};
    return QString::fromLatin1(names[int(p)]);
}

namespace {

// Position and size within the parent, twips, as the control stands now.
struct TwipsRect {
    double left, top, width, height;
};

// The field of r that one of the four geometry properties names.
double &field(TwipsRect &r, Prop p) {
    return p == Prop::Left ? r.left : p == Prop::Top ? r.top : p == Prop::Width ? r.width : r.height;
}

TwipsRect twipsRect(const QWidget *w) {
    const QRect g = w->geometry();
    return {twips::fromPixelsX(g.x()), twips::fromPixelsY(g.y()), twips::fromPixelsX(g.width()),
            twips::fromPixelsY(g.height())};
}

// Properties other than the four of every widget and the font size are the control's own,
// declared on its class (a line's end points, the tab control's tab sizes).
int declaredProperty(const QObject *o, Prop p) {
    return o ? o->metaObject()->indexOfProperty(propName(p).toLatin1().constData()) : -1;
}

}  // namespace

bool getProp(const ControlEntry &c, Prop p, double &value) {
    const QWidget *w = c.widget();
    switch (p) {
    case Prop::Left:
    case Prop::Top:
    case Prop::Width:
    case Prop::Height: {
        if (!w) return false;
        TwipsRect r = twipsRect(w);
        value = field(r, p);
        return true;
    }
    case Prop::FontSize:
        if (!w || w->font().pointSizeF() <= 0) return false;
        value = w->font().pointSizeF();
        return true;
    default: {
        const int i = declaredProperty(c.object, p);
        if (i < 0) return false;
        bool ok = false;
        value = c.object->metaObject()->property(i).read(c.object).toDouble(&ok);
        return ok;
    }
    }
}

bool setProp(const ControlEntry &c, Prop p, double value) {
    QWidget *w = c.widget();
    if (!std::isfinite(value)) return false;
    switch (p) {
    case Prop::Left:
    case Prop::Top:
    case Prop::Width:
    case Prop::Height: {
        if (!w) return false;
        TwipsRect r = twipsRect(w);
        field(r, p) = value;
        if (r.width < 0 || r.height < 0) return false;  // a size is never negative
        w->setGeometry(twips::toPixels(r.left, r.top, r.width, r.height));
        return true;
    }
    case Prop::FontSize: {
        if (!w || value <= 0) return false;
        QFont f = w->font();
        f.setPointSizeF(value);
        w->setFont(f);
        return true;
    }
    default: {
        const int i = declaredProperty(c.object, p);
        return i >= 0 && c.object->metaObject()->property(i).write(c.object, value);
    }
    }
}

}  // namespace quadrel
