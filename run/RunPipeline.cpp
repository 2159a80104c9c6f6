#include "run/RunPipeline.h"

#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "model/FileCommands.h"
#include "platform/RtError.h"
#include "run/Donation.h"
#include "run/Tools.h"

#include <QDir>
#include <QFileInfo>

namespace quadrel {

namespace {

const QString kDemo = QStringLiteral("Demo");
const QString kNewData = QStringLiteral("New data");

}  // namespace

void showRunRoutineError(AppState &st, const QString &routine) {
    const bool reminder = routine == QLatin1String("FileRun3");
    const QString text =
        QStringLiteral("File is missing ... in '") + routine + QStringLiteral("' routine!\r\n") +
        QStringLiteral("Try running a different file that normally works, then try this\r\n") +
        (reminder ? QStringLiteral("once again.  Did error come back?  Not sure what is going on here.")
                  : QStringLiteral("one again.  Did error come back?  Not sure what going on here."));
    st.msg->show(QStringLiteral("A Quadrel File is missing!"), text, MsgIcon::Exclamation);
}

void reportRunOutcome(AppState &st, const CommandLine &command, const RunOutcome &outcome) {
    const QString file = command.arguments.value(0);
    const QString incomplete =
        QStringLiteral("Its output files may be missing or incomplete; look at them before you rely on them.");
    switch (outcome.kind) {
    case RunOutcome::Ended: return;
    case RunOutcome::NotStarted:
        st.msg->show(QStringLiteral("The solver batch did not start"),
                     QStringLiteral("Quadrel could not start the solver batch\r\n") + command.program +
                         QStringLiteral("\r\n(") + outcome.error +
                         QStringLiteral(").\r\n\r\nThe program folder must hold run-VADE and the "
                                        "solver vade, both executable; reinstalling Quadrel puts "
                                        "them back."),
                     MsgIcon::Exclamation);
        return;
    case RunOutcome::Crashed:
        st.msg->show(QStringLiteral("The solver batch stopped abnormally"),
                     QStringLiteral("The run of '") + file + QStringLiteral("' ended abnormally (") +
                         outcome.error + QStringLiteral(").\r\n") + incomplete,
                     MsgIcon::Exclamation);
        return;
    case RunOutcome::Stopped:
        st.msg->show(QStringLiteral("Run stopped"),
                     QStringLiteral("The run of '") + file +
                         QStringLiteral("' was stopped before the solver batch ended.\r\n") + incomplete,
                     MsgIcon::Information);
        return;
    }
}

void FileRun2(AppState &st, RunForm &form) {
    try {
        SetRegistryValue(HKEY_CURRENT_USER, companyKey(), regname::tPause, REG_SZ, form.pauseText());
        if (!st.demoFile.isEmpty() && st.runMode == kDemo) {
            const QString demos = st.appPath + QStringLiteral("/demos");
            ChDir(demos);
            st.fileTempPath = demos;
            st.fileTemp = st.demoFile;
            st.userPath = QStringLiteral("demos");
            // Only the shipped examples run from here.
            if (st.demoFile.startsWith(QLatin1String("Ex"))) StartRun(st, form);
            st.saveFailed = 0;
            return;
        }
        if (st.fileName == kNewData || st.dataChanged) {
            const MsgAnswer a = st.msg->show(
                QStringLiteral("File -not- saved OR has been modified!"),
                QStringLiteral("Okay to save '") + st.fileName + QStringLiteral("' now?"),
                MsgIcon::Question, MsgButtons::OkCancel);
            if (a != MsgAnswer::Ok) return;
            if (!form.saveAs()) return;
            st.fileTemp = st.fileName;
            st.fileTempPath = st.filePath;
            ChDir(st.fileTempPath);
            if (!FileExists(st, st.fileName)) return;
        }
        FileRun3(st);
        st.fileTemp = st.fileName;
        StartRun(st, form);
        st.saveFailed = 0;
    } catch (const RtError &) {
        showRunRoutineError(st, QStringLiteral("FileRun2"));
    }
}

void StartRun(AppState &st, RunForm &form) {
    SetPlotFile(st.fileTemp);
    exitWin(st, form);
}

QString plotFileName(const QString &name) {
    if (name.isEmpty() || name.endsWith(QLatin1String(".gif")) || name.endsWith(QLatin1String(".plt")))
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return ((dot >= 0 ? name.left(dot) : name) + QStringLiteral(".plt")).toLower();
}

void SetPlotFile(const QString &name) { PutPlotFileInRegistry(plotFileName(name)); }

QString runOutputFolder(const AppState &st) {
    if (QDir::isAbsolutePath(st.userPath)) return st.userPath + QStringLiteral("/output");
    return st.appPath + QLatin1Char('/') + st.userPath + QStringLiteral("/output");
}

void exitWin(AppState &st, RunForm &form) {
    try {
        if (st.runMode == kDemo) {
            // The settings name the example as the last file; fileName itself is kept.
            st.fileTemp = st.fileName;
            st.fileName = st.demoFile;
            PutFileInRegistry(st);
            st.fileName = st.fileTemp;
            st.fileTemp = st.demoFile;
            st.userPath = QStringLiteral("demos");
            ChDir(st.appPath + QStringLiteral("/demos"));
        } else if (st.userPath == st.appPath) {
            st.userPath.clear();
            ChDir(st.filePath);
        } else {
            st.fileTemp = st.fileName;
            PutFileInRegistry(st);
            // The run folder relative to the program folder; a folder elsewhere stays whole.
            const QString prefix = st.appPath + QLatin1Char('/');
            QString user = st.filePath;
            const int at = user.indexOf(prefix, 0, Qt::CaseInsensitive);
            if (at >= 0) user.remove(at, prefix.size());
            st.userPath = user;
            ChDir(st.filePath);
        }
        if (st.fileTemp.isEmpty()) return;

        const QString arguments = st.fileTemp + QLatin1Char(' ') + st.userPath +
                                  (form.autoExit() ? QStringLiteral(" exit") : QStringLiteral(" wait"));
        const QString output = runOutputFolder(st);
        if (!dirExists(st, output)) MkDir(output);
        form.enablePlots();

        const CommandLine command = splitCommandLine(
            st.appPath + QLatin1Char('/') + tools::runBatch + QLatin1Char(' ') + arguments,
            QDir::currentPath());
        reportRunOutcome(st, command, st.launcher->runAndWait(command));
    } catch (const RtError &) {
        showRunRoutineError(st, QStringLiteral("exitWin"));
    }
}

}  // namespace quadrel
