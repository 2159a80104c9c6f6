#include "OurSolver.h"

namespace bench {

OurResult solveOurs(const std::string &) {
    OurResult r;
    r.error = "solver not built";
    return r;
}

IntegratorSettings ourIntegratorSettings() { return IntegratorSettings(); }

}  // namespace bench
