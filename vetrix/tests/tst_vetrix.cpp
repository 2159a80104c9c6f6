// The checker's listings with hand-computed sample values, the C entry point of
// libVetrix.so as the program loads it (including hostile arguments), and the vetrix command.
#include "platform/tests/TestFiles.h"
#include "vetrix/Check.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <atomic>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

using VetrixFn = int (*)(const char *, std::int32_t *, std::int32_t);

QString listingOf(const char *text) {
    return QString::fromStdString(vetrix::check(text).listing);
}

QString readFile(const QString &name) { return QString::fromLatin1(quadrel::testing::readTestFile(name)); }

}  // namespace

class TestVetrix : public QObject {
    Q_OBJECT
    QLibrary library_;
    VetrixFn vetrix_ = nullptr;
    std::unique_ptr<QTemporaryDir> dir_;
    QString home_;

private slots:
    void initTestCase() {
        library_.setFileName(QStringLiteral(VETRIX_LIBRARY));
        QVERIFY2(library_.load(), qPrintable(library_.errorString()));
        vetrix_ = reinterpret_cast<VetrixFn>(library_.resolve("Vetrix"));
        QVERIFY(vetrix_);
        home_ = QDir::currentPath();
    }

    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(QDir::setCurrent(dir_->path()));
    }
    void cleanup() {
        QDir::setCurrent(home_);
        dir_.reset();
    }

    void listing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");  // each must appear as (part of) a line
        // Sample values: X = 1.5, Y = 0.5, Y' = 0.25, Y'' = 0.125, Y''' = 0.0625, A = 2.
        QTest::newRow("unary minus and a function")
            << "Y' = -Y * TAN( X)"
            << QStringList{"X = 1.5, Y = 0.5, Y' = 0.25, A = 2",
                           "t1 = -Y                                     -0.5",
                           "t2 = TAN( X)                         14.10141995",
                           "t3 = t1 * t2                        -7.050709974",
                           "t4 = Y' - t3                         7.300709974   (left side - right side)",
                           "Residual F = 7.300709974",
                           "dF/dX   = 99.92502226",  // Y / cos^2 X
                           "dF/dY   = 14.10141995",
                           "dF/dY'  = 1",
                           "dF/dA   = 0   (A does not appear)",
                           "Order of the equation: 1",
                           "constants of integration Y(x0); the equation has no parameter A"};
        QTest::newRow("no precedence")
            << "X + A*Y = Y'"
            << QStringList{"t1 = X + A", "3.5", "t2 = t1 * Y", "1.75", "t3 = t2 - Y'",
                           "Residual F = 1.5", "dF/dX   = 0.5", "dF/dA   = 0.5", "dF/dY   = 3.5",
                           "dF/dY'  = -1", "Y(x0), and the parameter A"};
        QTest::newRow("side by side terms")
            << "3 4 y - 5 6 = Y''"
            << QStringList{"t1 = 3 * 4", "t2 = t1 * Y", "t3 = t2 - 5", "t4 = t3 * 6",
                           "t5 = t4 - Y''", "Residual F = 5.875", "dF/dY'   = 0   (does not appear)",
                           "Order of the equation: 2", "Y(x0) and Y'(x0);"};
        QTest::newRow("third order")
            << "Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2"
            << QStringList{"Y''' = 0.0625", "t4 = t2 - t3", "Order of the equation: 3",
                           "Y(x0), Y'(x0) and Y''(x0);",
                           "     2       4  Y'''        derivative of order 3 of Y"};
        QTest::newRow("single term") << "y'" << QStringList{"(none: the equation is a single term)",
                                                           "Residual F = 0.25"};
    }
    void listing() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        const vetrix::CheckResult r = vetrix::check(text.toStdString());
        QVERIFY(r.parsed);
        const QString listing = QString::fromStdString(r.listing);
        QVERIFY(listing.contains("  " + text + "\n"));
        for (const QString &line : lines)
            QVERIFY2(listing.contains(line), qPrintable(line + "\n--- not in ---\n" + listing));
    }

    void caretUnderFailingColumn_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("column");
        QTest::newRow("unknown name") << "Y' = X + H" << 10;
        QTest::newRow("missing operand") << "X + = 1" << 5;
        QTest::newRow("at the end") << "Y' *" << 5;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("control character") << "Y'\x01= X" << 3;
        QString text;
        while (text.size() < 5000) text += "Y' + X ";
        QTest::newRow("long: a window is shown") << text + "H + X + X" << int(text.size()) + 1;
    }
    void caretUnderFailingColumn() {
        QFETCH(QString, text);
        QFETCH(int, column);
        const vetrix::CheckResult r = vetrix::check(text.toStdString());
        QVERIFY(!r.parsed);
        const QStringList lines = QString::fromStdString(r.listing).split('\n');
        const int at = int(lines.indexOf("Equation as given:"));
        QVERIFY(at >= 0);
        const QString shown = lines[at + 1], caret = lines[at + 2];
        QVERIFY(lines[at + 3].startsWith(QString("Error in column %1: ").arg(column)));
        if (text.size() < 100) {
            QCOMPARE(caret, QString(2 + column - 1, ' ') + "^");
            QCOMPARE(shown.size(), 2 + text.size());  // one character shown per column
        } else {
            QVERIFY(shown.size() < 200);
            QVERIFY(shown.startsWith("  ..."));
            QCOMPARE(shown[caret.indexOf('^')], text[column - 1]);
        }
    }

    void numberFormat() {
        QCOMPARE(QString::fromStdString(vetrix::formatNumber(1e-6)), QString("1e-06"));
        QCOMPARE(QString::fromStdString(vetrix::formatNumber(std::nan(""))), QString("not a number"));
    }

    // The text ends at a NUL or at the length given, whichever comes first. Each text sits in
    // a heap block exactly as long as it (NUL included): reading past the NUL is an
    // out-of-bounds read that the sanitizer build reports.
    void entry_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: a null pointer
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<QString>("expect");  // parsed: the text seen; else part of the message
        QTest::newRow("unknown name") << QByteArray("Y' = H") << 6 << false << "Unknown name 'H'";
        QTest::newRow("empty, length 0") << QByteArray("") << 0 << false << "empty";
        QTest::newRow("null text") << QByteArray() << 25 << false << "empty";
        QTest::newRow("negative length") << QByteArray("Y' = X") << -5 << false << "empty";
        QTest::newRow("no derivative") << QByteArray("Y = X") << 5 << false << "no derivative";
        // The equation box's design-time text, passed with its length as the program does.
        QTest::newRow("exact length") << QByteArray("y''' y' - y'' = x sin( y + x) - .5") << 34 << true
                                      << "y''' y' - y'' = x sin( y + x) - .5";
        QTest::newRow("embedded NUL") << QByteArray("Y' = X\0 + H junk", 16) << 16 << true << "Y' = X";
        QTest::newRow("length far beyond the text") << QByteArray("Y'' = -Y") << 0x7fffffff << true
                                                    << "Y'' = -Y";
        QTest::newRow("length shorter than the text") << QByteArray("Y' = X + H") << 6 << true << "Y' = X";
    }
    void entry() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        QFETCH(bool, parsed);
        QFETCH(QString, expect);
        std::unique_ptr<char[]> block;
        if (!bytes.isNull()) {
            block.reset(new char[bytes.size() + 1]);
            std::memcpy(block.get(), bytes.constData(), bytes.size() + 1);
        }
        std::int32_t one = 1;
        QCOMPARE(vetrix_(block.get(), parsed ? &one : nullptr, length) == 0, parsed);
        QCOMPARE(QDir().entryList(QDir::Files), QStringList{parsed ? "~Vetrix.out" : "~parse.out"});
        if (parsed) {
            QCOMPARE(readFile("~Vetrix.out"), listingOf(expect.toLatin1().constData()));
            QCOMPARE(one, 1);
        } else {
            const QString out = readFile("~parse.out");
            QVERIFY2(out.contains(expect) && out.contains("^\n"), qPrintable(out));
        }
    }

    void entrySurvivesAMegabyte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");  // 0 parsed, 1 not parsed
        const int mb = 1 << 20;
        QByteArray sum("Y'");
        while (sum.size() < 99990) sum += " + X";
        QTest::newRow("long sum") << sum << 0;
        while (sum.size() < mb) sum += " + X";
        QTest::newRow("longer than the limit") << sum << 1;
        QTest::newRow("10 MB of parentheses") << QByteArray(10 * mb, '(') << 1;
    }
    void entrySurvivesAMegabyte() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QCOMPARE(vetrix_(bytes.constData(), nullptr, std::int32_t(bytes.size())), status);
        QFile out(status == 0 ? "~Vetrix.out" : "~parse.out");
        QVERIFY(out.exists());
        QVERIFY(out.size() < 300000);  // long listings are cut short
        if (bytes.size() > 100000) {
            QVERIFY(out.open(QIODevice::ReadOnly));
            QVERIFY(out.readAll().contains("Error in column 100001: The equation is " +
                                           QByteArray::number(bytes.size()) +
                                           " characters long; at most 100000 are allowed"));
        }
    }

    void entryReportsAnUnwritableFolder() {
        // The current folder vanishes under the library: no listing can be written.
        QTemporaryDir gone;
        QVERIFY(QDir::setCurrent(gone.path()));
        QVERIFY(::rmdir(gone.path().toLocal8Bit().constData()) == 0);
        QVERIFY(vetrix_("Y' = X", nullptr, 6) != 0);
        QVERIFY(vetrix_("Y' = H", nullptr, 6) != 0);
    }

    void listingsFromTwoThreadsAreNeverTorn() {
        // Two threads check different equations while a third keeps reading the listing: it
        // must always see one whole listing, never a mix or a file cut short.
        const char *texts[2] = {"Y' = X", "Y'' + SIN( Y) * A = COSH( X) - Y' / 3"};
        const QString whole[2] = {listingOf(texts[0]), listingOf(texts[1])};
        std::atomic<int> running{2};
        auto call = [&](int i) {
            for (int k = 0; k < 300; ++k) vetrix_(texts[i], nullptr, std::int32_t(std::strlen(texts[i])));
            --running;
        };
        std::thread a(call, 0), b(call, 1);
        int torn = 0, seen = 0;
        while (running > 0) {
            QFile f("~Vetrix.out");
            if (!f.open(QIODevice::ReadOnly)) continue;
            const QString text = QString::fromLatin1(f.readAll());
            ++seen;
            torn += text != whole[0] && text != whole[1];
        }
        a.join();
        b.join();
        QCOMPARE(torn, 0);
        QVERIFY(seen > 0);
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{"~Vetrix.out"});
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("equation");
        QTest::newRow("equation") << QStringList{"Y' * Y'' = 2"} << 0 << "Y' * Y'' = 2";
        QTest::newRow("split by the shell") << QStringList{"Y'", "*", "Y''", "=", "2"} << 0
                                            << "Y' * Y'' = 2";
        QTest::newRow("error") << QStringList{"Y' = X + H"} << 1 << "Y' = X + H";
        QTest::newRow("shell characters stay text") << QStringList{"Y' = $(X)"} << 1 << "Y' = $(X)";
        QTest::newRow("no equation: usage") << QStringList{} << 1 << "";
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, equation);
        QProcess p;
        p.start(QStringLiteral(VETRIX_COMMAND), args);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        QCOMPARE(QString::fromLatin1(p.readAllStandardOutput()),
                 args.isEmpty() ? QString() : listingOf(equation.toLatin1().constData()));
        QCOMPARE(p.readAllStandardError().startsWith("Usage: vetrix EQUATION"), args.isEmpty());
        QVERIFY(!QFile::exists("~Vetrix.out"));
    }
};

QTEST_GUILESS_MAIN(TestVetrix)
#include "tst_vetrix.moc"
