#include "model/AnswerRules.h"

namespace quadrel {

QString trimBlanks(const QString &text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b] == QLatin1Char(' ')) ++b;
    while (e > b && text[e - 1] == QLatin1Char(' ')) --e;
    return text.mid(b, e - b);
}

bool isAnswerMissing(const QString &answer) {
    return answer.isEmpty() || answer == QLatin1String("-Select-");
}

qint16 solverVarsFromForm(const ProblemAnswers &a) {
    for (int i = 1; i <= 7; ++i)
        if (!a.solverAnswers[static_cast<size_t>(i)].isEmpty()) return 7;
    return 0;
}

qint16 solverVarsForFile(const ProblemAnswers &a) {
    for (int i = 1; i <= 3; ++i)
        if (!a.solverAnswers[static_cast<size_t>(i)].isEmpty()) return 7;
    return 0;
}

void takeGridPoints(ProblemAnswers &a, int rowCount,
                    const std::function<QString(int row, int col)> &cell) {
    if (rowCount < 1) rowCount = 1;
    a.resizePoints(rowCount);
    int i = 1;
    // Row rowCount does not exist in the grid; its cells count as empty, which ends the
    // loop with every data row taken.
    for (; i <= rowCount; ++i) {
        const QString x = i < rowCount ? trimBlanks(cell(i, 1)) : QString();
        const QString y = i < rowCount ? trimBlanks(cell(i, 2)) : QString();
        a.xValues[static_cast<size_t>(i)] = x;
        a.yValues[static_cast<size_t>(i)] = y;
        if (x.isEmpty() || y.isEmpty()) break;
    }
    a.nDataPoints = static_cast<qint16>(qMin(i - 1, 32767));
}

}  // namespace quadrel
