#pragma once
// A batch run: the response file handed to the solver batch in its run folder, waited for
// with its console showing. Submit and Run Demo both end in FileRun2.
#include "model/AppState.h"

namespace quadrel {

// What a run needs of the window: the Run page's controls and the save it may ask for.
class RunForm {
public:
    virtual ~RunForm() = default;
    virtual QString pauseText() const = 0;  // the pause box tPause
    virtual bool autoExit() const = 0;      // "Auto-exit DOSbox" is checked
    virtual void enablePlots() = 0;         // the "View Past Plots" button
    // Save As with its dialog; true when the file was written.
    virtual bool saveAs() = 0;
};

// Saves the form when needed (asking first), picks the run folder and file, and runs the
// batch: the example demoFile when runMode is "Demo", the current file otherwise. Any
// run-time error ends the run with a message; saveFailed is 0 after every run that got
// past the save question.
void FileRun2(AppState &st, RunForm &form);
// Records the plot file name of st.fileTemp, then runs exitWin.
void StartRun(AppState &st, RunForm &form);
// The plot file name of a response file: a name ending in ".gif" or ".plt" (or empty) as
// it is; otherwise the name without its last extension, plus ".plt", in lower case.
QString plotFileName(const QString &responseFile);
// Stores plotFileName(name) (and ProgramPath) in the settings. Errors reach the caller.
void SetPlotFile(const QString &name);
// Stores the last file and user folder, makes the run folder current, creates its output
// folder and runs the solver batch, returning when it has ended. Errors are reported here.
void exitWin(AppState &st, RunForm &form);

// The folder the batch copies its output into: appPath/userPath/output, or
// userPath/output when userPath is an absolute folder.
QString runOutputFolder(const AppState &st);

}  // namespace quadrel

namespace quadrel {

// The message of a run routine that failed: "A Quadrel File is missing!" naming routine
// ("FileRun2", "exitWin", "FileRun3").
void showRunRoutineError(AppState &st, const QString &routine);
// Tells the user how a run that was waited for went wrong: it did not start, crashed or
// was stopped. A run that ended by itself needs no message (its console showed its status).
void reportRunOutcome(AppState &st, const CommandLine &command, const RunOutcome &outcome);

}  // namespace quadrel
