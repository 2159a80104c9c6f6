// The solver benchmark: solves every example and every published test problem and prints,
// per problem, the solve time (microseconds, best of many) and the error (against the
// closed form, or the test set's reference values), beside two peers measured in the same
// run; then, per example, a whole run-VADE process beside a whole scipy process on the same
// file (best and median wall time of several runs, and the best processor time).
//
//   quadrel_bench_demos [--repeat N] [--program-folder DIR] [--python FILE] [--only STEM]
//                       [--hand-rtol R] [--testsets DIR] [--process-runs N]
//
// Peers: scipy (solve_ivp DOP853 at rtol 1e-10, Radau for the stiff problem; least_squares
// over a shooting residual for the boundary problems), run by Debian's own interpreter;
// and, for the initial value examples, the equation written by hand as a compiled
// right-hand side and integrated by the solver's own explicit pair with its tolerances (or
// with --hand-rtol, another relative tolerance).
#include "HandWritten.h"
#include "OurSolver.h"
#include "demos/DemoSolutions.h"
#include "demos/PlotFile.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
#include <tuple>
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

// Runs fn repeatedly (at least `repeat` times and at least `seconds`) and returns the best
// time in microseconds.
template <class F> double bestMicros(int repeat, F &&fn, double seconds = 0.2) {
    double best = INFINITY;
    const auto start = Clock::now();
    for (int i = 0; i < repeat || secondsSince(start) < seconds; ++i) {
        const auto t = Clock::now();
        fn();
        best = std::min(best, secondsSince(t) * 1e6);
        if (i >= 100000) break;
    }
    return best;
}

// Runs a and b in alternating rounds (each run at least `repeat` times and 0.2 s in all)
// and returns the best time of each in microseconds: a change of the processor's speed
// while they are measured reaches both alike.
template <class A, class B> std::pair<double, double> bestMicrosSideBySide(int repeat, A &&a, B &&b) {
    constexpr int kRounds = 20;
    std::pair<double, double> best{INFINITY, INFINITY};
    for (int r = 0; r < kRounds; ++r) {
        best.first = std::min(best.first, bestMicros(repeat / kRounds + 1, a, 0.2 / kRounds));
        best.second = std::min(best.second, bestMicros(repeat / kRounds + 1, b, 0.2 / kRounds));
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


// One problem of the table: an example with its closed form, or a test problem with its
// reference rows (X, Y, Y').
struct Item {
    std::string stem, path;
    const demos::DemoCase *demo = nullptr;
    std::vector<std::vector<double>> ref;
};

std::vector<std::vector<double>> readRef(const std::string &path) {
    std::vector<std::vector<double>> rows;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<double> v = numbers(line.c_str());
        if (v.size() >= 3) rows.push_back(v);
    }
    return rows;
}

// Largest error of Y and Y' against the closed form or the reference rows.
double errorOf(const Item &item, const std::vector<double> &x, const std::vector<double> &y,
               const std::vector<double> &yp) {
    if (item.demo) return demos::plotErrors(*item.demo, x, y, yp).max();
    if (item.ref.size() != x.size() || x.empty()) return INFINITY;
    double maxY = 0, maxYp = 0, worst = 0;
    for (const auto &r : item.ref) {
        maxY = std::max(maxY, std::fabs(r[1]));
        maxYp = std::max(maxYp, std::fabs(r[2]));
    }
    for (size_t i = 0; i < x.size(); ++i) {
        worst = std::max(worst, demos::relativeError(y[i], item.ref[i][1], maxY));
        worst = std::max(worst, demos::relativeError(yp[i], item.ref[i][2], maxYp));
    }
    return worst;
}

// Wall times in ms of `runs` runs of a process, best and median, and the best processor
// time (user + system).
struct ProcessTimes {
    double best = INFINITY, median = INFINITY, cpu = INFINITY;
};

ProcessTimes processTimes(const std::vector<std::string> &args, const std::string &folder,
                          int runs, int &status) {
    std::vector<double> ms;
    ProcessTimes t;
    for (int i = 0; i < runs; ++i) {
        double cpu = 0;
        const auto start = Clock::now();
        status = runProcess(args, folder, cpu);
        ms.push_back(secondsSince(start) * 1e3);
        t.cpu = std::min(t.cpu, cpu);
    }
    std::sort(ms.begin(), ms.end());
    t.best = ms.front();
    t.median = ms[ms.size() / 2];
    return t;
}

}  // namespace

