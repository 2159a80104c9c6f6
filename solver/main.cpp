// vade: solves the problem of one response file and writes "~Quadrel.out" and
// "~4plots.plt" into the current folder.
//   vade FILE [COPY]
// With COPY (a path without extension) it also writes the two as COPY.out and COPY.plt,
// creating the folder: run-VADE's copies, made here to spare the batch two processes.
// Exit status: 0 solved, 1 the solution failed, 2 the file or an answer cannot be used,
// 3 a solver limit was reached (the best result is still written), 4 solved but the
// copies could not be written.
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "solver/Problem.h"
#include "solver/Report.h"
#include "solver/ResponseInput.h"
#include "solver/Solver.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

namespace {

using namespace quadrel;

// Messages of the response file reader go to standard error: the solver has no window.
class StderrMessageBoxes : public MessageBoxes {
public:
    using MessageBoxes::show;
    MsgAnswer show(const MessageRequest &request) override {
        std::cerr << request.title.trimmed().toStdString() << ": "
                  << request.text.toStdString() << "\n";
        return request.buttons == MsgButtons::YesNo || request.buttons == MsgButtons::YesNoCancel
                   ? MsgAnswer::No
                   : MsgAnswer::Ok;
    }
};

class StdoutConsole : public solver::Console {
public:
    void line(const std::string &text) override { std::cout << text << '\n'; }
};

bool writeFile(const std::string &name, const std::string &text) {
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f << text;
    f.close();
    if (!f) {
        std::cerr << "vade: cannot write " << name << "\n";
        return false;
    }
    return true;
}

// Where the copies go ("" for none).
std::string g_copy;

// Writes both outputs into the current folder and, when asked, their copies.
bool writeOutputs(const std::string &report, const std::string &plot) {
    bool ok = writeFile(solver::kReportFile, report);
    ok = writeFile(solver::kPlotFile, plot) && ok;
    if (g_copy.empty()) return ok;
    const QString folder = QFileInfo(QString::fromLocal8Bit(g_copy.c_str())).path();
    if (!QDir().mkpath(folder)) {
        std::cerr << "vade: cannot create the folder " << folder.toLocal8Bit().constData()
                  << "\n";
        return false;
    }
    ok = writeFile(g_copy + ".out", report) && ok;
    return writeFile(g_copy + ".plt", plot) && ok;
}

int inputFailure(const std::string &fileName, const std::string &equation,
                 const std::string &message) {
    writeOutputs(solver::inputErrorReport(fileName, equation, message),
                 solver::emptyPlotText(fileName, "the input cannot be used"));
    std::cerr << "vade: " << fileName << ": " << message << "\n";
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: vade FILE [COPY]\n"
                     "Solves the problem of the response file FILE and writes ~Quadrel.out "
                     "and ~4plots.plt into the current folder, and also as COPY.out and "
                     "COPY.plt when COPY is given.\n";
        return 2;
    }
    if (argc == 3) g_copy = argv[2];
    const std::string path = argv[1];
    const std::string fileName = path.substr(path.find_last_of('/') + 1);

    struct stat info {};
    if (::stat(argv[1], &info) == 0 && S_ISREG(info.st_mode) && info.st_size > solver::kMaxResponseFileBytes)
        return inputFailure(fileName, {},
                            "The response file is " + std::to_string(info.st_size) +
                                " bytes long; the limit is " +
                                std::to_string(solver::kMaxResponseFileBytes) + " bytes.");

    AppState st;
    StderrMessageBoxes boxes;
    st.msg = &boxes;
    if (!ReadResponseFile(st, QString::fromLocal8Bit(argv[1])))
        return inputFailure(fileName, {}, "The response file cannot be read.");
    const ProblemAnswers &a = st.answers;
    for (const QString &s : a.answers)
        if (s == QLatin1String("-EOF-"))
            return inputFailure(fileName, {}, "The response file ends before its last answer.");

    solver::Problem problem;
    const solver::ProblemInput in = solver::inputFrom(a, fileName);
    try {
        problem = solver::buildProblem(in);
    } catch (const solver::InputError &e) {
        return inputFailure(fileName, in.equation, e.what());
    }

    StdoutConsole console;
    console.line("Quadrel solver: " + fileName + ": " + problem.equationText);
    const solver::SolveResult r = solver::solve(problem, &console);
    const bool written = writeOutputs(solver::reportText(problem, r), solver::plotText(problem, r));

    if (r.ok()) {
        console.line("Solved in " + std::to_string(r.milliseconds) + " ms; see ~Quadrel.out.");
        std::cout.flush();
        return written ? 0 : 4;
    }
    std::cout.flush();
    std::cerr << "vade: " << fileName << ": " << r.message << "\n";
    return r.stop == solver::Stop::LimitReached ? 3 : 1;
}
