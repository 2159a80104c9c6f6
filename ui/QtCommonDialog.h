#pragma once
// The common dialog shown as Qt's own file dialog (never the desktop's, so that it behaves
// the same everywhere and tests can drive it).
#include "platform/CommonDialog.h"

class QWidget;

namespace quadrel {

class QtCommonDialog : public CommonDialog {
    Q_OBJECT
public:
    // The dialog belongs to and is shown over parentWindow.
    explicit QtCommonDialog(QWidget *parentWindow = nullptr);

    // The filter list as the dialog's name filters: "All Files (*.*)|*.*" becomes
    // "All Files (*)", since "*.*" here would hide every name without a dot.
    static QStringList nameFilters(const QString &filter);

protected:
    QString present(Kind kind) override;

private:
    QWidget *parentWindow_;
};

}  // namespace quadrel
