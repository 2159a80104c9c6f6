// Number parsing with its run-time errors, and the code page.
#include "platform/CodePage.h"
#include "platform/RtError.h"

#include <QtTest>

using namespace quadrel;

class TstPlatform : public QObject {
    Q_OBJECT
private slots:
    void toInt16_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");  // or the error number
        QTest::newRow("blanks around") << "  12 " << 12;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "-3.5" << -4;
        QTest::newRow("fraction only") << ".6" << 1;
        QTest::newRow("exponent") << "1.2e2" << 120;
        QTest::newRow("rounds into range") << "32767.4" << 32767;
        QTest::newRow("just over") << "32768" << int(rterr::Overflow);
        QTest::newRow("rounds out of range") << "32767.5" << int(rterr::Overflow);
        QTest::newRow("beyond a double") << "1e400" << int(rterr::Overflow);
        QTest::newRow("empty") << "" << int(rterr::TypeMismatch);
        QTest::newRow("trailing text") << "3 points" << int(rterr::TypeMismatch);
        QTest::newRow("TAB is not a blank") << "\t3" << int(rterr::TypeMismatch);
        QTest::newRow("other digits") << QString::fromUtf8("\u0663") << int(rterr::TypeMismatch);
    }
    void toInt16() {
        QFETCH(QString, text);
        int got = 0;
        try {
            got = quadrel::toInt16(text);
        } catch (const RtError &e) {
            got = e.number();
        }
        QTEST(got, "value");
    }

    void codePage_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("upper half") << QString::fromUtf8("1. \u00bb caf\u00e9") << QByteArray("1. \xbb caf\xe9")
                                    << QString::fromUtf8("1. \u00bb caf\u00e9");
        QTest::newRow("0x80 block") << QString::fromUtf8("\u20ac\u2026\u0178")
                                    << QByteArray("\x80\x85\x9f") << QString::fromUtf8("\u20ac\u2026\u0178");
        QTest::newRow("missing characters") << QString::fromUtf8("\u03b1\u4e2d") << QByteArray("??") << "??";
        QTest::newRow("one ? per character outside the BMP")
            << QString::fromUtf8("a\U0001F600b") << QByteArray("a?b") << "a?b";
        QTest::newRow("C1 control without a glyph") << QString(QChar(0x0085)) << QByteArray("?") << "?";
    }
    void codePage() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(toAnsi(text), bytes);
        QTEST(fromAnsi(bytes), "readBack");
    }

    void codePageEveryByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
        QCOMPARE(toAnsi(fromAnsi(all)), all);
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
