// Rules on the answer set: completeness of the numbered answers, the two solver counts,
// the points taken from the grid, and clearing for a new problem.
#include "model/AnswerRules.h"
#include "model/AppState.h"
#include "TestForm.h"

#include <QDir>
#include <QtTest>

using namespace quadrel;
using quadrel::test::TestForm;

class TstAnswers : public QObject {
    Q_OBJECT
private slots:
    void missing_data() {
        QTest::addColumn<QStringList>("answers");  // answers 1..6
        QTest::addColumn<QList<int>>("missing");
        QTest::newRow("all answered") << QStringList{"Y", "1", "2", "3", "4", "5"} << QList<int>{};
        QTest::newRow("single blank is an answer")
            << QStringList{" ", " ", "2", "3", "4", "5"} << QList<int>{};
        QTest::newRow("empty and -Select-")
            << QStringList{"Y", "", "2", "-Select-", "4", ""} << QList<int>{2, 4, 6};
        QTest::newRow("-Select- only exactly")
            << QStringList{"-select-", " -Select-", "2", "3", "4", "5"} << QList<int>{};
        QTest::newRow("nothing") << QStringList{"", "", "", "", "", ""}
                                 << QList<int>{1, 2, 3, 4, 5, 6};
    }
    void missing() {
        QFETCH(QStringList, answers);
        QFETCH(QList<int>, missing);
        ProblemAnswers a;
        for (size_t i = 1; i <= 6; ++i) a.answers[i] = answers[int(i) - 1];
        bool flags[7] = {true, true, true, true, true, true, true};
        QCOMPARE(allAnswered(a, flags), missing.isEmpty());
        QList<int> got;
        for (int i = 1; i <= 6; ++i)
            if (flags[i]) got << i;
        QCOMPARE(got, missing);
        QCOMPARE(allAnswered(a), missing.isEmpty());
    }

    void solverCounts_data() {
        QTest::addColumn<QStringList>("solver");
        QTest::addColumn<int>("fromForm");
        QTest::addColumn<int>("forFile");
        QTest::newRow("all blank") << QStringList{"", "", "", "", "", "", ""} << 0 << 0;
        QTest::newRow("only EvalMax") << QStringList{"", "", "", "", "3000", "", ""} << 7 << 0;
        QTest::newRow("only Remax") << QStringList{"5", "", "", "", "", "", ""} << 7 << 7;
        QTest::newRow("only StepsLim") << QStringList{"", "", "100", "", "", "", ""} << 7 << 7;
        QTest::newRow("a blank is not empty") << QStringList{"", " ", "", "", "", "", ""} << 7 << 7;
    }
    void solverCounts() {
        QFETCH(QStringList, solver);
        QFETCH(int, fromForm);
        QFETCH(int, forFile);
        ProblemAnswers a;
        for (size_t i = 1; i <= 7; ++i) a.solverAnswers[i] = solver[int(i) - 1];
        QCOMPARE(int(solverVarsFromForm(a)), fromForm);
        QCOMPARE(int(solverVarsForFile(a)), forFile);
    }

    void gridPoints_data() {
        QTest::addColumn<int>("rows");            // grid rows, heading row included
        QTest::addColumn<QStringList>("cells");   // x1, y1, x2, y2, ... of the data rows
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("stored");  // trimmed x|y of the counted rows
        QTest::newRow("three full rows and an empty one")
            << 5 << QStringList{"1", "2", "3", "3.5", "5", "6"} << 3
            << QStringList{"1|2", "3|3.5", "5|6"};
        QTest::newRow("row 2 missing its Y")
            << 5 << QStringList{"1", "2", "3", "", "5", "6"} << 1 << QStringList{"1|2"};
        QTest::newRow("blank cells count as empty")
            << 4 << QStringList{"  1 ", " 2", "   ", "4"} << 1 << QStringList{"1|2"};
        QTest::newRow("every row filled, no spare row")
            << 3 << QStringList{"1", "2", "3", "4"} << 2 << QStringList{"1|2", "3|4"};
        QTest::newRow("first row empty") << 3 << QStringList{"", "2"} << 0 << QStringList{};
        QTest::newRow("heading row only") << 1 << QStringList{} << 0 << QStringList{};
        QTest::newRow("TABs are not trimmed")
            << 3 << QStringList{"\t1", "2\t"} << 1 << QStringList{"\t1|2\t"};
    }
    void gridPoints() {
        QFETCH(int, rows);
        QFETCH(QStringList, cells);
        QFETCH(int, count);
        QFETCH(QStringList, stored);
        ProblemAnswers a;
        a.nDataPoints = 9;
        auto cell = [&](int r, int c) {
            if (r < 1 || r >= rows) {
                QTest::qFail("cell outside the grid read", __FILE__, __LINE__);
                return QString();
            }
            const int k = (r - 1) * 2 + (c - 1);
            return k < cells.size() ? cells[k] : QString();
        };
        takeGridPoints(a, rows, cell);
        QCOMPARE(int(a.nDataPoints), count);
        QCOMPARE(a.xValues.size(), size_t(rows) + 1);
        QCOMPARE(a.yValues.size(), size_t(rows) + 1);
        QStringList got;
        for (int i = 1; i <= count; ++i) got << a.xValues[size_t(i)] + "|" + a.yValues[size_t(i)];
        QCOMPARE(got, stored);
    }

    void clearProblem_data() {
        QTest::addColumn<bool>("withForm");
        QTest::newRow("with a form") << true;
        QTest::newRow("without a form") << false;
    }
    void clearProblem() {
        QFETCH(bool, withForm);
        AppState st;
        std::unique_ptr<TestForm> form;
        if (withForm) form = std::make_unique<TestForm>(st);
        if (form) form->bvp = true;
        st.answers.answers[1] = "Y";
        st.answers.nDataPoints = 2;
        st.answers.resizePoints(2);
        st.fileName = "Beam.ode";
        st.recordedName = "Beam.ode";
        st.filePath = "/elsewhere";
        ClearProblem(st);
        QVERIFY(st.answers.answers[1].isEmpty());
        QCOMPARE(st.answers.nDataPoints, qint16(0));
        QCOMPARE(st.answers.xValues.size(), size_t(2));
        QCOMPARE(st.fileName, QStringLiteral("New data"));
        QCOMPARE(st.recordedName, QStringLiteral("New data"));
        QCOMPARE(st.filePath, QDir::currentPath());
        if (form) {
            QVERIFY(!form->bvp);
            QCOMPARE(form->typeSelections, QStringList{"IVP"});
        }
    }

    void trimBlanksOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("blanks") << "  a b  " << "a b";
        QTest::newRow("TABs stay") << "\t a \t" << "\t a \t";
        QTest::newRow("only blanks") << "    " << "";
        QTest::newRow("no-break space stays") << QString::fromUtf8("\u00a0a ") << QString::fromUtf8("\u00a0a");
    }
    void trimBlanksOnly() {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(trimBlanks(text), trimmed);
    }
};

QTEST_GUILESS_MAIN(TstAnswers)
#include "tst_answers.moc"
