#include "app/RegistrySettings.h"

#include "app/RegistryApi.h"
#include "platform/RtError.h"

#include "app/KeyStore.h"

namespace quadrel {

namespace {

const QString kCorruptLine = QStringLiteral("It seems some Registry entry is corrupt!  Re-installing this ");

void showSettingsError(AppState &st, const QString &title, const QString &lastLine,
                       const RtError &e) {
    if (!st.msg)
        return;
    const QString text = QStringLiteral("Unexpected error #") + signStr(e.number()) +
                         QStringLiteral(" occured: ") + e.description() + QStringLiteral("\r\n") +
                         kCorruptLine + QStringLiteral("\r\n") + lastLine;
    st.msg->show(title, text, MsgIcon::Critical, MsgButtons::Ok);
}

// Runs one step of GetFileInRegistry; after an error the message is shown, basePath is
// set and the caller goes on with its next step.
template <typename Step>
void getStep(AppState &st, Step step) {
    try {
        step();
    } catch (const RtError &e) {
        showSettingsError(st, QStringLiteral("In 'GetFileInRegistry' routine ..."),
                          kProductName + QStringLiteral(" ") +
                              QStringLiteral("program is the easiest fix."),
                          e);
        st.basePath = st.appPath + QStringLiteral("/..");
    }
}

template <typename Step>
void putStep(AppState &st, Step step) {
    try {
        step();
    } catch (const RtError &e) {
        showSettingsError(st, QStringLiteral("In 'PutFileInRegistry'"),
                          kProductName + QStringLiteral("™ ") +
                              QStringLiteral("program is the easiest fix."),
                          e);
    }
}

}  // namespace

QString companyKey() { return kProductKey.left(35); }

QString GetFileInRegistry(AppState &st) {
    QString result;
    bool keyExists = true;
    getStep(st, [&] { keyExists = RegistryKeyExists(HKEY_CURRENT_USER, kProductKey); });
    if (!keyExists)
        return result;
    getStep(st, [&] {
        st.fileIn = valueToText(GetRegistryValue(HKEY_CURRENT_USER, kProductKey,
                                                 QStringLiteral("fileIn"), REG_SZ, QString()));
    });
    getStep(st, [&] {
        // Keep only the part after the last backslash.
        const int cut = st.fileIn.lastIndexOf(u'\\');
        if (cut >= 0)
            st.fileIn = st.fileIn.mid(cut + 1);
    });
    result = st.fileIn;
    getStep(st, [&] {
        st.userPath = valueToText(
            GetRegistryValue(HKEY_CURRENT_USER, kProductKey, regname::userPath, REG_SZ));
        if (st.userPath.isEmpty())
            st.userPath = QStringLiteral("demos");
        // A drive-qualified folder such as C:\data cannot be relative to the program.
        if (st.userPath.left(2).right(1) == QLatin1String(":"))
            st.userPath = QStringLiteral("demos");
    });
    st.basePath = st.appPath + QStringLiteral("/..");
    return result;
}

void PutFileInRegistry(AppState &st) {
    putStep(st, [&] {
        if (!RegistryKeyExists(HKEY_CURRENT_USER, kProductKey))
            CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
    });
    putStep(st, [&] {
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, regname::FileIn, REG_SZ, st.fileName);
    });
    putStep(st, [&] {
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, regname::userPath, REG_SZ, st.userPath);
    });
}

void PutPlotFileInRegistry(const QString &plotFile) {
    const QString company = companyKey();
    if (!RegistryKeyExists(HKEY_CURRENT_USER, company))
        CreateRegistryKey(HKEY_CURRENT_USER, company);
    SetRegistryValue(HKEY_CURRENT_USER, company, regname::ProgramPath, REG_SZ,
                     QStringLiteral("\\Quadrel"));
    if (!plotFile.isEmpty())
        SetRegistryValue(HKEY_CURRENT_USER, company, regname::plotFile, REG_SZ, plotFile);
}

void PutRunCountInRegistry(const AppState &st) {
    if (!RegistryKeyExists(HKEY_CURRENT_USER, kProductKey))
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
    SetRegistryValue(HKEY_CURRENT_USER, kProductKey, regname::RunCount, REG_SZ,
                     QString::number(st.RunCount));
}

}  // namespace quadrel
