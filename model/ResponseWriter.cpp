// Writing the current problem as a response file.
#include "model/AnswerForm.h"
#include "model/AnswerRules.h"
#include "model/AppState.h"
#include "model/Captions.h"
#include "model/ResponseFile.h"
#include "platform/RtError.h"

#include <QFile>

namespace quadrel {

namespace {

const QString kSeparator = QStringLiteral("  \t\t");
const QString kCrLf = QStringLiteral("\r\n");

QString questionText(const AppState &st, int i) {
    return st.form ? st.form->questionCaption(i) : captions::question(i);
}

// The question of a solver line: the caption without its default-value column.
QString solverQuestionText(const AppState &st, int i) {
    const QString caption = st.form ? st.form->solvQuestionCaption(i) : captions::solvQuestion(i);
    return trimBlanks(caption.mid(10));
}

QString pointText(const AppState &st, int row, int col) {
    if (st.form) return st.form->gridCellText(row, col);
    const auto &v = col == 1 ? st.answers.xValues : st.answers.yValues;
    return static_cast<size_t>(row) < v.size() ? v[static_cast<size_t>(row)] : QString();
}

bool containsY(const QString &text) {
    return text.contains(QLatin1Char('Y'), Qt::CaseInsensitive);
}

void showAccessError(AppState &st, const QString &folder, const QString &nameUsed) {
    if (!st.msg) return;
    const QString text =
        QStringLiteral("File Path\\FileName error occured: ") + kCrLf +
        QStringLiteral("    Path = ") + folder + kCrLf +
        QStringLiteral("    FileName = ") + nameUsed + kCrLf +
        kCrLf +
        QStringLiteral("If these settings are okay then the error may be do to following:") + kCrLf +
        QStringLiteral("  Ex*.?? files in Quadrel's User directory are for 'read-only'.") + kCrLf +
        QStringLiteral("  Do not save changes in these Example files.  Save changes under other names.") +
        kCrLf;
    st.msg->show(QStringLiteral("File not saved; Error in 'WriteAnsFile' routine."), text,
                 MsgIcon::Critical, MsgButtons::Ok);
}

}  // namespace

QString formatHeaderDate(const QDateTime &when) {
    static const char *const months[] = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};
    const QDate d = when.date();
    const QTime t = when.time();
    const int h12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QString::fromLatin1(months[qBound(1, d.month(), 12) - 1]) + QLatin1Char(' ') +
           QStringLiteral("%1").arg(d.day(), 2, 10, QLatin1Char('0')) + QStringLiteral(", ") +
           QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) + QStringLiteral(" @ ") +
           QString::number(h12) + QLatin1Char(':') +
           QStringLiteral("%1").arg(t.minute(), 2, 10, QLatin1Char('0')) + QLatin1Char(' ') +
           (t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

QString ansFileHeader(qint16 nDataPoints, qint16 nSolverVars, const QDateTime &when) {
    return QStringLiteral(" 6, ") + signStr(nDataPoints) + QStringLiteral(", and ") +
           signStr(nSolverVars) + QString(10, QLatin1Char(' ')) + formatHeaderDate(when);
}

QString WriteAnsLine(AppState &st, const QString &answer, const QString &question, bool flagged) {
    QString field = trimBlanks(answer);
    if (field.isEmpty()) field = QStringLiteral("-999");
    const QString comment = flagged ? QStringLiteral("!* ") + question.left(50)
                                    : QStringLiteral("! ") + question.left(70);
    const QString line = trimBlanks(field + kSeparator + comment);
    st.fileNo.writeLine(line);
    return line;
}

void WriteAnsFile(AppState &st, const QString &fileName, const QString &folder) {
    ProblemAnswers &a = st.answers;
    QString nameUsed = fileName;
    try {
        if (st.form) st.form->PutAnswers();
        // Without a name the open fails; line 1 and the message then use the recorded
        // name, which PutAnswers has just refreshed.
        if (fileName.isEmpty()) nameUsed = st.recordedName;

        const QString path =
            fileName.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
        st.fileNo.openOutput(path);

        a.nSolverVars = solverVarsForFile(a);

        const QDateTime now = st.clock ? st.clock->now() : QDateTime::currentDateTime();
        WriteAnsLine(st, nameUsed, ansFileHeader(a.nDataPoints, a.nSolverVars, now), true);

        const QString equation = st.form ? st.form->equationText() : a.answers[1];
        if (!st.fileTemp.isEmpty() && !containsY(equation)) {
            st.fileNo.close();
            if (st.msg)
                st.msg->show(QStringLiteral("Equation is empty of 'Y's!"),
                             QStringLiteral("Equation must have some 'Y's in it."),
                             MsgIcon::Critical, MsgButtons::Ok);
            if (QFile::exists(path)) QFile::remove(path);
            if (st.form) st.form->focusEquation();
            st.saveFailed = 1;
            return;
        }

        for (int i = 1; i <= 6; ++i)
            WriteAnsLine(st, a.answers[static_cast<size_t>(i)], questionText(st, i));

        WriteAnsLine(st, QString::number(a.nDataPoints),
                     QStringLiteral("Number of BVP_IVP data points"));

        const int n = qMax<int>(a.nDataPoints, 0);
        if (a.xValues.size() < static_cast<size_t>(n) + 1) {
            a.xValues.resize(static_cast<size_t>(n) + 1);
            a.yValues.resize(static_cast<size_t>(n) + 1);
        }
        for (int i = 1; i <= n; ++i) {
            const QString x = pointText(st, i, 1);
            const QString y = pointText(st, i, 2);
            a.xValues[static_cast<size_t>(i)] = x;
            a.yValues[static_cast<size_t>(i)] = y;
            WriteAnsLine(st, x + QStringLiteral("  ") + y,
                         QStringLiteral("Boundary point #") + signStr(i));
        }

        WriteAnsLine(st, a.note1, QStringLiteral("20. \u00bb Note1"));
        WriteAnsLine(st, a.note2, QStringLiteral("    \u00bb Note2"));

        st.fileNo.writeLine((a.nSolverVars != 0 ? QStringLiteral("Y") : QStringLiteral("N")) +
                            QStringLiteral("\t\t! 22. \u00bb Want to change solver variables?"));

        for (int i = 1; i <= a.nSolverVars; ++i)
            WriteAnsLine(st, a.solverAnswers[static_cast<size_t>(i)], solverQuestionText(st, i));

        st.fileNo.close();
        st.saveFailed = 0;
    } catch (const RtError &e) {
        st.saveFailed = 1;
        st.fileNo.close();
        if (e.number() != rterr::PathFileAccess) throw;
        showAccessError(st, folder, nameUsed);
    }
}

}  // namespace quadrel
