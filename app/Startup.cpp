#include "app/Startup.h"

#include "app/FileAssoc.h"
#include "app/KeyStore.h"
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "model/FileCommands.h"
#include "platform/CommonDialog.h"
#include "platform/RtError.h"
#include "ui/frmMain.h"

#include <QRadioButton>
#include <QScrollBar>

namespace quadrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool startsWithEx(const QString &name) { return name.left(2).toLower() == QLatin1String("ex"); }

}  // namespace

qint16 readRunCount() {
    try {
        const QString text = valueToText(GetRegistryValue(HKEY_CURRENT_USER, kProductKey, regname::RunCount, REG_SZ));
        return text.isEmpty() ? 0 : toInt16(text);
    } catch (const RtError &) {
        return 0;
    }
}

bool formLoadStep(AppState &st, const std::function<void()> &step) {
    for (;;) {
        try {
            step();
            return true;
        } catch (const RtError &e) {
            if (e.number() == rterr::DialogCancelled) return false;
            if (e.number() == rterr::DeviceUnavailable) {
                // The box has only OK: the load waits until the program folder is back.
                st.msg->show(QStringLiteral("In 'Form_Load' routine ..."),
                             QStringLiteral("This drive or path does not exist: ") + st.appPath,
                             MsgIcon::Exclamation, MsgButtons::Ok);
                continue;
            }
            st.msg->show(QStringLiteral("In 'form_load' routine ..."),
                         QStringLiteral("Unexpected error #") + signStr(e.number()) +
                             QStringLiteral(" occured: ") + e.description() +
                             QStringLiteral(" ... fileTemp = ") + st.fileTemp + kCrLf +
                             QStringLiteral(" ... fileTempPath = ") + st.fileTempPath + kCrLf +
                             QStringLiteral("appPath = ") + st.appPath + kCrLf,
                         MsgIcon::Critical, MsgButtons::Ok);
            return true;
        }
    }
}

QString welcomeText() {
    return QStringList{
        kProductName + QStringLiteral("\u2122 program determines the best parameter values for a boundary"),
        QStringLiteral("-value-problems (BVP).  Initial-value-problems (IVP) normally do not "),
        QStringLiteral("require finding parameters.  This type of problem may be called an Inverse ") +
            QStringLiteral("Problem (IP). This algebraic problem states a math model with some unknowns to be found."),
        QString(),
        QStringLiteral("Harrowfield's equation-level programming lets you write just the model equations"),
        QStringLiteral("and a objective function and leaves the numerical work to the compiler."),
        QStringLiteral("This is accomplished thru Automatic Differentiation (AD) and Operator "),
        QStringLiteral("Overload techniques."),
    }.join(kCrLf);
}

void Start_INI(AppState &st) {
    auto step = [&st](const std::function<void()> &op) {
        try {
            op();
        } catch (const RtError &e) {
            st.msg->show(QStringLiteral("In 'Start_INI' routine ..."),
                         QStringLiteral("Unexpected error #") + signStr(e.number()) +
                             QStringLiteral(" occured: ") + kCrLf + QStringLiteral("Path =") + st.appPath +
                             kCrLf + e.description() + QStringLiteral(".  Suggest re-installing ") +
                             kProductName + QStringLiteral("."),
                         MsgIcon::Critical, MsgButtons::Ok);
        }
    };
    step([&] {
        st.saveFailed = 0;
        st.runMode = QStringLiteral(" ");
        st.answers.nSolverVars = 0;
    });
    step([&] {
        if (st.form) st.form->GetAnswers();
    });
    step([&] {
        const QString user = st.appPath + QStringLiteral("/User");
        if (!dirExists(st, user)) MkDir(user);
    });
    step([&] { ChDir(st.appPath); });
    step([&] {
        if (st.CMDialog1) st.CMDialog1->InitDir = st.appPath;
    });
}

