// Writing response files: the worked examples byte for byte, the header, the line rules,
// the round trip through the reader, and the failure paths.
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "platform/RtError.h"
#include "TestForm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace quadrel;
using namespace quadrel::test;

namespace {

QByteArray readBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return f.readAll();
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

// One writer set-up: state, message and clock seams, and a form.
struct Rig {
    AppState st;
    ScriptedMessageBoxes boxes;
    FixedClock clock{at(2026, 3, 5, 14, 7)};
    TestForm form{st};
    Rig() {
        st.msg = &boxes;
        st.clock = &clock;
    }
    // Writes as Save does: fileTemp set to the name.
    void save(const QString &name, const QString &folder) {
        st.fileName = name;
        st.fileTemp = name;
        WriteAnsFile(st, name, folder);
    }
};

}  // namespace

class TstWriter : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.path() + "/" + name; }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

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
        QCOMPARE(readBytes(path(name)), bytes);
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
        const QByteArray bytes = readBytes(path("H.ode"));
        QTEST(QString::fromLatin1(bytes.left(bytes.indexOf("\r\n"))), "line");
        const QByteArray from = bytes.mid(bytes.indexOf("\r\n", bytes.indexOf("Note2")) + 2);
        QVERIFY2(from.startsWith(tail), from.constData());
        const bool seven = tail.startsWith('Y');
        if (!seven) QCOMPARE(from, tail);
        QCOMPARE(bytes.count("\r\n"), 11 + points + (seven ? 7 : 0));
        QCOMPARE(r.st.answers.nSolverVars, qint16(seven ? 7 : 0));
    }

    // The worked examples pin plain lines, -999 for an empty answer and the cut at 70.
    void ansLine_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("flagged");
        QTest::addColumn<QString>("line");
        QTest::newRow("outer blanks trimmed") << "   x y  " << "q" << false << "x y  \t\t! q";
        QTest::newRow("inner blanks and TABs kept") << "a \t  b" << "q" << false << "a \t  b  \t\t! q";
        QTest::newRow("outer TABs are not blanks") << "\tx\t" << "q" << false << "\tx\t  \t\t! q";
        QTest::newRow("empty question") << "x" << "" << false << "x  \t\t!";
        QTest::newRow("flagged cut at 50")
            << "F" << QString(69, 'q') + "rs" << true << "F  \t\t!* " + QString(50, 'q');
    }
    void ansLine() {
        QFETCH(QString, answer);
        QFETCH(QString, question);
        QFETCH(bool, flagged);
        QFETCH(QString, line);
        AppState st;
        st.fileNo.openOutput(path("line.ode"));
        QCOMPARE(WriteAnsLine(st, answer, question, flagged), line);
        st.fileNo.close();
        QCOMPARE(readBytes(path("line.ode")), line.toLatin1() + "\r\n");
    }

    void pointsAndCodePage() {
        Rig r;
        fillSpring(r.form);
        r.form.box[1] = QString::fromUtf8("Y' = \u03b1 * X \u00b2");  // alpha is not in the code page
        r.form.note2 = QString::fromUtf8("\u20ac 5");
        r.form.setPoints({{" 1", "2 "}, {"-3", "4e-2"}, {"", "9"}});
        r.save("P.ode", dir_.path());
        const QByteArray bytes = readBytes(path("P.ode"));
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
        QTest::newRow("denied folder") << "deniedFolder" << int(rterr::PathFileAccess);
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
        } else if (kind == "deniedFolder") {
            if (::geteuid() == 0) QSKIP("folder permissions do not bind root");
            folder += "/locked";
            QVERIFY(QDir(tmp.path()).mkdir("locked"));
            QVERIFY(QFile(folder).setPermissions(QFile::ReadOwner | QFile::ExeOwner));
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
        if (kind == "readonly") QCOMPARE(readBytes(target), QByteArray("old\r\n"));
        if (kind == "deniedFolder") QFile(folder).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

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

    // A demo run keeps the recorded name; otherwise PutAnswers takes the file name.
    void lineOneName() {
        Rig r;
        fillSpring(r.form);
        r.st.fileName = "Spring.ode";
        r.st.fileTemp = "Spring.ode";
        WriteAnsFile(r.st, "Other.ode", dir_.path());
        QVERIFY(readBytes(path("Other.ode")).startsWith("Other.ode  \t\t!*"));
        QCOMPARE(r.st.recordedName, QStringLiteral("Spring.ode"));
    }
};

QTEST_GUILESS_MAIN(TstWriter)
#include "tst_writer.moc"
