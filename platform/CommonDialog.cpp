#include "platform/CommonDialog.h"

#include "platform/RtError.h"

namespace quadrel {

void CommonDialog::show(Kind kind) {
    const QString chosen = present(kind);
    if (chosen.isEmpty()) {
        if (CancelError) throw RtError(rterr::DialogCancelled);
        return;
    }
    FileName = chosen;
}

QString ScriptedCommonDialog::present(Kind kind) {
    shown_.push_back({kind, DialogTitle, Filter, InitDir, FileName, FilterIndex});
    if (answers_.empty()) return QString();
    const Answer a = answers_.front();
    answers_.pop_front();
    if (a.error != 0) throw RtError(a.error);
    return a.path;
}

}  // namespace quadrel
