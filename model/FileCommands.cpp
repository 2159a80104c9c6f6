// File commands. Each command runs its steps under one failure pattern: a drive that is not
// ready may be retried or skipped, an unavailable device is reported and skipped, a
// cancelled dialog ends the command quietly, and any other error is reported and ends it.
#include "model/FileCommands.h"

#include "model/AnswerForm.h"
#include "platform/CommonDialog.h"
#include "platform/RtError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <dirent.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace quadrel {

namespace {

const QString kNewData = QStringLiteral("New data");

class FileTrap {
public:
    // nameShown gives the name an "unavailable device" message names, read when it is shown.
    FileTrap(AppState &st, const char *routine, std::function<QString()> nameShown,
             bool ignoreInvalidArgument = false)
        : st_(st), title_(QStringLiteral("In '%1' routine ...").arg(QLatin1String(routine))),
          nameShown_(std::move(nameShown)), ignoreInvalidArgument_(ignoreInvalidArgument) {}

    // Runs one step; false when the command must end.
    template <typename Step>
    bool step(Step &&op) {
        for (;;) {
            try {
                op();
                return true;
            } catch (const RtError &e) {
                switch (e.number()) {
                case rterr::DiskNotReady:
                    if (show(QStringLiteral("Put a floppy disk in the drive and cloce the drive door."),
                             MsgIcon::Exclamation, MsgButtons::OkCancel) == MsgAnswer::Ok)
                        continue;
                    return true;
                case rterr::DeviceUnavailable:
                    show(QStringLiteral("This drive or path does not exist: ") + nameShown_(),
                         MsgIcon::Exclamation, MsgButtons::Ok);
                    return true;
                case rterr::DialogCancelled: return false;
                case rterr::InvalidArgument:
                    if (ignoreInvalidArgument_) return true;
                    [[fallthrough]];
                default:
                    show(QStringLiteral("Unexpected error #") + signStr(e.number()) +
                             QStringLiteral(" occured: ") + e.description(),
                         MsgIcon::Critical, MsgButtons::Ok);
                    return false;
                }
            }
        }
    }

private:
    MsgAnswer show(const QString &text, MsgIcon icon, MsgButtons buttons) {
        // Without a message seam the first button is the answer, as an unattended box gives.
        return st_.msg ? st_.msg->show(title_, text, icon, buttons) : MsgAnswer::Cancel;
    }

    AppState &st_;
    QString title_;
    std::function<QString()> nameShown_;
    bool ignoreInvalidArgument_;
};

// The run-time error a failed lookup means; 0 when the name simply is not there.
int lookupError(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR: return 0;
    case ENAMETOOLONG: return rterr::BadFileName;
    case ENOMEDIUM: return rterr::DiskNotReady;
    case ENODEV:
    case ENXIO:
    case ESTALE: return rterr::DeviceUnavailable;
    case EACCES:
    case EPERM:
    case ELOOP: return rterr::PathFileAccess;
    default: return rterr::DeviceIO;
    }
}

QByteArray nativeName(const QString &name) {
    if (name.contains(QChar(0))) throw RtError(rterr::BadFileName);
    return QFile::encodeName(name);
}

// stat() that raises the run-time error of a failure other than "not there".
bool lookup(const QString &name, struct stat &sb) {
    if (::stat(nativeName(name).constData(), &sb) == 0) return true;
    if (const int n = lookupError(errno)) throw RtError(n);
    return false;
}

// "*" any run of characters, "?" one character, everything else itself. A pattern ending
// in ".*" also matches the name without that extension.
QRegularExpression wildcardPattern(QString pattern) {
    const bool anyExtension = pattern.endsWith(QLatin1String(".*"));
    if (anyExtension) pattern.chop(2);
    QString rx;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*')) rx += QLatin1String(".*");
        else if (c == QLatin1Char('?')) rx += QLatin1Char('.');
        else rx += QRegularExpression::escape(QString(c));
    }
    if (anyExtension) rx += QLatin1String("(\\..*)?");
    return QRegularExpression(QLatin1String("\\A(?:") + rx + QLatin1String(")\\z"),
                              QRegularExpression::DotMatchesEverythingOption);
}

