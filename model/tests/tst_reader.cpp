// Reading response files: the answer part of a line, the point pairs, the path split, and
// whole files as the writer leaves them and as people edit them by hand.
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "platform/CodePage.h"
#include "TestForm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;
using quadrel::test::TestForm;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Every field of the record that reading can change, one "key=value" per entry.
QStringList dump(const AppState &st, const TestForm *form) {
    const ProblemAnswers &a = st.answers;
    QStringList d;
    d << "rec=" + st.recordedName << "path=" + st.fileTempPath;
    for (size_t i = 1; i <= 6; ++i) d << QStringLiteral("a%1=").arg(i) + a.answers[i];
    d << "n=" + QString::number(a.nDataPoints);
    for (int i = 1; i <= a.nDataPoints && static_cast<size_t>(i) < a.xValues.size(); ++i)
        d << QStringLiteral("p%1=").arg(i) + a.xValues[static_cast<size_t>(i)] + "|" +
                 a.yValues[static_cast<size_t>(i)];
    d << "note1=" + a.note1 << "note2=" + a.note2 << "chg=" + a.changeSolverVars
      << "nsv=" + QString::number(a.nSolverVars);
    for (size_t i = 1; i <= 7; ++i) d << QStringLiteral("s%1=").arg(i) + a.solverAnswers[i];
    if (form) d << "types=" + form->typeSelections.join(',');
    return d;
}

const QByteArray kBeam =
    "Beam.ode  \t\t!*  6,  3, and  7          November 28, 2026 @ 10:15\r\n"
    "Y' * Y'' = A * X  \t\t! 1. \xbb State an ODE\r\n"
    "1  \t\t! 2. \xbb 'A' parameter\r\n"
    "1  \t\t! 3. \xbb x0\r\n"
    "2 1  \t\t! 4. \xbb Initial values\r\n"
    "11  \t\t! 5. \xbb Number\r\n"
    ".2  \t\t! 6. \xbb (Delta_x)\r\n"
    "3  \t\t! Number of BVP_IVP data points\r\n"
    "1  2  \t\t! Boundary point # 1\r\n"
    "3  3.5  \t\t! Boundary point # 2\r\n"
    "5  6  \t\t! Boundary point # 3\r\n"
    "-999  \t\t! 20. \xbb Note1\r\n"
    "-999  \t\t!     \xbb Note2\r\n"
    "Y\t\t! 22. \xbb Want to change solver variables?\r\n"
    "5  \t\t! 1. \xbb REMAX: Maximum iterations.\r\n"
    "0  \t\t! 2.\r\n"
    "100  \t\t! 3.\r\n"
    "5  \t\t! 4.\r\n"
    "3000  \t\t! 5.\r\n"
    ".0001  \t\t! 6.\r\n"
    "1.e-6  \t\t! 7. \xbb ZERO: Iteration convergent tolerance.\r\n";

const QStringList kBeamRecord = {
    "rec=Beam.ode", "a1=Y' * Y'' = A * X", "a2=1", "a3=1", "a4=2 1", "a5=11", "a6=.2",
    "n=3", "p1=1|2", "p2=3|3.5", "p3=5|6", "note1=", "note2=", "chg=Y", "nsv=7",
    "s1=5", "s2=0", "s3=100", "s4=5", "s5=3000", "s6=.0001", "s7=1.e-6", "types=IVP,BVP"};

// Each expected "key=value" must be the dump's entry for that key.
void checkFields(const QStringList &d, const QStringList &expected) {
    for (const QString &e : expected) {
        const QString key = e.section('=', 0, 0) + '=';
        const auto it = std::find_if(d.begin(), d.end(),
                                     [&](const QString &s) { return s.startsWith(key); });
        QVERIFY2(it != d.end(), qPrintable("no field " + key));
        QCOMPARE(*it, e);
    }
}

}  // namespace

