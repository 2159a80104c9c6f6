#pragma once
// Every way a solver run ends short of a solution, named by the words its message begins
// with: the failures of an integration pass, the limits of the solver variables, and the
// fit's own. The messages are built from these names, so this list is the solver's own.
#include "solver/System.h"

#include <string>
#include <vector>

namespace quadrel::solver {

// The words a pass failure's message begins with; empty for FailKind::None. A value that is
// not finite leads with the failing operation instead when the notation can name it.
std::string failureHeadline(FailKind kind);
// "Limit NAME reached", for the solver variables that end a run: REMAX, STEPSLIM, EVALMAX.
std::string limitHeadline(const char *name);
inline constexpr const char *kFitStalled = "The fit stalled";

// Every headline: each pass failure, each limit, and the fit's.
std::vector<std::string> failureHeadlines();

}  // namespace quadrel::solver
