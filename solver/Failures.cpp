#include "solver/Failures.h"

namespace quadrel::solver {

std::string failureHeadline(FailKind kind) {
    switch (kind) {
    case FailKind::None: return {};
    case FailKind::NonFinite: return "The equation has no finite value";
    case FailKind::Newton: return "Newton's method found no";
    case FailKind::BlowUp: return "The solution blows up";
    case FailKind::StepsLim: return limitHeadline("STEPSLIM");
    case FailKind::Integrator: return "The integrator could not keep its error within tolerance";
    }
    return {};  // past the last kind
}

std::string limitHeadline(const char *name) { return std::string("Limit ") + name + " reached"; }

std::vector<std::string> failureHeadlines() {
    std::vector<std::string> all;
    for (int k = int(FailKind::None) + 1; !failureHeadline(FailKind(k)).empty(); ++k)
        all.push_back(failureHeadline(FailKind(k)));
    for (const char *limit : {"REMAX", "EVALMAX"}) all.push_back(limitHeadline(limit));
    all.push_back(kFitStalled);
    return all;
}

}  // namespace quadrel::solver
