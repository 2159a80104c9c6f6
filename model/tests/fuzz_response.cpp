// libFuzzer target for the response-file reader that the solver and the program share: any
// bytes read as a response file either give a record that keeps the reader's promises
// (answers trimmed, free of "!" and TAB, point arrays as long as the count says) or fail
// with a run-time error; the program's reader gives the same answers or says why not; and
// an answer set read this way, written back by the writer, reads back the same.
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "model/ResponseRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

using namespace quadrel;

void require(bool ok) {
    if (!ok) std::abort();
}

bool clean(const std::string &answer) {
    return answer.find_first_of("!\t\r\n") == std::string::npos &&
           (answer.empty() || (answer.front() != ' ' && answer.back() != ' '));
}

bool read(const QString &path, AppState &st, ScriptedMessageBoxes &boxes) {
    st.msg = &boxes;
    const bool ok = ReadResponseFile(st, path);
    require(ok || !boxes.shown().isEmpty());  // a failure is always said
    for (const MessageRequest &m : boxes.shown()) require(!m.text.isEmpty());
    return ok;
}

const QString &folder() {
    // In memory when the machine offers it: a million inputs are a million files.
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static const QString dir = base + QStringLiteral("/fuzz_response-") + QString::number(::getpid());
    static const struct Folder {
        Folder() { require(QDir().mkpath(dir)); }
        ~Folder() { QDir(dir).removeRecursively(); }
    } folder;
    return dir;
}

// The count of data points, the eighth line, when it is a plain number.
long pointCount(const std::uint8_t *data, std::size_t size) {
    std::size_t i = 0;
    for (int line = 1; line < 8 && i < size; ++i)
        line += data[i] == '\n' || (data[i] == '\r' && (i + 1 == size || data[i + 1] != '\n'));
    while (i < size && (data[i] == ' ' || data[i] == '\t')) ++i;
    long n = 0;
    for (; i < size && data[i] >= '0' && data[i] <= '9' && n < 100000; ++i) n = n * 10 + (data[i] - '0');
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // A count in the thousands in an input of a few kilobytes only reads "-EOF-" pairs over
    // and over, as a count of a few hundred does, at a hundred times the cost.
    if (pointCount(data, size) > 500) return 0;
    const QString path = folder() + QStringLiteral("/in.ode");
    {
        QFile f(path);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        require(f.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }
    response::Record rec;
    bool ok = true;
    {
        response::LineFile file;
        require(file.open(QFile::encodeName(path).constData()) == 0);
        try {
            response::readRecord(file, rec);
        } catch (const response::ReadError &e) {
            require(e.number() == 6 || e.number() == 9 || e.number() == 13);
            ok = false;
        }
    }
    if (ok) {
        require(rec.nSolverVars == 0 || rec.nSolverVars == 7);
        require(long(rec.xValues.size()) > rec.nDataPoints && long(rec.yValues.size()) > rec.nDataPoints);
        for (std::size_t i = 1; i <= 6; ++i) require(clean(rec.answers[i]));
        for (std::size_t i = 1; i <= 7; ++i) require(clean(rec.solverAnswers[i]));
        require(clean(rec.note1) && clean(rec.note2) && clean(rec.changeSolverVars));
        for (int i = 1; i <= rec.nDataPoints; ++i)
            for (const std::string &v : {rec.xValues[std::size_t(i)], rec.yValues[std::size_t(i)]})
                require(clean(v) && !v.empty() && v.find_first_of(" ,") == std::string::npos);
    }

    // The program's reader over the same bytes.
    AppState st;
    ScriptedMessageBoxes boxes;
    require(read(path, st, boxes) == ok);
    if (!ok) return 0;
    for (std::size_t i = 1; i <= 6; ++i)
        require(st.answers.answers[i] == QString::fromStdString(rec.answers[i]));
    require(st.answers.nDataPoints == rec.nDataPoints);

    const ProblemAnswers &a = st.answers;

    // What was read, written back and read again, is what was read; except for a text that
    // begins with "-999" (the blank answer's mark), which a TAB before it lets through the
    // reader and which then reads back as blank, as the format has it.
    auto marked = [](const QString &v) { return v.startsWith(QLatin1String("-999")); };
    bool anyMarked = marked(a.note1) || marked(a.note2) || marked(QString::number(a.nDataPoints));
    for (std::size_t i = 1; i <= 6; ++i) anyMarked = anyMarked || marked(a.answers[i]);
    for (int i = 1; i <= a.nDataPoints; ++i)
        anyMarked = anyMarked || marked(a.xValues[std::size_t(i)]) || marked(a.yValues[std::size_t(i)]);
    if (anyMarked) return 0;
    AppState out;
    out.answers = a;
    ScriptedMessageBoxes outBoxes;
    out.msg = &outBoxes;
    WriteAnsFile(out, QStringLiteral("back.ode"), folder());
    require(out.saveFailed == 0);
    AppState again;
    ScriptedMessageBoxes againBoxes;
    require(read(folder() + QStringLiteral("/back.ode"), again, againBoxes));
    const ProblemAnswers &b = again.answers;
    for (std::size_t i = 1; i <= 6; ++i) require(a.answers[i] == b.answers[i]);
    require(a.note1 == b.note1 && a.note2 == b.note2);
    require(a.nDataPoints == b.nDataPoints || (a.nDataPoints < 0 && b.nDataPoints == 0));
    for (int i = 1; i <= a.nDataPoints; ++i)
        require(a.xValues[std::size_t(i)] == b.xValues[std::size_t(i)] &&
                a.yValues[std::size_t(i)] == b.yValues[std::size_t(i)]);
    return 0;
}
