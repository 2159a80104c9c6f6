#include "ui/QtCommonDialog.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace quadrel {

QtCommonDialog::QtCommonDialog(QWidget *parentWindow)
    : CommonDialog(parentWindow), parentWindow_(parentWindow) {}

QStringList QtCommonDialog::nameFilters(const QString &filter) {
    static const QRegularExpression trailingPattern(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPattern);
        QString pattern = parts[i + 1];
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

QString QtCommonDialog::present(Kind kind) {
    QFileDialog dialog(parentWindow_, DialogTitle, InitDir);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // A typed name that does not exist is a valid answer (Delete asks nothing for it); an
    // existing one is confirmed by the command itself.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setAcceptMode(kind == Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    const QStringList filters = nameFilters(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = (FilterIndex >= 1 && FilterIndex <= filters.size()) ? FilterIndex : 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    // A wildcard name only repeats a filter; a plain name is offered in the name box.
    if (!FileName.contains(QLatin1Char('*')) && !FileName.contains(QLatin1Char('?')))
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    const qsizetype picked = filters.indexOf(dialog.selectedNameFilter());
    if (picked >= 0) FilterIndex = int(picked) + 1;
    return dialog.selectedFiles().constFirst();
}

}  // namespace quadrel
