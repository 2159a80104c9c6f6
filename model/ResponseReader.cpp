// Reading a response file back into the answer set: the program's side of the shared
// reader (ResponseRecord.h), with the program's file-existence check and messages.
#include "model/AnswerForm.h"
#include "model/AnswerRules.h"
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "platform/RtError.h"

#include <QFileInfo>

namespace quadrel {

namespace {

void reportReadError(AppState &st, const RtError &e) {
    if (e.number() == rterr::DialogCancelled || !st.msg) return;
    st.msg->show(QStringLiteral("In 'FileReadMe' routine ..."),
                 QStringLiteral("Unexpected error #") + signStr(e.number()) +
                     QStringLiteral(" occured: ") + e.description(),
                 MsgIcon::Critical, MsgButtons::Ok);
}

QString q(const std::string &s) { return QString::fromStdString(s); }

std::vector<std::string> utf8(const std::vector<QString> &v) {
    std::vector<std::string> out;
    for (const QString &s : v) out.push_back(s.toStdString());
    return out;
}

std::vector<QString> qstrings(const std::vector<std::string> &v) {
    std::vector<QString> out;
    for (const std::string &s : v) out.push_back(q(s));
    return out;
}

response::Record toRecord(const AppState &st) {
    const ProblemAnswers &a = st.answers;
    response::Record r;
    r.recordedName = st.recordedName.toStdString();
    r.recordedFolder = st.fileTempPath.toStdString();
    for (size_t i = 0; i < a.answers.size(); ++i) r.answers[i] = a.answers[i].toStdString();
    r.nDataPoints = a.nDataPoints;
    r.xValues = utf8(a.xValues);
    r.yValues = utf8(a.yValues);
    r.note1 = a.note1.toStdString();
    r.note2 = a.note2.toStdString();
    r.changeSolverVars = a.changeSolverVars.toStdString();
    r.nSolverVars = a.nSolverVars;
    for (size_t i = 0; i < a.solverAnswers.size(); ++i)
        r.solverAnswers[i] = a.solverAnswers[i].toStdString();
    return r;
}

void fromRecord(const response::Record &r, AppState &st) {
    ProblemAnswers &a = st.answers;
    st.recordedName = q(r.recordedName);
    st.fileTempPath = q(r.recordedFolder);
    for (size_t i = 0; i < a.answers.size(); ++i) a.answers[i] = q(r.answers[i]);
    a.nDataPoints = r.nDataPoints;
    a.xValues = qstrings(r.xValues);
    a.yValues = qstrings(r.yValues);
    a.note1 = q(r.note1);
    a.note2 = q(r.note2);
    a.changeSolverVars = q(r.changeSolverVars);
    a.nSolverVars = r.nSolverVars;
    for (size_t i = 0; i < a.solverAnswers.size(); ++i) a.solverAnswers[i] = q(r.solverAnswers[i]);
}

}  // namespace

QString SplitFileSpec(const QString &path, QString &folder) {
    std::string f;
    const QString name = q(response::splitFileSpec(path.toStdString(), f));
    folder = q(f);
    return name;
}

bool FileReadMe(AppState &st, QString &fileName, QString &folder) {
    st.fullPath = folder + QLatin1Char('/') + fileName;
    if (!QFileInfo(st.fullPath).isFile()) {
        if (!fileName.isEmpty() && st.msg)
            st.msg->show(QStringLiteral(" File not found."),
                         QStringLiteral("Missing '") + fileName + QStringLiteral("' file?"),
                         MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    // Members not reached keep their old values, so the record starts as the answer set.
    response::Record rec = toRecord(st);
    bool ok = true;
    try {
        response::readRecord(st.fileNo.input(), rec, [&](bool boundaryProblem) {
            if (st.form) st.form->selectProblemType(boundaryProblem);
        });
    } catch (const response::ReadError &e) {
        reportReadError(st, RtError(e.number()));
        ok = false;
    } catch (const RtError &e) {
        reportReadError(st, e);
        ok = false;
    }
    fromRecord(rec, st);
    if (!st.fileNo.input().isOpen()) st.fileNo.close();
    return ok;
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
