// The solver benchmark: solves every example and prints, per example, the solve time
// (microseconds, best of many) and the error against the closed-form solution, beside two
// peers measured in the same run, and the wall time of a whole run-VADE process.
//
//   quadrel_bench_demos [--repeat N] [--program-folder DIR] [--python FILE] [--only STEM]
//                       [--hand-rtol R]
//
// Peers: scipy (solve_ivp DOP853 at rtol 1e-10; least_squares over a shooting residual for
// the boundary problems), run by Debian's own interpreter; and, for the initial value
// problems, the equation written by hand as a compiled right-hand side and integrated by
// CVODES with the solver's method and tolerances (or with --hand-rtol, another relative
// tolerance, to see what the integrator itself costs at scipy's accuracy).
#include "HandWritten.h"
#include "OurSolver.h"
#include "demos/DemoSolutions.h"
#include "demos/PlotFile.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Measured {
    bool ran = false;
    bool ok = false;
    double us = NAN;   // best solve time
    double err = NAN;  // largest error of Y and Y' against the closed form
    double aErr = NAN; // relative error of the fitted A
    std::string note;
};

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Runs fn repeatedly (at least `repeat` times and at least 0.2 s) and returns the best
// time in microseconds.
template <class F> double bestMicros(int repeat, F &&fn) {
    double best = INFINITY;
    const auto start = Clock::now();
    for (int i = 0; i < repeat || secondsSince(start) < 0.2; ++i) {
        const auto t = Clock::now();
        fn();
        best = std::min(best, secondsSince(t) * 1e6);
        if (i >= 100000) break;
    }
    return best;
}

std::vector<double> numbers(const char *text) {
    std::istringstream in(text);
    std::vector<double> v;
    for (double d; in >> d;) v.push_back(d);
    return v;
}

// Starts argv in folder with stdout and stderr sent to /dev/null and waits; returns the
// exit status or -1, and in cpuMs the processor time (user + system) of the process and
// of every process it waited for.
int runProcess(const std::vector<std::string> &args, const std::string &folder, double &cpuMs) {
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const fs::path old = fs::current_path();
    fs::current_path(folder);  // posix_spawn starts the child in the current folder
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    fs::current_path(old);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -1;
    int status = 0;
    struct rusage ru {};
    if (wait4(pid, &status, 0, &ru) < 0) return -1;
    cpuMs = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
            (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Output of a program run through a pipe (the scipy peer).
std::string capture(const std::vector<std::string> &args) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    std::string out;
    if (rc == 0) {
        char buf[65536];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
        int status = 0;
        waitpid(pid, &status, 0);
    }
    close(fds[0]);
    return out;
}

struct PeerResult {
    double us = NAN, a = NAN;
    std::vector<double> x, y, yp;
};

std::map<std::string, PeerResult> parsePeer(const std::string &text) {
    std::map<std::string, PeerResult> m;
    std::istringstream in(text);
    std::string line;
    PeerResult *cur = nullptr;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string tag;
        f >> tag;
        if (tag == "DEMO") {
            std::string stem, a;
            double us;
            f >> stem >> us >> a;
            cur = &m[stem];
            cur->us = us;
            cur->a = std::strtod(a.c_str(), nullptr);
        } else if (tag == "P" && cur) {
            double x, y, yp;
            f >> x >> y >> yp;
            cur->x.push_back(x);
            cur->y.push_back(y);
            cur->yp.push_back(yp);
        }
    }
    return m;
}

