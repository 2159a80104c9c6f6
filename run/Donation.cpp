#include "run/Donation.h"

#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "model/Product.h"
#include "platform/RtError.h"
#include "run/RunPipeline.h"

#include <QDate>

namespace quadrel {

qint64 daySerial(const QDate &date) { return QDate(1899, 12, 30).daysTo(date); }

void FileRun3(AppState &st) {
    try {
        const QString key = kProductKey.left(35);
        const qint64 today = daySerial(st.clock->now().date());
        const RegValue stored =
            GetRegistryValue(HKEY_CURRENT_USER, key, regname::submit, REG_DWORD, qint32(0));
        const qint32 *last = std::get_if<qint32>(&stored);
        const qint64 submit = last ? *last : 0;
        if (submit == 0) {
            SetRegistryValue(HKEY_CURRENT_USER, key, regname::submit, REG_DWORD, qint32(today - 30));
            return;
        }
        qint64 n = 123;
        if (submit > 0) {
            n = today - submit - 45;
            if (n < -32768 || n > 32767) throw RtError(rterr::Overflow);
        }
        if (n > 0) {
            SetRegistryValue(HKEY_CURRENT_USER, key, regname::submit, REG_DWORD, qint32(today));
            st.launcher->openDocument(product::pageUrl(st.appPath, product::kDonatePage), ShowNormal);
        }
    } catch (const RtError &) {
        showRunRoutineError(st, QStringLiteral("FileRun3"));
    }
}

}  // namespace quadrel
