#include "ui/ControlRegistry.h"

#include <QTabBar>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>

namespace quadrel {

QWidget *ControlEntry::widget() const { return qobject_cast<QWidget *>(object.data()); }

const ControlEntry &ControlRegistry::add(QObject *object, const QString &typeName, int page,
                                         int index) {
    ControlEntry e;
    e.object = object;
    e.name = object->objectName();
    e.index = index;
    e.typeName = typeName;
    e.page = page;
    e.tabIndex = count();
    if (index >= 0) object->setProperty("Index", index);
    entries_.push_back(e);
    return entries_.back();
}

QVector<const ControlEntry *> ControlRegistry::find(const QString &name) const {
    QVector<const ControlEntry *> found;
    for (const auto &e : entries_)
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) found.push_back(&e);
    std::sort(found.begin(), found.end(),
              [](const ControlEntry *a, const ControlEntry *b) { return a->index < b->index; });
    return found;
}

const ControlEntry *ControlRegistry::entry(const QString &name, int index) const {
    for (const auto &e : entries_)
        if (e.index == index && e.name.compare(name, Qt::CaseInsensitive) == 0) return &e;
    return nullptr;
}

QObject *ControlRegistry::control(const QString &name, int index) const {
    const ControlEntry *e = entry(name, index);
    return e ? e->object.data() : nullptr;
}

QWidget *ControlRegistry::widget(const QString &name, int index) const {
    const ControlEntry *e = entry(name, index);
    return e ? e->widget() : nullptr;
}

QString ControlRegistry::lookupTypeName(const QString &name) const {
    const auto found = find(name);
    if (found.isEmpty()) return QString();
    return found.front()->isMember() ? QStringLiteral("Object") : found.front()->typeName;
}

const ControlEntry *ControlRegistry::entryOf(const QObject *object) const {
    for (const auto &e : entries_)
        if (e.object == object) return &e;
    return nullptr;
}

namespace {
// The widget that carries the tab stop: the tab control's focus lives on its tab strip.
QWidget *tabStopWidget(const ControlEntry &e) {
    QWidget *w = e.widget();
    if (auto *tabs = qobject_cast<QTabWidget *>(w)) return tabs->tabBar();
    return w;
}
}  // namespace

bool hasTabStop(const ControlEntry &e) {
    static const QStringList withTabStop = {
        "TextBox",   "CommandButton", "OptionButton", "CheckBox",    "PictureBox",
        "HScrollBar", "VScrollBar",   "SSTab",        "MSHFlexGrid", "RichTextBox"};
    return e.widget() && withTabStop.contains(e.typeName);
}

bool tabStop(const ControlEntry &e) {
    if (!hasTabStop(e)) return false;
    return (tabStopWidget(e)->focusPolicy() & Qt::TabFocus) != 0;
}

void setTabStop(const ControlEntry &e, bool on) {
    if (!hasTabStop(e)) return;
    QWidget *w = tabStopWidget(e);
    const int policy = w->focusPolicy();
    if (on)
        w->setFocusPolicy(Qt::FocusPolicy(policy | Qt::TabFocus | Qt::ClickFocus));
    else
        w->setFocusPolicy(Qt::FocusPolicy(policy & ~Qt::TabFocus));
}

}  // namespace quadrel
