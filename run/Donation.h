#pragma once
// The donation reminder shown before submitted runs.
#include "model/AppState.h"

namespace quadrel {

// The day serial of a date: whole days since 30 December 1899.
qint64 daySerial(const QDate &date);

// Opens the donation page on the first submitted run 16 or more days after the first run
// ever, and then on the first submitted run 46 or more days after the previous reminder.
// The day of the last reminder is the settings value "submit" under the company key; the
// day count is a 16-bit number, so a stored day too far from today is an overflow, which is
// reported like every other error of the reminder. The run goes on in every case.
void FileRun3(AppState &st);

}  // namespace quadrel
