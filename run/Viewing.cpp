#include "run/Viewing.h"

#include "model/FileCommands.h"
#include "platform/CommonDialog.h"
#include "run/Tools.h"

#include <QDir>
#include <QFileInfo>

namespace quadrel {

namespace {

// The longest path the viewers' command lines take.
constexpr int kShortPathLimit = 164;

}  // namespace

QString ShortLowerPath(const QString &path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.size() > kShortPathLimit ? QString() : canonical;
}

void ShowTextFile(AppState &st, const QString &path) {
    const QString shortPath = ShortLowerPath(path);
    if (shortPath.isEmpty() || !FileExists(st, shortPath)) {
        st.msg->show(QStringLiteral("'") + path + QStringLiteral("' file not found."),
                     QStringLiteral("Last Output File, ") + path + QStringLiteral(", not found.\r\n") +
                         QStringLiteral("Presently you are in the '") + QDir::currentPath() +
                         QStringLiteral(" directory."),
                     MsgIcon::Exclamation);
        return;
    }
    const QString viewer = st.basePath + QLatin1Char('/') + tools::textViewer;
    if (st.launcher->startCommand(viewer + QLatin1Char(' ') + shortPath, ShowNormal) == 0)
        throw RtError(rterr::FileNotFound,
                      QStringLiteral("The text viewer ") + viewer + QStringLiteral(" could not be started."));
}

void showViewerError(AppState &st, const RtError &e) {
    st.msg->show(QStringLiteral("Viewer not started"),
                 e.description() + QStringLiteral("\r\nThe file it was to show is kept as it is."),
                 MsgIcon::Exclamation);
}

void ShowTextFileReported(AppState &st, const QString &path) {
    try {
        ShowTextFile(st, path);
    } catch (const RtError &e) {
        showViewerError(st, e);
    }
}

void ShowPlots(AppState &st) {
    const QString viewer = st.basePath + QLatin1Char('/') + tools::plotViewer;
    if (!FileExists(st, viewer)) {
        st.msg->show(QStringLiteral("LumaPlots.exe file not found."),
                     st.basePath + QStringLiteral("/Lumaplot File is missing! Did you re-boot since\r\n") +
                         QStringLiteral("installing this software?\r\n\r\n") +
                         QStringLiteral("If not, please re-boot.  Otherwise you must re-install the ") +
                         QStringLiteral("Quadrel") + QStringLiteral("\u2122 program."),
                     MsgIcon::Exclamation);
        return;
    }
    // The viewer starts in the current folder, the run folder, and finds its file there.
    if (st.launcher->startCommand(viewer + QLatin1Char(' ') + tools::plotData, ShowNormal) == 0)
        showViewerError(st, RtError(rterr::FileNotFound, QStringLiteral("The plot viewer ") + viewer +
                                                             QStringLiteral(" could not be started.")));
}

void ViewExampleFile(AppState &st) {
    CommonDialog &dialog = *st.CMDialog1;
    const QString remembered = dialog.InitDir;
    try {
        dialog.InitDir = st.appPath + QStringLiteral("/demos");
        dialog.DialogTitle = QStringLiteral("Open an Example File for illustration");
        dialog.Filter = QStringLiteral("All Files (*.*)|*.*|Example Input Files (Ex*.*)|Ex*.*");
        dialog.FilterIndex = 2;
        dialog.ShowOpen();
        if (!dialog.FileName.isEmpty()) {
            const QString editor = st.basePath + QLatin1Char('/') + tools::editorLauncher;
            if (st.launcher->startCommand(editor + QLatin1Char(' ') + dialog.FileName, ShowMaximized) == 0)
                showViewerError(st, RtError(rterr::FileNotFound, QStringLiteral("The editor ") + editor +
                                                                     QStringLiteral(" could not be started.")));
            return;
        }
    } catch (const RtError &) {
        // Cancel included: nothing is opened.
    }
    dialog.InitDir = remembered;
}

}  // namespace quadrel
