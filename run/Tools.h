#pragma once
// The outside components the program starts, by the names it finds them under, and the
// files they leave behind. The solver batch and the checker library live in the program
// folder (appPath); the viewers and the editor launcher in the folder above it (basePath).
#include <QString>

namespace quadrel::tools {

inline const QString runBatch = QStringLiteral("run-VADE");
inline const QString checkerLibrary = QStringLiteral("libVetrix.so");
inline const QString plotViewer = QStringLiteral("Lumaplots");
inline const QString textViewer = QStringLiteral("notePad2");
inline const QString editorLauncher = QStringLiteral("MyEditor");

inline const QString solverOutput = QStringLiteral("~Quadrel.out");
inline const QString plotData = QStringLiteral("~4plots.plt");
inline const QString checkerListing = QStringLiteral("~Vetrix.out");
inline const QString parseListing = QStringLiteral("~parse.out");

}  // namespace quadrel::tools
