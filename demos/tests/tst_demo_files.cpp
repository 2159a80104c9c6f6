// The shipped example files: each reads back through the program's reader (its data points
// on the closed-form solution), and the writer gives back the same bytes.
#include "demos/DemoSolutions.h"
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using demos::DemoCase;

Q_DECLARE_METATYPE(const DemoCase *)

namespace {

const QString kDemoDir = QStringLiteral(QUADREL_DEMOS_DIR);

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void addDemoRows() {
    QTest::addColumn<const DemoCase *>("demo");
    for (const DemoCase &c : demos::allDemos()) QTest::newRow(c.stem) << &c;
}

}  // namespace

class TestDemoFiles : public QObject {
    Q_OBJECT
private slots:
    void readsBackAndRewritesTheSameBytes_data() { addDemoRows(); }
    void readsBackAndRewritesTheSameBytes() {
        QFETCH(const DemoCase *, demo);
        const QString name = QString::fromStdString(demo->fileName());
        const QByteArray shipped = fileBytes(kDemoDir + QLatin1Char('/') + name);
        quadrel::ScriptedMessageBoxes boxes;
        quadrel::FixedClock clock(QDateTime(QDate(2026, 6, 15), QTime(9, 30)));
        quadrel::AppState st;
        st.msg = &boxes;
        st.clock = &clock;
        QVERIFY(quadrel::ReadResponseFile(st, kDemoDir + QLatin1Char('/') + name));
        QVERIFY(boxes.shown().isEmpty());

        const quadrel::ProblemAnswers &a = st.answers;
        QCOMPARE(a.answers[1], QString::fromLatin1(demo->equation));
        QCOMPARE(a.nSolverVars, qint16(0));  // the default controls: no solver lines
        QCOMPARE(int(a.nDataPoints), int(demo->dataX.size()));
        for (int i = 1; i <= a.nDataPoints; ++i) {
            const double x = a.xValues[size_t(i)].toDouble();
            const double y = a.yValues[size_t(i)].toDouble();
            // 17 significant digits give back the closed form's double itself.
            const double exact = demo->y(x);
            QVERIFY2(std::fabs(y - exact) <= 2e-16 * std::fabs(exact),
                     qPrintable(QStringLiteral("point %1: %2 vs %3").arg(i).arg(y, 0, 'g', 17)
                                    .arg(exact, 0, 'g', 17)));
        }

        // The writer, given what was read and the files' date, writes the shipped bytes.
        QTemporaryDir dir;
        st.fileTemp = name;
        quadrel::WriteAnsFile(st, name, dir.path());
        QCOMPARE(st.saveFailed, qint16(0));
        const QList<QByteArray> want = shipped.split('\n');
        const QList<QByteArray> got = fileBytes(dir.filePath(name)).split('\n');
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < want.size(); ++i) QCOMPARE(got[i], want[i]);  // names the line
    }
};

QTEST_GUILESS_MAIN(TestDemoFiles)
#include "tst_demo_files.moc"