int main(int argc, char **argv) {
    int repeat = 50, processRuns = 7;
    std::string programFolder = QUADREL_SOURCE_DIR "/dist/Quadrel";
    std::string python = "/usr/bin/python3";
    std::string testsets = QUADREL_SOURCE_DIR "/solver/testsets";
    std::string only;
    double handRtol = NAN;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i];
        if (k == "--repeat") repeat = std::atoi(argv[i + 1]);
        else if (k == "--program-folder") programFolder = argv[i + 1];
        else if (k == "--python") python = argv[i + 1];
        else if (k == "--only") only = argv[i + 1];
        else if (k == "--hand-rtol") handRtol = std::atof(argv[i + 1]);
        else if (k == "--testsets") testsets = argv[i + 1];
        else if (k == "--process-runs") processRuns = std::max(1, std::atoi(argv[i + 1]));
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

    std::vector<Item> items;
    for (const demos::DemoCase &c : demos::allDemos())
        if (only.empty() || only == c.stem)
            items.push_back({c.stem, demoDir + "/" + c.fileName(), &c, {}});
    std::vector<std::string> stems;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(testsets, ec))
        if (e.path().extension() == ".ode" && fs::exists(fs::path(e.path()).replace_extension(".ref")))
            stems.push_back(e.path().stem().string());
    std::sort(stems.begin(), stems.end());
    for (const std::string &stem : stems)
        if (only.empty() || only == stem)
            items.push_back({stem, testsets + "/" + stem + ".ode", nullptr,
                             readRef(testsets + "/" + stem + ".ref")});

    // scipy runs each problem just before ours, so that a machine whose speed drifts (a
    // shared virtual machine) slows both sides of a ratio alike, and at our tolerances.
    const bench::IntegratorSettings tol = bench::ourIntegratorSettings();
    const std::vector<std::string> peerArgs = {python, QUADREL_SOURCE_DIR "/bench/scipy_peer.py",
                                               "--repeat", std::to_string(std::max(3, repeat / 5)),
                                               "--rtol", fmt(tol.rtol, "%.17g"),
                                               "--atol", fmt(tol.atol, "%.17g")};

    std::printf("%-10s | %9s %8s %8s | %9s %8s %8s | %8s %8s %7s\n", "problem", "ours us",
                "err", "A err", "scipy us", "err", "scipy/us", "hand us", "err", "us/hand");
    std::printf("%s\n", std::string(98, '-').c_str());
    for (const Item &item : items) {
        std::fprintf(stderr, "%s ...\n", item.stem.c_str());
        std::vector<std::string> args = peerArgs;
        args.push_back(item.path);
        const std::map<std::string, PeerResult> peer = parsePeer(capture(args));
        Measured ours, sp, hand;
        bench::OurResult r;
        bench::PlotValues h;
        const auto solveOurs = [&] { r = bench::solveOurs(item.path); };
        if (item.demo && !item.demo->isBvp() && bench::hasHandWritten(item.stem)) {
            const demos::DemoCase &c = *item.demo;
            const std::vector<double> init = numbers(c.initText);
            std::tie(ours.us, hand.us) = bestMicrosSideBySide(repeat, solveOurs, [&] {
                h = bench::solveHandWritten(c.stem, c.x0(), init, c.nPoints, c.dx(), settings);
            });
            if (h.ok) hand.err = errorOf(item, h.x, h.y, h.yp);
        } else {
            ours.us = bestMicros(repeat, solveOurs);
        }
        ours.ok = r.ok;
        if (r.ok) {
            ours.err = errorOf(item, r.x, r.y, r.yp);
            if (item.demo && item.demo->usesA())
                ours.aErr = std::fabs(r.a - item.demo->trueA) / std::fabs(item.demo->trueA);
        } else {
            ours.note = r.error.substr(0, 60);
        }
        auto p = peer.find(item.stem);
        if (p != peer.end() && !p->second.x.empty()) {
            sp.us = p->second.us;
            sp.err = errorOf(item, p->second.x, p->second.y, p->second.yp);
            if (item.demo && item.demo->usesA())
                sp.aErr = std::fabs(p->second.a - item.demo->trueA) / std::fabs(item.demo->trueA);
        }
        std::printf("%-10s | %9s %8s %8s | %9s %8s %8s | %8s %8s %7s%s%s\n", item.stem.c_str(),
                    fmt(ours.ok ? ours.us : NAN, "%.1f").c_str(), fmt(ours.err, "%.1e").c_str(),
                    fmt(ours.aErr, "%.1e").c_str(), fmt(sp.us, "%.0f").c_str(),
                    fmt(sp.err, "%.1e").c_str(),
                    fmt(ours.ok ? sp.us / ours.us : NAN, "%.0f").c_str(),
                    fmt(hand.us, "%.1f").c_str(), fmt(hand.err, "%.1e").c_str(),
                    fmt(ours.ok ? ours.us / hand.us : NAN, "%.2f").c_str(),
                    ours.note.empty() ? "" : "  ours: ", ours.note.c_str());
        std::fflush(stdout);
    }

    // Whole processes on the same file, started alike in the file's folder.
    const fs::path runVade = fs::path(programFolder) / "run-VADE";
    if (!fs::exists(runVade)) return 0;
    const fs::path scratch = fs::temp_directory_path() / ("quadrel-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch / "user" / "output");
    std::printf("\n%-10s | %26s | %26s | %22s\n", "process", "run-VADE ms best/med/cpu",
                "scipy ms best/med/cpu", "ratio best/med/cpu");
    std::printf("%s\n", std::string(94, '-').c_str());
    for (const Item &item : items) {
        if (!item.demo) continue;
        const std::string file = fs::path(item.path).filename().string();
        fs::copy_file(item.path, scratch / file, fs::copy_options::overwrite_existing);
        int status = 0, pyStatus = 0;
        const ProcessTimes ours = processTimes(
            {runVade.string(), file, (scratch / "user").string(), "exit"}, scratch.string(),
            processRuns, status);
        const ProcessTimes py = processTimes(
            {python, QUADREL_SOURCE_DIR "/bench/scipy_peer.py", "--repeat", "1", file},
            scratch.string(), processRuns, pyStatus);
        std::printf("%-10s | %7.2f / %7.2f / %6.2f | %7.1f / %7.1f / %6.1f | %5.0f / %5.0f / %5.0f%s\n",
                    item.stem.c_str(), ours.best, ours.median, ours.cpu, py.best, py.median,
                    py.cpu, py.best / ours.best, py.median / ours.median, py.cpu / ours.cpu,
                    status == 0 && pyStatus == 0 ? "" : "  (a process failed)");
        std::fflush(stdout);
    }
    fs::remove_all(scratch, ec);
    return 0;
}
