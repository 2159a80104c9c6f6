#pragma once
// Start-up of the main form: its load (settings, the last problem, the working folders, the
// first-run greeting and file types) and the folder set-up it ends with.
#include "model/AppState.h"

#include <functional>

namespace quadrel {

class frmMain;

// The main form's load. Leaves the form shown, the record holding the reopened file or the
// form's own answers, dataChanged false and the program folder the working folder.
void Form_Load(frmMain &form, AppState &st);

// Clears the run state, shows the record, creates the User folder when missing and makes
// the program folder the working folder and the dialogs' first folder.
void Start_INI(AppState &st);

// The stored run counter. A missing, empty or unreadable counter (not a whole number from
// -32768 to 32767) counts as 0: the program starts as on a first run, and the next exit
// stores a sound counter again.
qint16 readRunCount();

// The greeting a first run shows once the main form is loaded.
QString welcomeText();

// The error handling of the main form's load around one step: an unavailable device is
// reported and the step tried again, a cancelled dialog returns false (the rest of the load
// is skipped), any other error is reported and the load goes on. True to go on.
bool formLoadStep(AppState &st, const std::function<void()> &step);

}  // namespace quadrel