class TstReader : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // Reads bytes as the file commands do: open as fileNo, FileReadMe, close.
    bool readFile(AppState &st, const QByteArray &bytes, const QString &name = "In.ode") {
        const QString path = dir_.path() + "/" + name;
        writeBytes(path, bytes);
        st.fileNo.openInput(path);
        QString fileName = name;
        QString folder = dir_.path();
        const bool ok = FileReadMe(st, fileName, folder);
        st.fileNo.close();
        return ok;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void readAnsLine_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("answer");
        QTest::newRow("answer and comment") << QByteArray("Y = X  \t\t! 1. \xbb ODE") << "Y = X";
        QTest::newRow("several bangs") << QByteArray("Y' = X ! comment ! more") << "Y' = X";
        QTest::newRow("-999 prefix") << QByteArray("-999.5  ! 3. \xbb x0 ...") << "";
        QTest::newRow("-999 sentinel") << QByteArray("-999  \t\t! 20. \xbb Note1") << "";
        QTest::newRow("-999 later in the text") << QByteArray("x -999 ! c") << "x -999";
        QTest::newRow("TAB before -999 survives the sentinel test")
            << QByteArray("\t-999 ! c") << "-999";
        QTest::newRow("no comment, trimmed, TABs removed")
            << QByteArray("   a b\t c \t ") << "a b c";
        QTest::newRow("blanks left by removed TABs are trimmed")
            << QByteArray("  hello  \t  ! c") << "hello";
        QTest::newRow("comment only") << QByteArray("! just a comment") << "";
        QTest::newRow("empty line") << QByteArray("") << "";
        QTest::newRow("inner blanks kept") << QByteArray("0  1   2\t\t!") << "0  1   2";
        QTest::newRow("code page") << QByteArray("\x80 caf\xe9 \x85 !") << QString::fromUtf8("€ café …");
    }
    void readAnsLine() {
        QFETCH(QByteArray, line);
        QFETCH(QString, answer);
        const QString path = dir_.path() + "/line.ode";
        writeBytes(path, line + "\r\nnext\r\n");
        AppState st;
        st.fileNo.openInput(path);
        QCOMPARE(ReadAnsLine(st), answer);
        QCOMPARE(ReadAnsLine(st), QStringLiteral("next"));
    }

    void endOfFileStaysEofAndCloses() {
        const QString path = dir_.path() + "/eof.ode";
        writeBytes(path, "only\r\n");
        AppState st;
        st.fileNo.openInput(path);
        QCOMPARE(ReadAnsLine(st), QStringLiteral("only"));
        QCOMPARE(ReadAnsLine(st), QStringLiteral("-EOF-"));
        QVERIFY(!st.fileNo.isOpen());
        QCOMPARE(ReadAnsLine(st), QStringLiteral("-EOF-"));
    }

    void lineEnds_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("answers");
        const QStringList abc{"a", "b", "c", "-EOF-"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\nc\r\n") << abc;
        QTest::newRow("LF") << QByteArray("a\nb\nc\n") << abc;
        QTest::newRow("CR") << QByteArray("a\rb\rc\r") << abc;
        QTest::newRow("mixed, no final end") << QByteArray("a\r\nb\nc") << abc;
        QTest::newRow("empty lines count")
            << QByteArray("a\r\n\r\n\nc") << QStringList{"a", "", "", "c", "-EOF-"};
        QTest::newRow("empty file") << QByteArray() << QStringList{"-EOF-"};
    }
    void lineEnds() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, answers);
        const QString path = dir_.path() + "/ends.ode";
        writeBytes(path, bytes);
        AppState st;
        st.fileNo.openInput(path);
        QStringList got;
        for (int i = 0; i < answers.size(); ++i) got << ReadAnsLine(st);
        QCOMPARE(got, answers);
    }

    void normalizePair_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pair");
        QTest::newRow("comma and blanks") << "3.5 ,  7" << "3.5 7";
        QTest::newRow("comma only") << "1,2" << "1 2";
        QTest::newRow("many blanks and commas") << "  1 ,, ,   2  " << "1 2";
        QTest::newRow("three pieces") << "1   2    3" << "1 2 3";
        QTest::newRow("one number") << "5" << "5";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("commas only") << ",," << "";
    }
    void normalizePair() {
        QFETCH(QString, text);
        QFETCH(QString, pair);
        QCOMPARE(NormalizePair(text), pair);
    }

    void splitFileSpec_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("backslashes") << "C:\\Data\\Beam.ode" << "Beam.ode" << "C:\\Data";
        QTest::newRow("slashes") << "/home/u/Beam.ode" << "Beam.ode" << "/home/u";
        QTest::newRow("mixed, last one wins") << "a/b\\c.ode" << "c.ode" << "a/b";
        QTest::newRow("mixed the other way") << "a\\b/c.ode" << "c.ode" << "a\\b";
        QTest::newRow("root") << "/Beam.ode" << "Beam.ode" << "";
        QTest::newRow("folder only") << "C:\\Data\\" << "" << "C:\\Data";
        QTest::newRow("bare name") << "Beam.ode" << "Beam.ode" << QDir::currentPath();
        QTest::newRow("empty") << "" << "" << QDir::currentPath();
    }
    void splitFileSpec() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QString got = "unchanged?";
        QCOMPARE(SplitFileSpec(path, got), name);
        QCOMPARE(got, folder);
    }

    void fileReadMe_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");  // entries of dump() that must match

        QTest::newRow("boundary problem as written") << kBeam << kBeamRecord;

        QTest::newRow("initial value problem")
            << QByteArray("Spring.ode  \t\t!*  6,  0, and  0          March 05, 2026 @ 2:07 PM\r\n"
                          "Y'' + (4 * Y) = 0  \t\t! 1.\r\n-999  \t\t! 2.\r\n0  \t\t! 3.\r\n"
                          "0 1  \t\t! 4.\r\n21  \t\t! 5.\r\n.1  \t\t! 6.\r\n"
                          "0  \t\t! Number of BVP_IVP data points\r\n"
                          "Harmonic test  \t\t! 20. \xbb Note1\r\n-999  \t\t!     \xbb Note2\r\n"
                          "N\t\t! 22. \xbb Want to change solver variables?\r\n")
            << QStringList{"rec=Spring.ode", "a1=Y'' + (4 * Y) = 0", "a2=", "a3=0", "a4=0 1",
                           "a5=21", "a6=.1", "n=0", "note1=Harmonic test", "note2=", "chg=N",
                           "nsv=0", "s1=", "s7=", "types=IVP"};

        QTest::newRow("hand edited: commas, blanks, TABs, no comments, LF")
            << QByteArray("  Beam.ode\n\tY' * Y''\t= A * X   \n 1 \n1\n 2   1 ! y y'\n11\n.2\n"
                          " 3 \n1,2\n  3.5 ,  7\t\t! Boundary point # 2\n5\t\t 6\n"
                          "keep  this\n\n Y \n5\n0\n100\n5\n3000\n.0001\n1.e-6\n")
            << QStringList{"rec=Beam.ode", "a1=Y' * Y''= A * X", "a2=1", "a4=2   1", "n=3",
                           "p1=1|2", "p2=3.5|7", "p3=5|6", "note1=keep  this", "note2=",
                           "chg=Y", "nsv=7", "s1=5", "s7=1.e-6", "types=IVP,BVP"};

        QTest::newRow("one number gives X = Y, three give first and last")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n2\n  7  \n1 2 3\nn1\nn2\nN\n")
            << QStringList{"n=2", "p1=7|7", "p2=1|3", "note1=n1", "note2=n2", "nsv=0"};

        QTest::newRow("lower case y: no solver lines read")
            << QByteArray(kBeam).replace("Y\t\t! 22.", "y\t\t! 22.")
            << QStringList{"chg=y", "nsv=0", "s1=", "s2=", "s3=", "s4=", "s5=", "s6=", "s7=",
                           "n=3", "p3=5|6"};

        QTest::newRow("folder with backslashes on line 1")
            << QByteArray(kBeam).replace("Beam.ode  \t\t!*", "C:\\Data\\Beam.ode  \t\t!*")
            << QStringList{"rec=Beam.ode", "path=C:\\Data"};

        QTest::newRow("folder with slashes on line 1")
            << QByteArray(kBeam).replace("Beam.ode  \t\t!*", "/home/u/Beam.ode  \t\t!*")
            << QStringList{"rec=Beam.ode", "path=/home/u"};

        QTest::newRow("bare name on line 1: working folder")
            << kBeam << QStringList{"rec=Beam.ode", "path=" + QDir::currentPath()};

        QTest::newRow("-999.5 and several bangs")
            << QByteArray("P.ode\nY' = X ! c ! d\n-999.5  ! 2. x\n-9990\n!!\n5!\n6 ! ! !\n0\n"
                          "a!b!c\n-999\nN\n")
            << QStringList{"a1=Y' = X", "a2=", "a3=", "a4=", "a5=5", "a6=6", "n=0",
                           "note1=a", "note2="};

        QTest::newRow("text after the last expected line is ignored")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n0\nn1\nn2\nN\n5\n0\n100\n5\n3000\n1\n2\n"
                          "garbage\n")
            << QStringList{"chg=N", "nsv=0", "s1=", "s6="};

        QTest::newRow("file ends inside the points: -EOF- stored like answers")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n2\n1 2\n")
            << QStringList{"n=2", "p1=1|2", "p2=-EOF-|-EOF-", "note1=-EOF-", "note2=-EOF-",
                           "chg=-EOF-", "nsv=0", "s1=", "types=IVP,BVP"};

        QTest::newRow("negative count reads no points")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n-2\nn1\nn2\nN\n")
            << QStringList{"n=-2", "note1=n1", "types=IVP"};

        QTest::newRow("count in other numeric forms")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n 1.5e0 \n1 2\n3 4\nn1\nn2\nN\n")
            << QStringList{"n=2", "p2=3|4", "note1=n1"};
    }
    void fileReadMe() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        TestForm form(st);
        QVERIFY(readFile(st, bytes));
        QCOMPARE(boxes.shown().size(), 0);
        checkFields(dump(st, &form), expected);
    }

    void failures_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        const QByteArray seven("P.ode\nY\n1\n2\n3\n4\n5\n");
        QTest::newRow("file ends after line 7")
            << seven << "Unexpected error # 13 occured: Type mismatch"
            << QStringList{"a1=Y", "a6=5", "n=0", "note1=old note", "types=IVP"};
        QTest::newRow("count not a number")
            << seven + "three\nn1\n" << "Unexpected error # 13 occured: Type mismatch"
            << QStringList{"note1=old note"};
        QTest::newRow("count empty (-999)")
            << seven + "-999\n" << "Unexpected error # 13 occured: Type mismatch"
            << QStringList{"note1=old note"};
        QTest::newRow("count beyond 16 bits")
            << seven + "40000\n" << "Unexpected error # 6 occured: Overflow"
            << QStringList{"note1=old note"};
        QTest::newRow("count far beyond")
            << seven + "1e400\n" << "Unexpected error # 6 occured: Overflow"
            << QStringList{"note1=old note"};
        QTest::newRow("empty point line")
            << seven + "2\n1 2\n   ! gone\nn1\n"
            << "Unexpected error # 9 occured: Subscript out of range"
            << QStringList{"n=2", "p1=1|2", "note1=old note", "types=IVP"};
    }
    void failures() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        TestForm form(st);
        st.answers.note1 = "old note";
        QVERIFY(!readFile(st, bytes));
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown()[0].title, QStringLiteral("In 'FileReadMe' routine ..."));
        QCOMPARE(boxes.shown()[0].text, text);
        QCOMPARE(boxes.shown()[0].icon, MsgIcon::Critical);
        QCOMPARE(boxes.shown()[0].buttons, MsgButtons::Ok);
        checkFields(dump(st, &form), expected);
    }

    void missingFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("messages");
        QTest::newRow("named file") << "Nope.ode" << 1;
        QTest::newRow("no name: silent") << "" << 0;
        QTest::newRow("a folder is not a file") << "sub" << 1;
    }
    void missingFile() {
        QFETCH(QString, name);
        QFETCH(int, messages);
        QDir(dir_.path()).mkpath("sub");
        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        st.answers.answers[1] = "kept";
        st.recordedName = "Kept.ode";
        QString fileName = name;
        QString folder = dir_.path();
        QVERIFY(!FileReadMe(st, fileName, folder));
        QCOMPARE(boxes.shown().size(), messages);
        if (messages) {
            QCOMPARE(boxes.shown()[0].title, QStringLiteral(" File not found."));
            QCOMPARE(boxes.shown()[0].text, "Missing '" + name + "' file?");
            QCOMPARE(boxes.shown()[0].icon, MsgIcon::Exclamation);
        }
        QCOMPARE(st.answers.answers[1], QStringLiteral("kept"));
        QCOMPARE(st.recordedName, QStringLiteral("Kept.ode"));
        QCOMPARE(st.fullPath, dir_.path() + "/" + name);
    }

    // The solver reads files with no form at all.
    void withoutForm() {
        const QString path = dir_.path() + "/Solo.ode";
        writeBytes(path, kBeam);
        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        QVERIFY(ReadResponseFile(st, path));
        QVERIFY(!st.fileNo.isOpen());
        checkFields(dump(st, nullptr), kBeamRecord.mid(0, kBeamRecord.size() - 1));
        QCOMPARE(boxes.shown().size(), 0);

        writeBytes(path, "P.ode\nY\n1\n2\n3\n4\n5\nx\n");
        QVERIFY(!ReadResponseFile(st, path));
        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY(!st.fileNo.isOpen());

        QVERIFY(!ReadResponseFile(st, dir_.path() + "/Missing.ode"));
        QCOMPARE(boxes.shown().last().text, QStringLiteral("Missing 'Missing.ode' file?"));

        st.msg = nullptr;  // no message seam at all: still no crash
        QVERIFY(!ReadResponseFile(st, dir_.path() + "/Missing.ode"));
    }
};

QTEST_GUILESS_MAIN(TstReader)
#include "tst_reader.moc"
