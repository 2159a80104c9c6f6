// Rules on the answer set: completeness, the points taken from the grid, and clearing for
// a new problem.
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
    // Without a form: empty and exactly "-Select-" are missing, a blank is an answer.
    void missing() {
        ProblemAnswers a;
        const QStringList answers{"Y", "", " ", "-Select-", "-select-", " -Select-"};
        for (size_t i = 1; i <= 6; ++i) a.answers[i] = answers[int(i) - 1];
        bool flags[7] = {};
        QVERIFY(!allAnswered(a, flags));
        QCOMPARE(QList<bool>(flags + 1, flags + 7), (QList<bool>{false, true, false, true, false, false}));
        a.answers[2] = a.answers[4] = "1";
        QVERIFY(allAnswered(a));
    }

    // The form's tests cover the usual grid; these are its edges.
    void gridPoints_data() {
        QTest::addColumn<int>("rows");            // grid rows, heading row included
        QTest::addColumn<QStringList>("cells");   // x1, y1, x2, y2, ... of the data rows
        QTest::addColumn<QStringList>("stored");  // trimmed x|y of the counted rows
        QTest::newRow("blank cells count as empty")
            << 4 << QStringList{"  1 ", " 2", "   ", "4"} << QStringList{"1|2"};
        QTest::newRow("every row filled, no spare row")
            << 3 << QStringList{"1", "2", "3", "4"} << QStringList{"1|2", "3|4"};
        QTest::newRow("heading row only") << 1 << QStringList{} << QStringList{};
        QTest::newRow("TABs are not trimmed") << 3 << QStringList{"\t1", "2\t"} << QStringList{"\t1|2\t"};
    }
    void gridPoints() {
        QFETCH(int, rows);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, stored);
        ProblemAnswers a;
        a.nDataPoints = 9;
        takeGridPoints(a, rows, [&](int r, int c) {
            if (r < 1 || r >= rows) QTest::qFail("cell outside the grid read", __FILE__, __LINE__);
            return cells.value((r - 1) * 2 + (c - 1));
        });
        QCOMPARE(a.xValues.size(), size_t(rows) + 1);
        QStringList got;
        for (int i = 1; i <= a.nDataPoints; ++i) got << a.xValues[size_t(i)] + "|" + a.yValues[size_t(i)];
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
        std::unique_ptr<TestForm> form(withForm ? new TestForm(st) : nullptr);
        st.answers.answers[1] = "Y";
        st.answers.nDataPoints = 2;
        st.answers.resizePoints(2);
        st.fileName = st.recordedName = "Beam.ode";
        st.filePath = "/elsewhere";
        ClearProblem(st);
        QVERIFY(st.answers.answers[1].isEmpty());
        QCOMPARE(st.answers.nDataPoints, qint16(0));
        QCOMPARE(st.fileName, QStringLiteral("New data"));
        QCOMPARE(st.recordedName, QStringLiteral("New data"));
        QCOMPARE(st.filePath, QDir::currentPath());
        if (form) QCOMPARE(form->typeSelections, QStringList{"IVP"});
    }
};

QTEST_GUILESS_MAIN(TstAnswers)
#include "tst_answers.moc"
