#pragma once
// All state the program keeps for the whole run, in one object the program owns and
// passes to its routines. Tests make a fresh one per case.
#include "model/ProblemAnswers.h"
#include "model/ResponseFile.h"
#include "platform/Clock.h"
#include "platform/Launcher.h"
#include "platform/MessageBoxes.h"
#include <QString>

namespace quadrel {

class AnswerForm;
class CommonDialog;

struct AppState {
    ProblemAnswers answers;

    // Response file and run state.
    QString fileName;      // current response file, no folder; "New data" after New
    QString filePath;      // its folder
    QString fileTemp;      // the file a command or run works on
    QString fileTempPath;  // the folder a command or run works on
    QString recordedName;  // name recorded on line 1 of a response file
    QString fullPath;      // filePath + "/" + fileName as built before an open
    ResponseFile fileNo;   // the one response file open at a time
    bool dataChanged = false;
    qint16 saveFailed = 0;
    QString runMode = QStringLiteral(" ");  // "Demo", "*" or " "
    QString demoFile = QStringLiteral("ExIVP.1.ode");

    // Folders and counters.
    QString appPath;   // program folder, no trailing separator
    QString basePath;  // appPath + "/.." : the viewers and the editor live there
    QString userPath = QStringLiteral("demos");  // user folder relative to appPath
    QString fileIn;    // last input file read back from the settings
    qint16 RunCount = 0;

    // Seams (not owned): every message goes through msg, every date through clock.
    MessageBoxes *msg = nullptr;
    const Clock *clock = nullptr;
    // Documents, pages, mail links and outside programs are started through launcher.
    Launcher *launcher = nullptr;
    // The main form's common dialog, shared by every file command.
    CommonDialog *CMDialog1 = nullptr;
    // The question form the response file routines read and set; nullptr when the program
    // has none (the solver), and then they work on the answer set alone.
    AnswerForm *form = nullptr;
};

}  // namespace quadrel
