// vade: solves the problem of one response file and writes "~Quadrel.out" and
// "~4plots.plt" into the current folder.
//   vade FILE [COPY]
// With COPY (a path without extension) it also writes the two as COPY.out and COPY.plt,
// creating the folder: run-VADE's copies, made here to spare the batch two processes.
// FILE and COPY are taken as the exact bytes given; messages show them decoded leniently.
// No output ever replaces the input file: such an output is not written (status 4).
// Exit status: 0 solved, 1 the solution failed, 2 the file or an answer cannot be used,
// 3 a solver limit was reached (the best result is still written), 4 solved but an output
// or a copy could not be written.
#include "model/ResponseRecord.h"
#include "solver/Problem.h"
#include "solver/Report.h"
#include "solver/ResponseInput.h"
#include "solver/Solver.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace quadrel;

class StdoutConsole : public solver::Console {
public:
    void line(const std::string &text) override { std::cout << text << '\n'; }
};

std::string shown(const std::string &bytes) { return "'" + response::decodeLenient(bytes) + "'"; }

// The input file, so that no output replaces it.
struct stat g_input {};
bool g_inputKnown = false;
// Where the copies go ("" for none).
std::string g_copy;

bool isInput(const std::string &path) {
    struct stat sb {};
    return g_inputKnown && ::stat(path.c_str(), &sb) == 0 && sb.st_dev == g_input.st_dev &&
           sb.st_ino == g_input.st_ino;
}

bool writeFile(const std::string &path, const std::string &text) {
    if (isInput(path)) {
        std::cerr << "vade: " << shown(path)
                  << " is the input file itself; it is not overwritten, so this output is "
                     "not written.\n";
        return false;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    bool ok = fd >= 0;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += size_t(n);
    }
    const int err = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) ok = false;
    if (!ok) std::cerr << "vade: cannot write " << shown(path) << ": " << std::strerror(err) << "\n";
    return ok;
}

// Creates folder and its parents; true when it exists as a folder afterwards.
bool makeFolder(const std::string &folder) {
    struct stat sb {};
    if (folder.empty() || ::stat(folder.c_str(), &sb) == 0) return folder.empty() || S_ISDIR(sb.st_mode);
    const size_t cut = folder.find_last_of('/');
    if (cut != std::string::npos && cut > 0 && !makeFolder(folder.substr(0, cut))) return false;
    return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

struct Written {
    bool report = false, all = false;
};

// Writes both outputs into the current folder and, when asked, their copies.
Written writeOutputs(const std::string &report, const std::string &plot) {
    Written w;
    w.report = writeFile(solver::kReportFile, report);
    w.all = writeFile(solver::kPlotFile, plot) && w.report;
    if (g_copy.empty()) return w;
    const size_t cut = g_copy.find_last_of('/');
    if (cut != std::string::npos && !makeFolder(g_copy.substr(0, cut))) {
        std::cerr << "vade: cannot create the folder " << shown(g_copy.substr(0, cut)) << "\n";
        w.all = false;
        return w;
    }
    w.all = writeFile(g_copy + ".out", report) && w.all;
    w.all = writeFile(g_copy + ".plt", plot) && w.all;
    return w;
}

int inputFailure(const std::string &fileName, const std::string &equation,
                 const std::string &message) {
    writeOutputs(solver::inputErrorReport(fileName, equation, message),
                 solver::emptyPlotText(fileName, "the input cannot be used"));
    std::cerr << "vade: " << fileName << ": " << message << "\n";
    return 2;
}

// Why the file named path cannot be opened for reading, for a student.
std::string openFailure(const std::string &path, int err) {
    switch (err) {
    case ENOENT: return "Missing " + shown(path) + " file?";
    case EISDIR: return shown(path) + " is a folder, not a response file.";
    case ENODEV: return shown(path) + " is a device, a pipe or a socket, not a response file.";
    default: return shown(path) + " cannot be opened: " + std::strerror(err) + ".";
    }
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
    const std::string fileName = response::decodeLenient(path.substr(path.find_last_of('/') + 1));

    response::LineFile file;
    if (const int err = file.open(argv[1]))
        return inputFailure(fileName, {}, openFailure(path, err));
    g_inputKnown = ::stat(argv[1], &g_input) == 0;
    if (g_inputKnown && g_input.st_size > solver::kMaxResponseFileBytes)
        return inputFailure(fileName, {},
                            "The response file is " + std::to_string(g_input.st_size) +
                                " bytes long; the limit is " +
                                std::to_string(solver::kMaxResponseFileBytes) + " bytes.");
    response::Record rec;
    try {
        response::readRecord(file, rec);
    } catch (const response::ReadError &e) {
        return inputFailure(fileName, {},
                            "The response file cannot be read (run-time error " +
                                std::to_string(e.number()) + ": " + e.what() + ").");
    }
    for (const std::string &s : rec.answers)
        if (s == response::kEof)
            return inputFailure(fileName, {}, "The response file ends before its last answer.");

    solver::Problem problem;
    const solver::ProblemInput in = solver::inputFrom(rec, fileName);
    try {
        problem = solver::buildProblem(in);
    } catch (const solver::InputError &e) {
        return inputFailure(fileName, in.equation, e.what());
    }

    StdoutConsole console;
    console.line("Quadrel solver: " + fileName + ": " + problem.equationText);
    const solver::SolveResult r = solver::solve(problem, &console);
    const Written written =
        writeOutputs(solver::reportText(problem, r), solver::plotText(problem, r));

    if (r.ok()) {
        console.line("Solved in " + std::to_string(r.milliseconds) + " ms; " +
                     (written.report ? "see " + std::string(solver::kReportFile) + "."
                                     : std::string(solver::kReportFile) + " could not be written."));
        std::cout.flush();
        return written.all ? 0 : 4;
    }
    std::cout.flush();
    std::cerr << "vade: " << fileName << ": " << r.message << "\n";
    return r.stop == solver::Stop::LimitReached ? 3 : 1;
}
