// Response files: the worked examples written byte for byte and read back, files as people
// edit them by hand and as they go wrong, the failure paths of writing, and the rules on
// the answer set (completeness, grid points, clearing for a new problem).
#include "model/AnswerRules.h"
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "platform/RtError.h"
#include "TestForm.h"
#include "platform/tests/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;
using namespace quadrel::test;
using quadrel::testing::readTestFile;

namespace {

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

QDateTime at(int y, int mo, int d, int h, int mi) { return QDateTime(QDate(y, mo, d), QTime(h, mi)); }

void fillSpring(TestForm &f) {
    const char *boxes[] = {"", "Y'' + (4 * Y) = 0", "", "0", "0 1", "21", ".1"};
    for (int i = 1; i <= 6; ++i) f.box[i] = QString::fromLatin1(boxes[i]);
    f.note1 = "Harmonic test";
}

void fillBeam(TestForm &f) {
    const char *boxes[] = {"", "Y' * Y'' = A * X", "1", "1", "2 1", "11", ".2"};
    for (int i = 1; i <= 6; ++i) f.box[i] = QString::fromLatin1(boxes[i]);
    f.setPoints({{"1", "2"}, {"3", "3.5"}, {"5", "6"}});
    const char *solver[] = {"", "5", "0", "100", "5", "3000", ".0001", "1.e-6"};
    for (int i = 1; i <= 7; ++i) f.solver[i] = QString::fromLatin1(solver[i]);
}

// One set-up for reading or writing: state, message and clock seams, and a form.
struct Rig {
    AppState st;
    ScriptedMessageBoxes boxes;
    FixedClock clock{at(2026, 3, 5, 14, 7)};
    TestForm form{st};
    Rig() {
        st.msg = &boxes;
        st.clock = &clock;
    }
    // Writes as Save does: fileTemp set to the name. The recorded name stays another one,
    // so line 1 shows it is the name written that counts.
    void save(const QString &name, const QString &folder) {
        st.fileTemp = name;
        WriteAnsFile(st, name, folder);
    }
};

}  // namespace

