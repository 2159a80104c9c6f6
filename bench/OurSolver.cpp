#include "OurSolver.h"

#include "model/ResponseRecord.h"
#include "solver/Integrator.h"
#include "solver/Problem.h"
#include "solver/ResponseInput.h"
#include "solver/Solver.h"

#include <map>

namespace bench {
namespace {

using namespace quadrel;

// Files are read once; the timed part is building the problem (parsing the equation) and
// solving it.
const solver::ProblemInput *readOnce(const std::string &path, std::string &error) {
    static std::map<std::string, solver::ProblemInput> cache;
    auto it = cache.find(path);
    if (it != cache.end()) return &it->second;
    response::LineFile file;
    response::Record rec;
    try {
        if (file.open(path.c_str()) != 0) throw std::runtime_error("cannot open");
        response::readRecord(file, rec);
    } catch (const std::exception &e) {
        error = "cannot read " + path + ": " + e.what();
        return nullptr;
    }
    return &cache.emplace(path, solver::inputFrom(rec, path)).first->second;
}

}  // namespace

OurResult solveOurs(const std::string &path) {
    OurResult out;
    const solver::ProblemInput *in = readOnce(path, out.error);
    if (!in) return out;
    try {
        const solver::Problem p = solver::buildProblem(*in);
        const solver::SolveResult r = solver::solve(p);
        if (!r.ok()) {
            out.error = r.message;
            return out;
        }
        const size_t stride = size_t(p.order) + 1;
        out.x.reserve(r.rowDone.size());  // both solvers' tables are collected alike
        out.y.reserve(r.rowDone.size());
        out.yp.reserve(r.rowDone.size());
        for (size_t row = 0; row < r.rowDone.size(); ++row) {
            out.x.push_back(p.x0 + double(row) * p.deltaX);
            out.y.push_back(r.table[row * stride]);
            out.yp.push_back(r.table[row * stride + 1]);
        }
        out.a = r.a;
        out.ok = true;
    } catch (const std::exception &e) {
        out.error = e.what();
    }
    return out;
}

IntegratorSettings ourIntegratorSettings() {
    IntegratorSettings s;
    s.bdf = false;  // the solver starts every pass on the explicit pair (no example is stiff)
    s.rtol = solver::Integrator::kRelTol;
    s.atol = solver::Integrator::kAbsTol;
    return s;
}

}  // namespace bench
