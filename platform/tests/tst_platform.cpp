// The run-time error type and the scripted message seam.
#include "platform/MessageBoxes.h"
#include "platform/RtError.h"

#include <QtTest>

using namespace quadrel;

class TstPlatform : public QObject {
    Q_OBJECT
private slots:
    void signStr_data() {
        QTest::addColumn<long long>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0LL << " 0";
        QTest::newRow("positive") << 12LL << " 12";
        QTest::newRow("negative") << -7LL << "-7";
        QTest::newRow("16-bit max") << 32767LL << " 32767";
    }
    void signStr() {
        QFETCH(long long, n);
        QFETCH(QString, text);
        QCOMPARE(quadrel::signStr(n), text);
    }

    void errorsCarryNumberAndDescription() {
        RtError e(rterr::PathFileAccess);
        QCOMPARE(e.number(), 75);
        QCOMPARE(e.description(), QStringLiteral("Path/File access error"));
        RtError own(1001, QStringLiteral("Unsupported value type"));
        QCOMPARE(own.description(), QStringLiteral("Unsupported value type"));
        QVERIFY(QByteArray(own.what()).contains("1001"));
    }

    void scriptedAnswersInOrderThenFirstButton() {
        ScriptedMessageBoxes boxes;
        boxes.queueAnswer(MsgAnswer::No);
        QCOMPARE(boxes.show("t1", "x", MsgIcon::Question, MsgButtons::YesNoCancel), MsgAnswer::No);
        QCOMPARE(boxes.show("t2", "y", MsgIcon::Question, MsgButtons::YesNoCancel), MsgAnswer::Yes);
        QCOMPARE(boxes.show("t3", "z", MsgIcon::Critical), MsgAnswer::Ok);
        QCOMPARE(boxes.shown().size(), 3);
        QCOMPARE(boxes.shown()[2].title, QStringLiteral("t3"));
        QCOMPARE(boxes.shown()[2].icon, MsgIcon::Critical);
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
