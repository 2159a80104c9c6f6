#pragma once
// The form's controls in one fixed order, each with its name, its index within a control
// array, its run-time type name ("TextBox", "Label", "SSTab", ...) and the tab page that holds
// it. The tab-stop walker and the proportional resizer both walk this list, so its order is
// the form's collection order and never changes after the form is built.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>
#include <vector>

class QWidget;

namespace quadrel {

struct ControlEntry {
    QPointer<QObject> object;
    QString name;      // the control's objectName
    int index = -1;    // index within its control array; -1 for a single control
    QString typeName;  // run-time type name
    int page = -1;     // tab page that holds the control directly; -1 when on no page
    int tabIndex = 0;  // position in the form's tab order

    QWidget *widget() const;
    bool isMember() const { return index >= 0; }
};

class ControlRegistry {
public:
    // Appends a control; its name is the object's objectName. Members of a control array are
    // added with their index (1-based), which is also set as the object's "Index" property.
    // The tab index is the number of controls added before it.
    const ControlEntry &add(QObject *object, const QString &typeName, int page = -1, int index = -1);

    int count() const { return static_cast<int>(entries_.size()); }
    const ControlEntry &at(int i) const { return entries_.at(static_cast<size_t>(i)); }
    const std::vector<ControlEntry> &entries() const { return entries_; }

    // Every entry answering to name, ignoring case: one for a single control, all members in
    // index order for a control array, none when unknown.
    QVector<const ControlEntry *> find(const QString &name) const;
    // The single control of that name, or the member with that index of the array of that
    // name; nullptr when there is no such control.
    const ControlEntry *entry(const QString &name, int index = -1) const;
    QObject *control(const QString &name, int index = -1) const;
    QWidget *widget(const QString &name, int index = -1) const;
    // "Object" for a control array, the control's type name for a single control, empty when
    // no control has that name.
    QString lookupTypeName(const QString &name) const;
    const ControlEntry *entryOf(const QObject *object) const;

private:
    std::vector<ControlEntry> entries_;
};

// Tab stops. Only types that have one answer; for the tab control it is its tab strip.
bool hasTabStop(const ControlEntry &e);
bool tabStop(const ControlEntry &e);
void setTabStop(const ControlEntry &e, bool on);

}  // namespace quadrel
