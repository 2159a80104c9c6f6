#pragma once
// The File menu's commands on response files, the unsaved-changes prompt, and the file and
// folder tests the other commands share. All file dialogs go through st.CMDialog1, all
// prompts through st.msg, and the form through st.form.
#include "model/AppState.h"

#include <QString>

namespace quadrel {

// True when at least one regular file matches name: a path, relative to the working folder
// when it has no folder, whose last part may hold the wildcards "*" and "?" ("*.*" matches
// every file, also one without a dot).
bool FileExists(AppState &st, const QString &name);
// True when the folder path exists. After an unexpected error the main form is unloaded,
// which ends the program.
bool dirExists(AppState &st, const QString &path);
// Makes path the working folder / creates the one folder path. Both raise RtError: 76 when
// the path leads nowhere, 75 when it is not allowed (or the folder exists), 68 and 71 for
// a device that is gone or has no medium.
void ChDir(const QString &path);
void MkDir(const QString &path);
// Splits a non-empty path into st.fileName and st.filePath; a path without a folder gets
// the working folder. An empty st.filePath becomes the working folder + "/User". Then
// st.fileTempPath = st.filePath. Callers pass st.fileName itself, hence the copy.
void SetFilePath(AppState &st, QString path);

// Offers to save changed answers. Returns true when the caller must stop (Cancel, or a save
// that did not happen).
bool AskSaveChanges(AppState &st, bool &changed);

void FileNew(AppState &st);
void FileOld(AppState &st);
void FileSave(AppState &st);
// True when the file was written.
bool FileSaveAs(AppState &st);
void FileDelete(AppState &st);

// The dialog titles and filter lists of the commands.
namespace dialogs {
inline const QString OpenTitle = QStringLiteral("Select Response (Input) File to Open");
inline const QString OpenFilter = QStringLiteral(
    "All Files (*.*)|*.*|Input Files (*.ode)|*.ode|Example Input Files (Ex*.ode)|Ex*.ode");
inline const QString SaveAsTitle = QStringLiteral("Save Input File As ...");
inline const QString DeleteTitle = QStringLiteral("Select File to be Deleted");
inline const QString QuadrelFilter = QStringLiteral("All Files (*.*)|*.*|Quadrel Files (*.ode)|*.ode");
}  // namespace dialogs

}  // namespace quadrel
