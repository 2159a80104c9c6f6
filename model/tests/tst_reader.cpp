// Reading response files: the path split, and whole files as the writer leaves them, as
// people edit them by hand, and as they go wrong.
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "platform/CodePage.h"
#include "TestForm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;
using namespace quadrel::test;

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

    // One line at a time: at the end "-EOF-" for good, with the file closed.
    void lineByLine() {
        const QString path = dir_.path() + "/lines.ode";
        writeBytes(path, "a b ! c\r\n\r\n");
        AppState st;
        st.fileNo.openInput(path);
        QStringList got;
        for (int i = 0; i < 4; ++i) got << ReadAnsLine(st);
        QCOMPARE(got, (QStringList{"a b", "", "-EOF-", "-EOF-"}));
        QVERIFY(!st.fileNo.isOpen());
        QCOMPARE(NormalizePair(" 3.5 ,, 7 "), QStringLiteral("3.5 7"));
    }

    void splitFileSpec_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("mixed, last one wins") << "a/b\\c.ode" << "c.ode" << "a/b";
        QTest::newRow("mixed the other way") << "a\\b/c.ode" << "c.ode" << "a\\b";
        QTest::newRow("root") << "/Beam.ode" << "Beam.ode" << "";
        QTest::newRow("folder only") << "C:\\Data\\" << "" << "C:\\Data";
        QTest::newRow("empty") << "" << "" << QDir::currentPath();
    }
    void splitFileSpec() {
        QFETCH(QString, path);
        QString got = "unchanged?";
        QTEST(SplitFileSpec(path, got), "name");
        QTEST(got, "folder");
    }

    // Whole files, read or refused with a message that names the error; a refused file keeps
    // what was read before the error and the rest of the old record.
    void fileReadMe_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");  // entries of dump() that must match
        QTest::addColumn<QString>("message");       // the error message, or none

        QTest::newRow("boundary problem as written") << kBeam << kBeamRecord << QString();

        QTest::newRow("initial value problem")
            << kSpring << QStringList{"rec=Spring.ode", "a1=Y'' + (4 * Y) = 0", "a2=", "a3=0", "a4=0 1",
                                      "a5=21", "a6=.1", "n=0", "note1=Harmonic test", "note2=",
                                      "chg=N", "nsv=0", "s1=", "s7=", "types=IVP"}
            << QString();

        QTest::newRow("hand edited: commas, blanks, TABs, no comments, LF")
            << QByteArray("  Beam.ode\n\tY' * Y''\t= A * X   \n 1 \n1\n 2   1 ! y y'\n11\n.2\n"
                          " 3 \n1,2\n  3.5 ,  7\t\t! Boundary point # 2\n5\t\t 6\n"
                          "keep  this\n\n Y \n5\n0\n100\n5\n3000\n.0001\n1.e-6\n")
            << QStringList{"rec=Beam.ode", "a1=Y' * Y''= A * X", "a2=1", "a4=2   1", "n=3",
                           "p1=1|2", "p2=3.5|7", "p3=5|6", "note1=keep  this", "note2=",
                           "chg=Y", "nsv=7", "s1=5", "s7=1.e-6", "types=IVP,BVP"} << QString();

        QTest::newRow("one number gives X = Y, three give first and last")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n2\n  7  \n1 2 3\nn1\nn2\nN\n")
            << QStringList{"n=2", "p1=7|7", "p2=1|3", "note1=n1", "note2=n2", "nsv=0"} << QString();

        QTest::newRow("lower case y: no solver lines read")
            << QByteArray(kBeam).replace("Y\t\t! 22.", "y\t\t! 22.")
            << QStringList{"chg=y", "nsv=0", "s1=", "s2=", "s3=", "s4=", "s5=", "s6=", "s7=",
                           "n=3", "p3=5|6"} << QString();

        QTest::newRow("folder with backslashes on line 1")
            << QByteArray(kBeam).replace("Beam.ode  \t\t!*", "C:\\Data\\Beam.ode  \t\t!*")
            << QStringList{"rec=Beam.ode", "path=C:\\Data"} << QString();

        QTest::newRow("bare name on line 1: working folder")
            << kBeam << QStringList{"rec=Beam.ode", "path=" + QDir::currentPath()} << QString();

        QTest::newRow("odd answers, CR line ends, no final end")
            << QByteArray("P.ode\rx -999 ! c\r\t-999 ! c\r  hello  \t  ! c\r\x80 caf\xe9 \x85 !\r5\r6\r"
                          "1\r  1 ,, ,   2  \rn1\rn2\rN")
            << QStringList{"a1=x -999", "a2=-999", "a3=hello", QString::fromUtf8("a4=€ café …"), "a5=5",
                           "n=1", "p1=1|2", "note2=n2", "chg=N"} << QString();

        QTest::newRow("-999.5 and several bangs")
            << QByteArray("P.ode\nY' = X ! c ! d\n-999.5  ! 2. x\n-9990\n!!\n5!\n6 ! ! !\n0\n"
                          "a!b!c\n-999\nN\n")
            << QStringList{"a1=Y' = X", "a2=", "a3=", "a4=", "a5=5", "a6=6", "n=0",
                           "note1=a", "note2="} << QString();

        QTest::newRow("text after the last expected line is ignored")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n0\nn1\nn2\nN\n5\n0\n100\n5\n3000\n1\n2\n"
                          "garbage\n")
            << QStringList{"chg=N", "nsv=0", "s1=", "s6="} << QString();

        QTest::newRow("file ends inside the points: -EOF- stored like answers")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n2\n1 2\n")
            << QStringList{"n=2", "p1=1|2", "p2=-EOF-|-EOF-", "note1=-EOF-", "note2=-EOF-",
                           "chg=-EOF-", "nsv=0", "s1=", "types=IVP,BVP"} << QString();

        QTest::newRow("negative count reads no points")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n-2\nn1\nn2\nN\n")
            << QStringList{"n=-2", "note1=n1", "types=IVP"} << QString();

        QTest::newRow("count in other numeric forms")
            << QByteArray("P.ode\nY\n1\n2\n3\n4\n5\n 1.5e0 \n1 2\n3 4\nn1\nn2\nN\n")
            << QStringList{"n=2", "p2=3|4", "note1=n1"} << QString();
        const QByteArray seven("P.ode\nY\n1\n2\n3\n4\n5\n");
        const QString mismatch = "Unexpected error # 13 occured: Type mismatch";
        QTest::newRow("file ends after line 7") << seven
            << QStringList{"a1=Y", "a6=5", "n=0", "note1=old note", "types=IVP"} << mismatch;
        QTest::newRow("count not a number") << seven + "three\nn1\n" << QStringList{"note1=old note"} << mismatch;
        QTest::newRow("empty file") << QByteArray() << QStringList{"a1=-EOF-", "note1=old note"} << mismatch;
        QTest::newRow("count beyond 16 bits")
            << seven + "40000\n" << QStringList{"note1=old note"} << QString("Unexpected error # 6 occured: Overflow");
        QTest::newRow("point line without a number") << seven + "2\n1 2\n , ,  ! gone\nn1\n"
            << QStringList{"n=2", "p1=1|2", "note1=old note", "types=IVP"}
            << QString("Unexpected error # 9 occured: Subscript out of range");
    }
    void fileReadMe() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        TestForm form(st);
        st.answers.note1 = "old note";
        QCOMPARE(readFile(st, bytes), message.isEmpty());
        QCOMPARE(boxes.shown().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(boxes.shown()[0].title, QStringLiteral("In 'FileReadMe' routine ..."));
            QCOMPARE(boxes.shown()[0].text, message);
            QCOMPARE(boxes.shown()[0].icon, MsgIcon::Critical);
        }
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

    // The solver reads files with no form and maybe no message seam (the demo files' test
    // reads good files that way).
    void withoutForm() {
        const QString path = dir_.path() + "/Solo.ode";
        writeBytes(path, "P.ode\nY\n1\n2\n3\n4\n5\nx\n");
        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        QVERIFY(!ReadResponseFile(st, path));
        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY(!st.fileNo.isOpen());
        st.msg = nullptr;
        QVERIFY(!ReadResponseFile(st, dir_.path() + "/Missing.ode"));
    }
};

QTEST_GUILESS_MAIN(TstReader)
#include "tst_reader.moc"
