// Reading a response file back into the answer set. The reader is positional: it takes
// the answer part of each line in the order the writer produced them and never looks at
// the comments, so hand-edited files load as long as the answers keep their order.
#include "model/AnswerForm.h"
#include "model/AnswerRules.h"
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "platform/RtError.h"

#include <QDir>
#include <QFileInfo>

namespace quadrel {

namespace {

const QString kEof = QStringLiteral("-EOF-");

void reportReadError(AppState &st, const RtError &e) {
    if (e.number() == rterr::DialogCancelled || !st.msg) return;
    st.msg->show(QStringLiteral("In 'FileReadMe' routine ..."),
                 QStringLiteral("Unexpected error #") + signStr(e.number()) +
                     QStringLiteral(" occured: ") + e.description(),
                 MsgIcon::Critical, MsgButtons::Ok);
}

}  // namespace

QString ReadAnsLine(AppState &st) {
    QString line;
    if (!st.fileNo.readLine(line)) {
        st.fileNo.close();
        return kEof;
    }
    const qsizetype bang = line.indexOf(QLatin1Char('!'));
    QString answer = trimBlanks(bang >= 0 ? line.left(bang) : line);
    if (answer.startsWith(QLatin1String("-999"))) answer.clear();
    answer.remove(QLatin1Char('\t'));
    return trimBlanks(answer);
}

QString NormalizePair(const QString &text) {
    QString t = text;
    t.replace(QLatin1Char(','), QLatin1Char(' '));
    t = trimBlanks(t);
    while (t.contains(QLatin1String("  "))) t.replace(QLatin1String("  "), QLatin1String(" "));
    return t;
}

QString SplitFileSpec(const QString &path, QString &folder) {
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (cut < 0) {
        folder = QDir::currentPath();
        return path;
    }
    folder = path.left(cut);
    return path.mid(cut + 1);
}

bool FileReadMe(AppState &st, QString &fileName, QString &folder) {
    ProblemAnswers &a = st.answers;
    try {
        st.fullPath = folder + QLatin1Char('/') + fileName;
        if (!QFileInfo(st.fullPath).isFile()) {
            if (!fileName.isEmpty() && st.msg)
                st.msg->show(QStringLiteral(" File not found."),
                             QStringLiteral("Missing '") + fileName + QStringLiteral("' file?"),
                             MsgIcon::Exclamation, MsgButtons::Ok);
            return false;
        }

        st.recordedName = ReadAnsLine(st);
        st.recordedName = SplitFileSpec(st.recordedName, st.fileTempPath);

        for (size_t i = 1; i <= 6; ++i) a.answers[i] = ReadAnsLine(st);

        if (st.form) st.form->selectProblemType(false);

        a.nDataPoints = toInt16(ReadAnsLine(st));
        if (a.nDataPoints > 0) {
            a.resizePoints(a.nDataPoints);
            for (size_t i = 1; i <= static_cast<size_t>(a.nDataPoints); ++i) {
                const QStringList pieces = NormalizePair(ReadAnsLine(st)).split(QLatin1Char(' '));
                // An empty line has no pieces at all: the pair is missing.
                if (pieces.size() == 1 && pieces.front().isEmpty())
                    throw RtError(rterr::SubscriptOutOfRange);
                a.xValues[i] = pieces.front();
                a.yValues[i] = pieces.back();
            }
            if (st.form) st.form->selectProblemType(true);
        }

        a.note1 = ReadAnsLine(st);
        a.note2 = ReadAnsLine(st);

        a.changeSolverVars = ReadAnsLine(st);
        if (a.changeSolverVars == QLatin1String("Y")) {
            a.nSolverVars = 7;
            for (size_t i = 1; i <= 7; ++i) a.solverAnswers[i] = ReadAnsLine(st);
        } else {
            a.nSolverVars = 0;
            for (size_t i = 1; i <= 7; ++i) a.solverAnswers[i].clear();
        }
        return true;
    } catch (const RtError &e) {
        reportReadError(st, e);
        return false;
    }
}

bool ReadResponseFile(AppState &st, const QString &path) {
    QString folder;
    QString name = SplitFileSpec(path, folder);
    const QString full = folder + QLatin1Char('/') + name;
    if (QFileInfo(full).isFile()) {
        try {
            st.fileNo.openInput(full);
        } catch (const RtError &e) {
            reportReadError(st, e);
            return false;
        }
    }
    const bool ok = FileReadMe(st, name, folder);
    st.fileNo.close();
    return ok;
}

}  // namespace quadrel
