#pragma once
// The program's settings in the per-user store: where each one lives and the routines that
// read and write the last input file, the user folder, the plot file and the run counter.
//
//   product key  Software\Harrowfield Research Group\Quadrel
//     RunCount (text: decimal run counter, missing = 0), FileIn (text), userPath (text,
//     default "demos")
//   company key  Software\Harrowfield Research Group   (leftmost 35 characters)
//     tPause (text, default "20"), ProgramPath (text, always "\Quadrel"), plotFile (text),
//     submit (32-bit integer: day serial of the last donation reminder, missing = 0)
#include "model/AppState.h"

#include <QString>

namespace quadrel {

inline const QString kProductKey = QStringLiteral("Software\\Harrowfield Research Group\\Quadrel");
// Always the leftmost 35 characters of the product key.
QString companyKey();

namespace regname {
inline const QString RunCount = QStringLiteral("RunCount");
inline const QString FileIn = QStringLiteral("FileIn");
inline const QString userPath = QStringLiteral("userPath");
inline const QString tPause = QStringLiteral("tPause");
inline const QString ProgramPath = QStringLiteral("ProgramPath");
inline const QString plotFile = QStringLiteral("plotFile");
inline const QString submit = QStringLiteral("submit");
}  // namespace regname

// Returns the last input file name (without folder, possibly empty) and sets st.fileIn,
// st.userPath and st.basePath (appPath + "/.."). Returns "" at once, setting nothing, when
// the product key is missing. A run-time error is shown through st.msg and the next step
// runs.
QString GetFileInRegistry(AppState &st);
// Stores st.fileName as FileIn and st.userPath as userPath, creating the product key when
// missing. A run-time error is shown through st.msg and the next step runs.
void PutFileInRegistry(AppState &st);
// Stores ProgramPath = "\Quadrel" and, when plotFile is not empty, plotFile, under the
// company key (created when missing). Errors reach the caller.
void PutPlotFileInRegistry(const QString &plotFile);
// Stores st.RunCount as decimal text. Errors reach the caller.
void PutRunCountInRegistry(const AppState &st);

}  // namespace quadrel
