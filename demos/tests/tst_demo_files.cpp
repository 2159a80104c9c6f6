// The shipped example files: each reads back through the program's reader into the
// answers it is meant to hold (its data points on the closed-form solution), and the
// program's writer, given those answers and the files' date, writes the same bytes.
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
    void readsBack_data() { addDemoRows(); }
    void readsBack() {
        QFETCH(const DemoCase *, demo);
        quadrel::ScriptedMessageBoxes boxes;
        quadrel::AppState st;
        st.msg = &boxes;
        QVERIFY(quadrel::ReadResponseFile(
            st, kDemoDir + QLatin1Char('/') + QString::fromStdString(demo->fileName())));
        QVERIFY(boxes.shown().isEmpty());

        const quadrel::ProblemAnswers &a = st.answers;
        QCOMPARE(st.recordedName, QString::fromStdString(demo->fileName()));
        QCOMPARE(a.answers[1], QString::fromLatin1(demo->equation));
        QCOMPARE(a.answers[2], QString::fromLatin1(demo->aText));
        QCOMPARE(a.answers[3], QString::fromLatin1(demo->x0Text));
        QCOMPARE(a.answers[4], QString::fromLatin1(demo->initText));
        QCOMPARE(a.answers[5], QString::number(demo->nPoints));
        QCOMPARE(a.answers[6], QString::fromLatin1(demo->dxText));
        QCOMPARE(a.note1, QString::fromLatin1(demo->note1));
        QCOMPARE(a.note2, QString::fromLatin1(demo->note2));
        // The default controls: no solver lines.
        QCOMPARE(a.nSolverVars, qint16(0));

        QCOMPARE(int(a.nDataPoints), int(demo->dataX.size()));
        for (int i = 1; i <= a.nDataPoints; ++i) {
            QCOMPARE(a.xValues[size_t(i)], QString::fromLatin1(demo->dataX[size_t(i - 1)]));
            bool okX = false, okY = false;
            const double x = a.xValues[size_t(i)].toDouble(&okX);
            const double y = a.yValues[size_t(i)].toDouble(&okY);
            QVERIFY(okX && okY);
            // 17 significant digits give back the closed form's double itself.
            const double exact = demo->y(x);
            QVERIFY2(std::fabs(y - exact) <= 2e-16 * std::fabs(exact),
                     qPrintable(QStringLiteral("point %1: %2 vs %3").arg(i).arg(y, 0, 'g', 17)
                                    .arg(exact, 0, 'g', 17)));
        }
    }

    void writerGivesSameBytes_data() { addDemoRows(); }
    void writerGivesSameBytes() {
        QFETCH(const DemoCase *, demo);
        const QString name = QString::fromStdString(demo->fileName());
        const QByteArray shipped = fileBytes(kDemoDir + QLatin1Char('/') + name);
        QVERIFY(!shipped.isEmpty());

        quadrel::ScriptedMessageBoxes boxes;
        quadrel::FixedClock clock(QDateTime(QDate(2026, 6, 15), QTime(9, 30)));
        quadrel::AppState st;
        st.msg = &boxes;
        st.clock = &clock;
        QVERIFY(quadrel::ReadResponseFile(st, kDemoDir + QLatin1Char('/') + name));

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        st.fileTemp = name;
        quadrel::WriteAnsFile(st, name, dir.path());
        QCOMPARE(st.saveFailed, qint16(0));
        QVERIFY(boxes.shown().isEmpty());
        const QByteArray written = fileBytes(dir.filePath(name));
        // Line by line, so that a difference names its line.
        const QList<QByteArray> want = shipped.split('\n');
        const QList<QByteArray> got = written.split('\n');
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < want.size(); ++i) QCOMPARE(got[i], want[i]);
    }

    void byteLayout_data() { addDemoRows(); }
    // What a hand editor or another program sees: CR LF everywhere, "»" as the single
    // byte 0xBB, nothing outside the code page, and a final line end.
    void byteLayout() {
        QFETCH(const DemoCase *, demo);
        const QByteArray b =
            fileBytes(kDemoDir + QLatin1Char('/') + QString::fromStdString(demo->fileName()));
        QVERIFY(b.endsWith("\r\n"));
        QCOMPARE(b.count('\n'), b.count("\r\n"));
        QCOMPARE(b.count('\r'), b.count("\r\n"));
        QVERIFY(b.contains('\xbb'));
        for (char ch : b) {
            const unsigned char u = static_cast<unsigned char>(ch);
            // Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined.
            QVERIFY(u != 0x81 && u != 0x8D && u != 0x8F && u != 0x90 && u != 0x9D);
            QVERIFY(u >= 0x20 || ch == '\t' || ch == '\r' || ch == '\n');
        }
    }
};

QTEST_GUILESS_MAIN(TestDemoFiles)
#include "tst_demo_files.moc"
