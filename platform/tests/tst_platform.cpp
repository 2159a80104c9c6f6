// Number formatting and parsing with their run-time errors, and the code page.
#include "platform/CodePage.h"
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
    }
    void signStr() {
        QFETCH(long long, n);
        QFETCH(QString, text);
        QCOMPARE(quadrel::signStr(n), text);
    }

    void toInt16_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");  // or the error number when error is set
        QTest::addColumn<bool>("error");
        QTest::newRow("plain") << "3" << 3 << false;
        QTest::newRow("blanks around") << "  12 " << 12 << false;
        QTest::newRow("sign") << "-7" << -7 << false;
        QTest::newRow("half to even down") << "2.5" << 2 << false;
        QTest::newRow("half to even up") << "3.5" << 4 << false;
        QTest::newRow("fraction only") << ".6" << 1 << false;
        QTest::newRow("exponent") << "1.2e2" << 120 << false;
        QTest::newRow("16-bit max") << "32767" << 32767 << false;
        QTest::newRow("rounds into range") << "32767.4" << 32767 << false;
        QTest::newRow("just over") << "32768" << rterr::Overflow << true;
        QTest::newRow("rounds out of range") << "32767.5" << rterr::Overflow << true;
        QTest::newRow("empty") << "" << rterr::TypeMismatch << true;
        QTest::newRow("trailing text") << "3 points" << rterr::TypeMismatch << true;
        QTest::newRow("TAB is not a blank") << "\t3" << rterr::TypeMismatch << true;
        QTest::newRow("other digits") << QString::fromUtf8("\u0663") << rterr::TypeMismatch << true;
        QTest::newRow("end marker") << "-EOF-" << rterr::TypeMismatch << true;
    }
    void toInt16() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, error);
        try {
            const int got = quadrel::toInt16(text);
            QVERIFY2(!error, "no error raised");
            QCOMPARE(got, value);
        } catch (const RtError &e) {
            QVERIFY2(error, qPrintable(e.description()));
            QCOMPARE(e.number(), value);
        }
    }

    void codePage_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("ascii") << "Y' = X" << QByteArray("Y' = X") << "Y' = X";
        QTest::newRow("guillemet") << QString::fromUtf8("1. \u00bb x") << QByteArray("1. \xbb x")
                                   << QString::fromUtf8("1. \u00bb x");
        QTest::newRow("upper half") << QString::fromUtf8("caf\u00e9") << QByteArray("caf\xe9")
                                    << QString::fromUtf8("caf\u00e9");
        QTest::newRow("0x80 block") << QString::fromUtf8("\u20ac\u2026\u0178")
                                    << QByteArray("\x80\x85\x9f") << QString::fromUtf8("\u20ac\u2026\u0178");
        QTest::newRow("missing characters") << QString::fromUtf8("\u03b1\u4e2d") << QByteArray("??") << "??";
        QTest::newRow("one ? per character outside the BMP")
            << QString::fromUtf8("a\U0001F600b") << QByteArray("a?b") << "a?b";
        QTest::newRow("C1 control without a glyph")
            << QString(QChar(0x0085)) << QByteArray("?") << "?";
    }
    void codePage() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readBack);
        QCOMPARE(toAnsi(text), bytes);
        QCOMPARE(fromAnsi(bytes), readBack);
    }

    void codePageEveryByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
        QCOMPARE(toAnsi(fromAnsi(all)), all);
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