class TstResponse : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.path() + "/" + name; }

    // Reads bytes as the file commands do: open as fileNo, FileReadMe, close.
    bool readFile(AppState &st, const QByteArray &bytes, const QString &name = "In.ode") {
        st.fileNo.openInput(testing::writeTestFile(dir_, name, bytes));
        QString fileName = name;
        QString folder = dir_.path();
        const bool ok = FileReadMe(st, fileName, folder);
        st.fileNo.close();
        return ok;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // ---- reading ----

    // A path splits at its last separator of either kind; an empty one names the current folder.
    void splitFileSpec() {
        const QString cases[][3] = {{"a/b\\c.ode", "c.ode", "a/b"}, {"a\\b/c.ode", "c.ode", "a\\b"},
                                    {"/Beam.ode", "Beam.ode", ""}, {"C:\\Data\\", "", "C:\\Data"},
                                    {"", "", QDir::currentPath()}};
        for (const auto &[path, name, folder] : cases) {
            QString got = "unchanged?";
            QCOMPARE(SplitFileSpec(path, got), name);
            QCOMPARE(got, folder);
        }
    }

    // Whole files, read or refused with a message that names the error; a refused file keeps
    // what was read before the error and the rest of the old record.
    void fileReadMe_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");  // entries of dump() that must match
        QTest::addColumn<QString>("message");       // the error message, or none

        QTest::newRow("boundary problem as written, bare name on line 1")
            << kBeam << kBeamRecord + QStringList{"path=" + QDir::currentPath()} << QString();

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
        Rig r;
        r.st.answers.note1 = "old note";
        QCOMPARE(readFile(r.st, bytes), message.isEmpty());
        QCOMPARE(r.boxes.shown().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(r.boxes.shown()[0].title, QStringLiteral("In 'FileReadMe' routine ..."));
            QCOMPARE(r.boxes.shown()[0].text, message);
            QCOMPARE(r.boxes.shown()[0].icon, MsgIcon::Critical);
        }
        checkFields(dump(r.st, &r.form), expected);
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
        const QString solo = testing::writeTestFile(dir_, "Solo.ode", "P.ode\nY\n1\n2\n3\n4\n5\nx\n");
        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        QVERIFY(!ReadResponseFile(st, solo));
        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY(!st.fileNo.isOpen());
        st.msg = nullptr;
        QVERIFY(!ReadResponseFile(st, dir_.path() + "/Missing.ode"));
    }
    // ---- writing ----

    void workedExamples_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("initial value problem") << "Spring.ode" << at(2026, 3, 5, 14, 7) << kSpring;
        QTest::newRow("boundary value problem") << "Beam.ode" << at(2026, 11, 28, 10, 15) << kBeam;
    }
    void workedExamples() {
        QFETCH(QString, name);
        QFETCH(QDateTime, when);
        QFETCH(QByteArray, bytes);
        // A foreign default locale must not leak into month names or AM/PM.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Rig r;
        r.clock.set(when);
        if (name == "Spring.ode") fillSpring(r.form); else fillBeam(r.form);
        r.save(name, dir_.path());
        QLocale::setDefault(before);
        QCOMPARE(r.st.saveFailed, qint16(0));
        QCOMPARE(r.boxes.shown().size(), 0);
        QVERIFY(!r.st.fileNo.isOpen());
        QCOMPARE(readTestFile(path(name)), bytes);
    }

    // Line 1 keeps exactly 50 characters of the header after "!* " (the 12-hour clock at its
    // edges); the first three solver answers decide between "Y" with seven lines and "N".
    void headerAndSolverBlock_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<QStringList>("solver");  // Remax .. Zero
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("tail");     // the file from the question 22 line on
        QTest::newRow("12 points, only StepsLim: all seven written")
            << 12 << QStringList{"", "", "7", "", "", "", ""} << at(2026, 1, 1, 9, 5)
            << "H.ode  \t\t!*  6,  12, and  7          January 01, 2026 @ 9:05 A"
            << QByteArray("Y\t\t! 22. \xbb Want to change solver variables?\r\n"
                          "-999  \t\t! 1. \xbb REMAX: Maximum iterations.\r\n"
                          "-999  \t\t! 2. \xbb DETAIL: Detailed report every Nth iteration.\r\n7  \t\t! 3.");
        QTest::newRow("midnight, first three blank") << 0 << QStringList{"", "", "", "5", "3000", ".0001", "1.e-6"}
            << at(2026, 1, 1, 0, 0) << "H.ode  \t\t!*  6,  0, and  0          January 01, 2026 @ 12:00 A"
            << QByteArray("N\t\t! 22. \xbb Want to change solver variables?\r\n");
        QTest::newRow("noon fits whole, a single blank counts as filled")
            << 0 << QStringList{" ", "", "", "", "", "", ""} << at(2026, 7, 31, 12, 30)
            << "H.ode  \t\t!*  6,  0, and  7          July 31, 2026 @ 12:30 PM"
            << QByteArray("Y\t\t! 22. \xbb Want to change solver variables?\r\n-999  \t\t! 1.");
    }
    void headerAndSolverBlock() {
        QFETCH(int, points);
        QFETCH(QStringList, solver);
        QFETCH(QDateTime, when);
        QFETCH(QByteArray, tail);
        Rig r;
        r.clock.set(when);
        fillSpring(r.form);
        QList<QPair<QString, QString>> pts;
        for (int i = 1; i <= points; ++i) pts << qMakePair(QString::number(i), QString::number(i * i));
        if (points) r.form.setPoints(pts);
        for (int i = 1; i <= 7; ++i) r.form.solver[i] = solver[i - 1];
        r.save("H.ode", dir_.path());
        const QByteArray bytes = readTestFile(path("H.ode"));
        QTEST(QString::fromLatin1(bytes.left(bytes.indexOf("\r\n"))), "line");
        const QByteArray from = bytes.mid(bytes.indexOf("\r\n", bytes.indexOf("Note2")) + 2);
        QVERIFY2(from.startsWith(tail), from.constData());
        const bool seven = tail.startsWith('Y');
        if (!seven) QCOMPARE(from, tail);
        QCOMPARE(bytes.count("\r\n"), 11 + points + (seven ? 7 : 0));
        QCOMPARE(r.st.answers.nSolverVars, qint16(seven ? 7 : 0));
    }

    // The worked examples pin plain lines, -999 for an empty answer and the cut at 70; the
    // header tests the flagged line cut at 50. Here: only blanks are trimmed, never TABs.
    void ansLine() {
        const QString cases[][3] = {{"   x y  ", "q", "x y  \t\t! q"}, {"a \t  b", "q", "a \t  b  \t\t! q"},
                                    {"\tx\t", "q", "\tx\t  \t\t! q"}, {"x", "", "x  \t\t!"}};
        for (const auto &[answer, question, line] : cases) {
            AppState st;
            st.fileNo.openOutput(path("line.ode"));
            QCOMPARE(WriteAnsLine(st, answer, question), line);
            st.fileNo.close();
            QCOMPARE(readTestFile(path("line.ode")), line.toLatin1() + "\r\n");
        }
    }

    void pointsAndCodePage() {
        Rig r;
        fillSpring(r.form);
        r.form.box[1] = QString::fromUtf8("Y' = \u03b1 * X \u00b2");  // alpha is not in the code page
        r.form.note2 = QString::fromUtf8("\u20ac 5");
        r.form.setPoints({{" 1", "2 "}, {"-3", "4e-2"}, {"", "9"}});
        r.save("P.ode", dir_.path());
        const QByteArray bytes = readTestFile(path("P.ode"));
        QVERIFY(bytes.contains("\r\nY' = ? * X \xb2  \t\t! 1. \xbb State"));
        QVERIFY(bytes.contains("\r\n2  \t\t! Number of BVP_IVP data points\r\n"
                               "1  2  \t\t! Boundary point # 1\r\n"
                               "-3  4e-2  \t\t! Boundary point # 2\r\n"
                               "Harmonic test  \t\t! 20. \xbb Note1\r\n"));
        QVERIFY(bytes.contains("\r\n\x80 5  \t\t!     \xbb Note2\r\n"));
        // The point arrays hold the cells as the grid shows them.
        QCOMPARE(r.st.answers.xValues[1], QStringLiteral(" 1"));
        QCOMPARE(r.st.answers.yValues[1], QStringLiteral("2 "));
        QCOMPARE(r.st.answers.nDataPoints, qint16(2));
    }

    // What the worked examples do not show comes back as it was typed: inner blanks, odd
    // characters, "-999" inside an answer, blank solver answers between filled ones.
    void roundTrip() {
        const QStringList boxes{"Y = sin( X )  *  A", "a b", "x -999", "y   y'  y''", "#5", "1/2",
                                "note: 3*4 = (a, b)", QString::fromUtf8("caf\u00e9 \u00bb end")};
        const QStringList solver{"", "1", "", "", "9", "", ""};
        Rig r;
        for (int i = 1; i <= 6; ++i) r.form.box[i] = boxes[i - 1];
        r.form.note1 = boxes[6];
        r.form.note2 = boxes[7];
        r.form.setPoints({{"-5", "6e3"}});
        for (int i = 1; i <= 7; ++i) r.form.solver[i] = solver[i - 1];
        r.save("RT.ode", dir_.path());

        AppState back;
        ScriptedMessageBoxes boxesBack;
        back.msg = &boxesBack;
        QVERIFY(ReadResponseFile(back, path("RT.ode")));
        QCOMPARE(boxesBack.shown().size(), 0);
        const ProblemAnswers &a = back.answers;
        QStringList got, gotSolver;
        for (size_t i = 1; i <= 6; ++i) got << a.answers[i];
        QCOMPARE(got << a.note1 << a.note2, boxes);
        QCOMPARE(int(a.nDataPoints), 1);
        QCOMPARE(a.xValues[1] + "|" + a.yValues[1], QStringLiteral("-5|6e3"));
        for (size_t i = 1; i <= 7; ++i) gotSolver << a.solverAnswers[i];
        QCOMPARE(gotSolver, solver);
        QCOMPARE(back.recordedName, QStringLiteral("RT.ode"));
    }

    // Targets that cannot be written. "message" targets show the path/file access message
    // and return normally; the others throw their own error to the caller.
    void unwritable_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");  // 75: message shown; otherwise the RtError thrown
        QTest::newRow("read-only file") << "readonly" << int(rterr::PathFileAccess);
        QTest::newRow("folder of that name") << "folder" << int(rterr::PathFileAccess);
        QTest::newRow("no file name") << "noname" << int(rterr::PathFileAccess);
        QTest::newRow("parent is a regular file") << "fileParent" << int(rterr::PathNotFound);
        QTest::newRow("missing folder") << "missingFolder" << int(rterr::PathNotFound);
    }
    void unwritable() {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QTemporaryDir tmp;
        QString folder = tmp.path();
        QString name = "Target.ode";
        const QString target = folder + "/" + name;
        if (kind == "readonly") {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old\r\n") == 5);
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner));
        } else if (kind == "folder") {
            QVERIFY(QDir(folder).mkdir(name));
        } else if (kind == "noname") {
            name.clear();
        } else if (kind == "fileParent") {
            QFile f(folder + "/plain");
            QVERIFY(f.open(QIODevice::WriteOnly));
            folder += "/plain";
        } else if (kind == "missingFolder") {
            folder += "/nowhere";
        }

        Rig r;
        fillSpring(r.form);
        r.st.fileName = "Recorded.ode";  // PutAnswers makes it recordedName
        r.st.fileTemp = name;
        int thrown = 0;
        try {
            WriteAnsFile(r.st, name, folder);
        } catch (const RtError &e) {
            thrown = e.number();
            QCOMPARE(e.description(), RtError::standardDescription(e.number()));
        }
        QCOMPARE(r.st.saveFailed, qint16(1));
        QVERIFY(!r.st.fileNo.isOpen());
        QCOMPARE(thrown, error == rterr::PathFileAccess ? 0 : error);
        QCOMPARE(r.boxes.shown().size(), thrown ? 0 : 1);
        if (!thrown) {
            const MessageRequest &m = r.boxes.shown()[0];
            QCOMPARE(m.title, QStringLiteral("File not saved; Error in 'WriteAnsFile' routine."));
            QCOMPARE(m.icon, MsgIcon::Critical);
            QCOMPARE(m.text,
                     "File Path\\FileName error occured: \r\n"
                     "    Path = " + folder + "\r\n"
                     "    FileName = " + (name.isEmpty() ? QStringLiteral("Recorded.ode") : name) + "\r\n"
                     "\r\n"
                     "If these settings are okay then the error may be do to following:\r\n"
                     "  Ex*.?? files in Quadrel's User directory are for 'read-only'.\r\n"
                     "  Do not save changes in these Example files.  Save changes under other "
                     "names.\r\n");
        }
        if (kind == "readonly") QCOMPARE(readTestFile(target), QByteArray("old\r\n"));

        // A later successful write clears the failure.
        r.st.fileTemp = "Good.ode";
        WriteAnsFile(r.st, "Good.ode", tmp.path());
        QCOMPARE(r.st.saveFailed, qint16(0));
    }

    void equationCheck_data() {
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("fileTemp");
        QTest::addColumn<bool>("existed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("no Y, new file") << "x + 1 = 0" << "E.ode" << false << true;
        QTest::newRow("no Y, existing file is lost") << "x + 1 = 0" << "E.ode" << true << true;
        QTest::newRow("lower case y passes") << "y' = x" << "E.ode" << false << false;
        QTest::newRow("no fileTemp: not checked") << "x + 1 = 0" << "" << false << false;
    }
    void equationCheck() {
        QFETCH(QString, equation);
        QFETCH(QString, fileTemp);
        QFETCH(bool, existed);
        QFETCH(bool, refused);
        QFile::remove(path("E.ode"));
        QFile old(path("E.ode"));
        if (existed) QVERIFY(old.open(QIODevice::WriteOnly) && old.write("precious\r\n") > 0);
        old.close();
        Rig r;
        fillSpring(r.form);
        r.form.box[1] = equation;
        r.st.fileTemp = fileTemp;
        WriteAnsFile(r.st, "E.ode", dir_.path());
        QVERIFY(!r.st.fileNo.isOpen());
        QCOMPARE(r.boxes.shown().size(), refused ? 1 : 0);
        QCOMPARE(r.form.focusRequests, refused ? 1 : 0);
        QCOMPARE(r.st.saveFailed, qint16(refused ? 1 : 0));
        QCOMPARE(QFile::exists(path("E.ode")), !refused);
        if (refused) {
            QCOMPARE(r.boxes.shown()[0].title, QStringLiteral("Equation is empty of 'Y's!"));
            QCOMPARE(r.boxes.shown()[0].text, QStringLiteral("Equation must have some 'Y's in it."));
        }
    }

    // ---- the answer set ----

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
};

QTEST_GUILESS_MAIN(TstResponse)
#include "tst_response.moc"
