#pragma once
// "Test it!": the equation checked by the checker library, in-process, and its listing
// shown in the text viewer.
#include "model/AppState.h"

namespace quadrel {

// Loads libVetrix.so from the program folder for this call only and hands it equation as
// typed (single-byte text, the value 1, the length in characters), with the program folder
// (basePath/Quadrel) current. Shows "~Vetrix.out" when the library accepts the equation;
// when the library is missing or reports a fault (a non-zero status), says "Check for error
// in your equation." and shows "~parse.out" instead, leaving that folder current.
void cmdTestIt(AppState &st, const QString &equation);

}  // namespace quadrel