void Form_Load(frmMain &f, AppState &st) {
    // The tab pages, the grid, the cell editor and the parked scroll bar were prepared when
    // the form was built, and the form then recorded its controls' geometry for resizing.
    QString userFolder;  // where the last problem is looked for
    const bool completed =
        formLoadStep(st, [&] {
            TextBox *note1 = f.page2->Note1, *note2 = f.page2->Note2;
            // The notes span their page, whatever width the form was built with.
            note1->resize(note1->parentWidget()->width() - 2 * note1->x(), note1->height());
            note2->resize(note1->width(), note2->height());
            f.ODE_Tabs->setCurrentIndex(frmMain::TabEquation);
            st.demoFile = f.pageDemos->exam[1]->text() + QStringLiteral(".ode");
        }) &&
        formLoadStep(st, [&] {
            const QString company = companyKey();
            if (!RegistryKeyExists(HKEY_CURRENT_USER, company)) {
                CreateRegistryKey(HKEY_CURRENT_USER, company);
                CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
            } else if (!RegistryKeyExists(HKEY_CURRENT_USER, kProductKey)) {
                CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
            }
        }) &&
        formLoadStep(st, [&] {
            TextBox *pause = f.page5->tPause;
            pause->setText(valueToText(GetRegistryValue(HKEY_CURRENT_USER, companyKey(), regname::tPause, REG_SZ)));
            if (pause->text().isEmpty()) pause->setText(QStringLiteral("20"));
        }) &&
        formLoadStep(st, [&] { st.RunCount = readRunCount(); }) &&
        formLoadStep(st, [&] {
            st.fileName = GetFileInRegistry(st);
            st.filePath = st.userPath.isEmpty() ? st.appPath : st.appPath + QLatin1Char('/') + st.userPath;
            userFolder = st.filePath;
        }) &&
        formLoadStep(st, [&] {
            st.fileTempPath = st.filePath;
            ChDir(st.filePath);
        }) &&
        formLoadStep(st, [&] {
            st.fullPath = st.filePath + QLatin1Char('/') + st.fileName;
            // Example files are never reopened.
            if (FileExists(st, st.fullPath) && !startsWithEx(st.fileName) && !st.fileName.isEmpty()) {
                st.fileTemp = st.fileName;
                st.fileNo.openInput(st.fullPath);
                FileReadMe(st, st.fileTemp, st.fileTempPath);
                st.fileNo.close();
                f.GetAnswers();
            } else {
                if (startsWithEx(st.fileName)) st.fileName.clear();
                f.PutAnswers();  // the form's own answers become the record
            }
        }) &&
        formLoadStep(st, [&] { Start_INI(st); }) &&
        formLoadStep(st, [&] {
            // The current file keeps the folder it is looked for in, so that Save and Save As
            // write it back where it came from (the working folder is the program folder now).
            SetFilePath(st, st.fileName.isEmpty() ? QString() : userFolder + QLatin1Char('/') + st.fileName);
            st.dataChanged = false;
        }) &&
        formLoadStep(st, [&] {
            if (st.RunCount < 1)
                st.msg->show(QStringLiteral("Intro to ") + kProductName + QStringLiteral("\u2122"),
                             welcomeText(), MsgIcon::None, MsgButtons::Ok);
        }) &&
        formLoadStep(st, [&] {
            if (st.RunCount < 1 && GetExtensionAssociation(QStringLiteral("Out")).isEmpty()) {
                AssociateExtension(QStringLiteral("VX"), st.basePath, QStringLiteral("notePad2"),
                                   QStringLiteral("VX source code"), QString());
                AssociateExtension(QStringLiteral("Out"), st.basePath, QStringLiteral("notePad2"),
                                   QStringLiteral("VX Output"), QString());
                AssociateExtension(QStringLiteral("plt"), st.basePath, QStringLiteral("Lumaplots"),
                                   QStringLiteral("XYplot file"), QString());
            }
        }) &&
        formLoadStep(st, [&] { f.VScroll1->hide(); });
    Q_UNUSED(completed);
    // Even a load cut short ends with the form on screen, or the program would run unseen.
    f.ShowFilename();
    f.show();
}

}  // namespace quadrel