bool matchFile(const QString &name) {
    const qsizetype cut = name.lastIndexOf(QLatin1Char('/'));
    const QString pattern = name.mid(cut + 1);
    if (pattern.isEmpty()) return false;
    struct stat sb {};
    if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?')))
        return lookup(name, sb) && S_ISREG(sb.st_mode);

    const QString folder = cut < 0 ? QStringLiteral(".") : cut == 0 ? QStringLiteral("/") : name.left(cut);
    DIR *dir = ::opendir(nativeName(folder).constData());
    if (!dir) {
        if (const int n = lookupError(errno)) throw RtError(n);
        return false;
    }
    const QRegularExpression rx = wildcardPattern(pattern);
    bool found = false;
    while (const dirent *e = ::readdir(dir)) {
        if (!rx.match(QFile::decodeName(e->d_name)).hasMatch()) continue;
        if (::fstatat(::dirfd(dir), e->d_name, &sb, 0) == 0 && S_ISREG(sb.st_mode)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The run-time error of a failed folder change or creation.
int folderError(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR: return rterr::PathNotFound;
    case ENAMETOOLONG: return rterr::BadFileName;
    case ENOMEDIUM: return rterr::DiskNotReady;
    case ENODEV:
    case ENXIO:
    case ESTALE: return rterr::DeviceUnavailable;
    case ENOSPC:
    case EDQUOT: return rterr::DiskFull;
    default: return rterr::PathFileAccess;  // EACCES, EEXIST, EROFS, ...
    }
}

void showFilename(AppState &st) {
    if (st.form) st.form->ShowFilename();
}

}  // namespace

bool FileExists(AppState &st, const QString &name) {
    bool found = false;
    FileTrap trap(st, "FileExists", [&] { return name; });
    trap.step([&] { found = matchFile(name); });
    return found;
}

bool dirExists(AppState &st, const QString &path) {
    bool found = false;
    FileTrap trap(st, "dirExists", [&] { return path; });
    const bool ok = trap.step([&] {
        struct stat sb {};
        found = !path.isEmpty() && lookup(path, sb) && S_ISDIR(sb.st_mode);
    });
    if (!ok && st.form) st.form->unloadForm();
    return found;
}

void ChDir(const QString &path) {
    if (path.isEmpty()) throw RtError(rterr::PathNotFound);
    if (::chdir(nativeName(path).constData()) != 0) throw RtError(folderError(errno));
}

void MkDir(const QString &path) {
    if (path.isEmpty()) throw RtError(rterr::PathNotFound);
    if (::mkdir(nativeName(path).constData(), 0777) != 0) throw RtError(folderError(errno));
}

void SetFilePath(AppState &st, QString path) {
    if (!path.isEmpty()) {
        st.fileName = SplitFileSpec(path, st.filePath);
        if (st.filePath.isEmpty() && path.startsWith(QLatin1Char('/')))
            st.filePath = QStringLiteral("/");  // a file in the root folder
    }
    // The user folder is "User", as start-up creates it; file names here are case-sensitive.
    if (st.filePath.isEmpty()) st.filePath = QDir::currentPath() + QStringLiteral("/User");
    st.fileTempPath = st.filePath;
}

bool AskSaveChanges(AppState &st, bool &changed) {
    if (st.form) st.form->PutAnswers();
    if (!changed) return false;
    switch (st.msg->show(QStringLiteral("Data in form has changed!"), QStringLiteral("Save current data?"),
                         MsgIcon::Question, MsgButtons::YesNoCancel)) {
    case MsgAnswer::Yes: return !FileSaveAs(st);
    case MsgAnswer::No: changed = false; return false;
    default: return true;
    }
}

void FileNew(AppState &st) {
    if (AskSaveChanges(st, st.dataChanged)) return;
    if (st.msg->show(QStringLiteral("Confirm 'New' Response."), QStringLiteral("Okay to Clear responses?"),
                     MsgIcon::Question, MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    st.answers.clear();
    if (st.form) {
        st.form->selectProblemType(false);
        st.form->ClearGrid();
    }
    st.recordedName = kNewData;
    st.fileName = kNewData;
    st.filePath = QDir::currentPath();
    if (st.form) st.form->GetAnswers();
    st.dataChanged = false;
    showFilename(st);
}

void FileOld(AppState &st) {
    if (st.fileName != kNewData && AskSaveChanges(st, st.dataChanged)) return;
    CommonDialog &dlg = *st.CMDialog1;
    FileTrap trap(st, "FileOld", [&] { return st.fileName; }, /*ignoreInvalidArgument=*/true);
    const bool done =
        trap.step([&] {
            dlg.CancelError = true;
            dlg.DialogTitle = dialogs::OpenTitle;
            dlg.Filter = dialogs::OpenFilter;
            dlg.FilterIndex = 2;
            dlg.FileName = QStringLiteral("*.ode");
            dlg.ShowOpen();
        }) &&
        trap.step([&] {
            st.fileName = dlg.FileName;
            SetFilePath(st, st.fileName);
            dlg.InitDir = st.filePath;
        }) &&
        trap.step([&] {
            st.fullPath = st.filePath + QLatin1Char('/') + st.fileName;
            st.fileNo.openInput(st.fullPath);
        }) &&
        trap.step([&] {
            // A file that fails to read is reported by the reader; what was read is shown.
            FileReadMe(st, st.fileName, st.filePath);
            st.fileNo.close();
        }) &&
        trap.step([&] {
            if (st.form) st.form->GetAnswers();
            st.dataChanged = false;
            showFilename(st);
        });
    if (!done) st.fileNo.close();
}

void FileSave(AppState &st) {
    st.saveFailed = 0;
    // The bare name is looked up in the working folder.
    if (st.fileName != QLatin1String("*.*") && FileExists(st, st.fileName)) {
        FileTrap trap(st, "FileSave", [&] { return st.fileName; });
        trap.step([&] {
            st.fileTemp = st.fileName;
            WriteAnsFile(st, st.fileTemp, st.filePath);  // takes the form's answers first
            st.dataChanged = false;
        });
    } else {
        FileSaveAs(st);
    }
}

bool FileSaveAs(AppState &st) {
    st.saveFailed = 0;
    CommonDialog &dlg = *st.CMDialog1;
    FileTrap trap(st, "FileSaveAs", [&] { return st.fileTemp; });
    QString chosen;
    bool go = trap.step([&] {
        dlg.DialogTitle = dialogs::SaveAsTitle;
        dlg.InitDir = st.filePath;
        dlg.Filter = dialogs::QuadrelFilter;
        if (st.fileName != QLatin1String("~~none")) {
            st.fileName.remove(QStringLiteral(".ode"), Qt::CaseInsensitive);
            dlg.FileName = st.fileName + QStringLiteral(".ode");
        } else {
            dlg.FileName = QStringLiteral("none.txt");
        }
    }) && trap.step([&] { dlg.ShowSave(); });
    if (!go) return false;
    chosen = dlg.FileName;

    if (FileExists(st, chosen) &&
        st.msg->show(QStringLiteral("Replace ") + chosen.toLower() + QStringLiteral(" file?"),
                     QStringLiteral("File exists, want to replace it?"), MsgIcon::Question,
                     MsgButtons::YesNo) == MsgAnswer::No)
        return false;

    go = trap.step([&] {
        st.fileName = chosen;
        SetFilePath(st, st.fileName);
        dlg.InitDir = st.filePath;
    }) && trap.step([&] {
        WriteAnsFile(st, st.fileName, st.filePath);  // takes the form's answers first
        st.dataChanged = false;
        showFilename(st);
    });
    if (!go) return false;
    if (st.saveFailed == 0) {
        if (st.form) st.form->enableSubmit();
        return true;
    }
    st.saveFailed = 0;
    return false;
}

void FileDelete(AppState &st) {
    CommonDialog &dlg = *st.CMDialog1;
    // Any error, a cancelled dialog included, ends the command without a word; the loaded
    // problem and its name stay as they are even when its own file goes.
    try {
        dlg.DialogTitle = dialogs::DeleteTitle;
        dlg.Filter = dialogs::QuadrelFilter;
        dlg.FilterIndex = 3;  // past the list's end: the dialog shows the first filter
        dlg.FileName = st.fileName;
        dlg.ShowOpen();
        st.fileTemp = dlg.FileName;
        if (FileExists(st, st.fileTemp) &&
            st.msg->show(QStringLiteral("Confirm Delete?"),
                         QStringLiteral("Delete '") + st.fileTemp + QStringLiteral("' File."),
                         MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes)
            QFile::remove(st.fileTemp);
        SplitFileSpec(st.fileTemp, st.fileTempPath);
        dlg.InitDir = st.fileTempPath;
    } catch (const RtError &) {
    }
}

}  // namespace quadrel