std::string fmt(double v, const char *f) {
    if (std::isnan(v)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

}  // namespace

int main(int argc, char **argv) {
    int repeat = 50;
    std::string programFolder = QUADREL_SOURCE_DIR "/dist/Quadrel";
    std::string python = "/usr/bin/python3";
    std::string only;
    double handRtol = NAN;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i];
        if (k == "--repeat") repeat = std::atoi(argv[i + 1]);
        else if (k == "--program-folder") programFolder = argv[i + 1];
        else if (k == "--python") python = argv[i + 1];
        else if (k == "--only") only = argv[i + 1];
        else if (k == "--hand-rtol") handRtol = std::atof(argv[i + 1]);
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    const std::string demoDir = QUADREL_SOURCE_DIR "/demos";
    bench::IntegratorSettings settings = bench::ourIntegratorSettings();
    if (!std::isnan(handRtol)) {
        // The hand-written peer at another tolerance (absolute tolerance scaled alike).
        settings.atol *= handRtol / settings.rtol;
        settings.rtol = handRtol;
    }

    std::vector<const demos::DemoCase *> cases;
    for (const demos::DemoCase &c : demos::allDemos())
        if (only.empty() || only == c.stem) cases.push_back(&c);

    // scipy first, all examples in one interpreter.
    std::vector<std::string> peerArgs = {python, QUADREL_SOURCE_DIR "/bench/scipy_peer.py",
                                         "--repeat", std::to_string(std::max(3, repeat / 5))};
    for (const demos::DemoCase *c : cases) peerArgs.push_back(demoDir + "/" + c->fileName());
    std::fprintf(stderr, "scipy peer ...\n");
    const std::map<std::string, PeerResult> peer = parsePeer(capture(peerArgs));

    const fs::path runVade = fs::path(programFolder) / "run-VADE";
    const fs::path scratch = fs::temp_directory_path() / ("quadrel-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch / "user" / "output");

    std::printf("%-9s | %10s %9s %9s | %10s %9s %8s | %10s %9s %7s | %s\n", "example", "ours us",
                "err", "A err", "scipy us", "err", "scipy/us", "hand us", "err", "us/hand",
                "run-VADE ms wall / cpu");
    std::printf("%s\n", std::string(134, '-').c_str());
    for (const demos::DemoCase *c : cases) {
        std::fprintf(stderr, "%s ...\n", c->stem);
        Measured ours, sp, hand;
        double runMs = NAN, runCpuMs = NAN;

        // Ours.
        bench::OurResult r;
        ours.us = bestMicros(repeat, [&] { r = bench::solveOurs(demoDir + "/" + c->fileName()); });
        ours.ok = r.ok;
        if (r.ok) {
            ours.err = demos::plotErrors(*c, r.x, r.y, r.yp).max();
            if (c->usesA()) ours.aErr = std::fabs(r.a - c->trueA) / std::fabs(c->trueA);
        } else {
            ours.note = r.error;
        }

        // scipy.
        auto p = peer.find(c->stem);
        if (p != peer.end() && p->second.x.size() == size_t(c->nPoints)) {
            sp.us = p->second.us;
            sp.err = demos::plotErrors(*c, p->second.x, p->second.y, p->second.yp).max();
            if (c->usesA()) sp.aErr = std::fabs(p->second.a - c->trueA) / std::fabs(c->trueA);
        }

        // Hand-written right-hand side.
        if (!c->isBvp() && bench::hasHandWritten(c->stem)) {
            bench::PlotValues h;
            const std::vector<double> init = numbers(c->initText);
            hand.us = bestMicros(repeat, [&] {
                h = bench::solveHandWritten(c->stem, c->x0(), init, c->nPoints, c->dx(), settings);
            });
            if (h.ok) hand.err = demos::plotErrors(*c, h.x, h.y, h.yp).max();
        }

        // A whole run-VADE process, started in the folder of the file.
        if (fs::exists(runVade)) {
            fs::copy_file(demoDir + "/" + c->fileName(), scratch / c->fileName(),
                          fs::copy_options::overwrite_existing);
            const std::vector<std::string> args = {runVade.string(), c->fileName(),
                                                   (scratch / "user").string(), "exit"};
            int status = 0;
            double cpu = INFINITY;
            const double us = bestMicros(std::max(5, repeat / 5), [&] {
                double c = NAN;
                status = runProcess(args, scratch.string(), c);
                cpu = std::min(cpu, c);
            });
            if (status == 0) {
                runMs = us / 1000;
                runCpuMs = cpu;
            }
        }

        std::printf("%-9s | %10s %9s %9s | %10s %9s %8s | %10s %9s %7s | %9s / %5s%s%s\n", c->stem,
                    fmt(ours.ok ? ours.us : NAN, "%.1f").c_str(), fmt(ours.err, "%.1e").c_str(),
                    fmt(ours.aErr, "%.1e").c_str(), fmt(sp.us, "%.0f").c_str(),
                    fmt(sp.err, "%.1e").c_str(), fmt(ours.ok ? sp.us / ours.us : NAN, "%.0f").c_str(),
                    fmt(hand.us, "%.1f").c_str(), fmt(hand.err, "%.1e").c_str(),
                    fmt(ours.ok ? ours.us / hand.us : NAN, "%.2f").c_str(), fmt(runMs, "%.1f").c_str(), fmt(runCpuMs, "%.1f").c_str(),
                    ours.note.empty() ? "" : "  ours: ", ours.note.c_str());
    }
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return 0;
}
