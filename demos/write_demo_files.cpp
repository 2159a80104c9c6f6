// Writes the fifteen example response files from the cases in DemoSolutions.h, with the
// data points' Y computed from each closed-form solution (17 significant digits).
//
//   quadrel_write_demo_files <folder>
//
// The files are response files as the program writes them: Windows-1252 bytes, CR LF line
// ends, answer, two blanks and two TABs, then the question as a comment. The header's date
// is a fixed one so that regenerating gives the same bytes.
#include "DemoSolutions.h"
#include "model/Captions.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringConverter>
#include <cstdio>

namespace {

const char *const kHeaderDate = "June 15, 2026 @ 9:30 AM";

QString number17(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return QString::fromLatin1(buf);
}

QString answerLine(QString answer, const QString &question, bool flagged = false) {
    answer = answer.trimmed();
    if (answer.isEmpty()) answer = QStringLiteral("-999");
    const QString comment = flagged ? QStringLiteral("!* ") + question.left(50)
                                    : QStringLiteral("! ") + question.left(70);
    QString line = answer + QStringLiteral("  \t\t") + comment;
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    return line;
}

QByteArray demoFile(const demos::DemoCase &c) {
    using quadrel::captions::question;
    const int n = static_cast<int>(c.dataX.size());
    QStringList lines;
    const QString header = QStringLiteral(" 6,  %1, and  0          %2")
                               .arg(n)
                               .arg(QString::fromLatin1(kHeaderDate));
    lines << answerLine(QString::fromStdString(c.fileName()), header, true);
    const QString answers[] = {
        QString::fromLatin1(c.equation), QString::fromLatin1(c.aText),
        QString::fromLatin1(c.x0Text),   QString::fromLatin1(c.initText),
        QString::number(c.nPoints),      QString::fromLatin1(c.dxText),
    };
    for (int i = 1; i <= 6; ++i) lines << answerLine(answers[i - 1], question(i));
    lines << answerLine(QString::number(n), QStringLiteral("Number of BVP_IVP data points"));
    for (int i = 0; i < n; ++i) {
        const QString x = QString::fromLatin1(c.dataX[static_cast<size_t>(i)]);
        const QString y = number17(c.y(x.toDouble()));
        lines << answerLine(x + QStringLiteral("  ") + y,
                            QStringLiteral("Boundary point # %1").arg(i + 1));
    }
    lines << answerLine(QString::fromLatin1(c.note1), QString::fromUtf8("20. \u00bb Note1"));
    lines << answerLine(QString::fromLatin1(c.note2), QString::fromUtf8("    \u00bb Note2"));
    lines << QString::fromUtf8("N\t\t! 22. \u00bb Want to change solver variables?");

    QByteArray bytes;
    for (const QString &l : lines) {
        bytes += l.toLatin1();  // Latin-1 and Windows-1252 agree on every character used
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const demos::DemoCase &c : demos::allDemos()) {
        QFile f(folder + QLatin1Char('/') + QString::fromStdString(c.fileName()));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(demoFile(c)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
    }
    return 0;
}
