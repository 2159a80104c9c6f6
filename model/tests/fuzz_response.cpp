// libFuzzer target for the response-file reader: any bytes read as a response file either
// give an answer set that keeps the reader's promises (answers trimmed, free of "!" and
// TAB, point arrays as long as the count says) or end in a message; and an answer set read
// this way, written back by the writer, reads back the same.
#include "model/AppState.h"
#include "model/ResponseFile.h"

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

bool clean(const QString &answer) {
    return !answer.contains(QLatin1Char('!')) && !answer.contains(QLatin1Char('\t')) &&
           !answer.startsWith(QLatin1Char(' ')) && !answer.endsWith(QLatin1Char(' ')) &&
           !answer.contains(QLatin1Char('\r')) && !answer.contains(QLatin1Char('\n'));
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
    AppState st;
    ScriptedMessageBoxes boxes;
    if (!read(path, st, boxes)) return 0;

    const ProblemAnswers &a = st.answers;
    require(a.nSolverVars == 0 || a.nSolverVars == 7);
    require(qsizetype(a.xValues.size()) >= a.nDataPoints + 1 &&
            qsizetype(a.yValues.size()) >= a.nDataPoints + 1);
    for (std::size_t i = 1; i <= 6; ++i) require(clean(a.answers[i]));
    for (std::size_t i = 1; i <= 7; ++i) require(clean(a.solverAnswers[i]));
    require(clean(a.note1) && clean(a.note2) && clean(a.changeSolverVars));
    for (int i = 1; i <= a.nDataPoints; ++i) {
        for (const QString &v : {a.xValues[std::size_t(i)], a.yValues[std::size_t(i)]})
            require(clean(v) && !v.isEmpty() && !v.contains(QLatin1Char(' ')) &&
                    !v.contains(QLatin1Char(',')));
    }

    // What was read, written back and read again, is what was read.
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
