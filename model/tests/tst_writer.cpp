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
using quadrel::test::TestForm;

namespace {

QByteArray readBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return f.readAll();
}

const QByteArray kSpring =
    "Spring.ode  \t\t!*  6,  0, and  0          March 05, 2026 @ 2:07 PM\r\n"
    "Y'' + (4 * Y) = 0  \t\t! 1. \xbb State an ODE  using terms X, Y, Y', Y'', etc. where each apostrop\r\n"
    "-999  \t\t! 2. \xbb 'A' parameter initial value, if any in equation?\r\n"
    "0  \t\t! 3. \xbb x0, starting point for x-axis; ie. position for 'Constants of Int\r\n"
    "0 1  \t\t! 4. \xbb Initial values for 'Constants of Integration' in Y, Y', Y'', etc.\r\n"
    "21  \t\t! 5. \xbb Number of (X,Y) data points for plot?\r\n"
    ".1  \t\t! 6. \xbb (Delta_x) step size between points in plot; 1st point is x0 (see\r\n"
    "0  \t\t! Number of BVP_IVP data points\r\n"
    "Harmonic test  \t\t! 20. \xbb Note1\r\n"
    "-999  \t\t!     \xbb Note2\r\n"
    "N\t\t! 22. \xbb Want to change solver variables?\r\n";

const QByteArray kBeam =
    "Beam.ode  \t\t!*  6,  3, and  7          November 28, 2026 @ 10:15\r\n"
    "Y' * Y'' = A * X  \t\t! 1. \xbb State an ODE  using terms X, Y, Y', Y'', etc. where each apostrop\r\n"
    "1  \t\t! 2. \xbb 'A' parameter initial value, if any in equation?\r\n"
    "1  \t\t! 3. \xbb x0, starting point for x-axis; ie. position for 'Constants of Int\r\n"
    "2 1  \t\t! 4. \xbb Initial values for 'Constants of Integration' in Y, Y', Y'', etc.\r\n"
    "11  \t\t! 5. \xbb Number of (X,Y) data points for plot?\r\n"
    ".2  \t\t! 6. \xbb (Delta_x) step size between points in plot; 1st point is x0 (see\r\n"
    "3  \t\t! Number of BVP_IVP data points\r\n"
    "1  2  \t\t! Boundary point # 1\r\n"
    "3  3.5  \t\t! Boundary point # 2\r\n"
    "5  6  \t\t! Boundary point # 3\r\n"
    "-999  \t\t! 20. \xbb Note1\r\n"
    "-999  \t\t!     \xbb Note2\r\n"
    "Y\t\t! 22. \xbb Want to change solver variables?\r\n"
    "5  \t\t! 1. \xbb REMAX: Maximum iterations.\r\n"
    "0  \t\t! 2. \xbb DETAIL: Detailed report every Nth iteration.\r\n"
    "100  \t\t! 3. \xbb STEPSLIM: Limit # of steps per iteration.\r\n"
    "5  \t\t! 4. \xbb STEPOUT: Provides snapshot prints every N steps.\r\n"
    "3000  \t\t! 5. \xbb EVALMAX: Limit total # of model evaluations.\r\n"
    ".0001  \t\t! 6. \xbb ACCURACY: Final convergence tolerance.\r\n"
    "1.e-6  \t\t! 7. \xbb ZERO: Iteration convergent tolerance.\r\n";

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

    void headerDate_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("text");
        QTest::newRow("afternoon") << at(2026, 3, 5, 14, 7) << "March 05, 2026 @ 2:07 PM";
        QTest::newRow("midnight") << at(2026, 1, 1, 0, 0) << "January 01, 2026 @ 12:00 AM";
        QTest::newRow("noon") << at(2026, 7, 31, 12, 30) << "July 31, 2026 @ 12:30 PM";
    }
    void headerDate() {
        QFETCH(QDateTime, when);
        QFETCH(QString, text);
        QCOMPARE(formatHeaderDate(when), text);
    }

    // Line 1 keeps exactly 50 characters of the header after "!* ".
    void headerLine_data() {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("solver");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("line");
        QTest::newRow("12 points and 7 solver variables")
            << 12 << true << at(2026, 1, 1, 9, 5)
            << "H.ode  \t\t!*  6,  12, and  7          January 01, 2026 @ 9:05 A";
        QTest::newRow("cut leaves a blank, which goes")
            << 3 << true << at(2026, 11, 28, 10, 15)
            << "H.ode  \t\t!*  6,  3, and  7          November 28, 2026 @ 10:15";
        QTest::newRow("short month fits whole")
            << 0 << false << at(2026, 5, 5, 1, 1)
            << "H.ode  \t\t!*  6,  0, and  0          May 05, 2026 @ 1:01 AM";
    }
    void headerLine() {
        QFETCH(int, points);
        QFETCH(bool, solver);
        QFETCH(QDateTime, when);
        QFETCH(QString, line);
        Rig r;
        r.clock.set(when);
        fillSpring(r.form);
        if (points) {
            QList<QPair<QString, QString>> pts;
            for (int i = 1; i <= points; ++i) pts << qMakePair(QString::number(i), QString::number(i * i));
            r.form.setPoints(pts);
        }
        if (solver) r.form.solver[1] = "5";
        r.save("H.ode", dir_.path());
        const QByteArray bytes = readBytes(path("H.ode"));
        const QString first = QString::fromLatin1(bytes.left(bytes.indexOf("\r\n")));
        QCOMPARE(first, line);
        QCOMPARE(bytes.count("\r\n"), 11 + points + (solver ? 7 : 0));
    }

    void ansLine_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("flagged");
        QTest::addColumn<QString>("line");
        const QString q70 = QString(69, 'q') + "rs";  // 71 characters
        QTest::newRow("plain") << "x" << "q" << false << "x  \t\t! q";
        QTest::newRow("outer blanks trimmed") << "   x y  " << "q" << false << "x y  \t\t! q";
        QTest::newRow("empty is -999") << "" << "q" << false << "-999  \t\t! q";
        QTest::newRow("inner blanks and TABs kept") << "a \t  b" << "q" << false << "a \t  b  \t\t! q";
        QTest::newRow("outer TABs are not blanks") << "\tx\t" << "q" << false << "\tx\t  \t\t! q";
        QTest::newRow("cut at 70") << "x" << q70 << false << "x  \t\t! " + QString(69, 'q') + "r";
        QTest::newRow("cut leaves a blank")
            << "x" << captions::question(6) << false
            << QString::fromUtf8("x  \t\t! 6. \u00bb (Delta_x) step size between points in plot; "
                                 "1st point is x0 (see");
        QTest::newRow("empty question") << "x" << "" << false << "x  \t\t!";
        QTest::newRow("flagged cut at 50") << "F" << q70 << true << "F  \t\t!* " + QString(50, 'q');
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
        QCOMPARE(readBytes(path("line.ode")), QByteArray(line.toUtf8()).replace("\xc2\xbb", "\xbb") + "\r\n");
    }

    // Which solver answers decide between "Y" with seven lines and "N" with none.
    void solverBlock_data() {
        QTest::addColumn<QStringList>("solver");  // Remax .. Zero
        QTest::addColumn<QByteArray>("tail");     // the file from the question 22 line on
        QTest::addColumn<QString>("header");
        QTest::newRow("first three blank, others filled")
            << QStringList{"", "", "", "5", "3000", ".0001", "1.e-6"}
            << QByteArray("N\t\t! 22. \xbb Want to change solver variables?\r\n") << " 0";
        QTest::newRow("all blank")
            << QStringList{"", "", "", "", "", "", ""}
            << QByteArray("N\t\t! 22. \xbb Want to change solver variables?\r\n") << " 0";
        QTest::newRow("only StepsLim: all seven written")
            << QStringList{"", "", "7", "", "", "", ""}
            << QByteArray("Y\t\t! 22. \xbb Want to change solver variables?\r\n"
                          "-999  \t\t! 1. \xbb REMAX: Maximum iterations.\r\n"
                          "-999  \t\t! 2. \xbb DETAIL: Detailed report every Nth iteration.\r\n"
                          "7  \t\t! 3.")
            << " 7";
        QTest::newRow("a single blank counts as filled")
            << QStringList{" ", "", "", "", "", "", ""}
            << QByteArray("Y\t\t! 22. \xbb Want to change solver variables?\r\n-999  \t\t! 1.")
            << " 7";
    }
    void solverBlock() {
        QFETCH(QStringList, solver);
        QFETCH(QByteArray, tail);
        QFETCH(QString, header);
        Rig r;
        fillSpring(r.form);
        for (int i = 1; i <= 7; ++i) r.form.solver[i] = solver[i - 1];
        r.save("S.ode", dir_.path());
        const QByteArray bytes = readBytes(path("S.ode"));
        const QByteArray from = bytes.mid(bytes.indexOf("\r\n", bytes.indexOf("Note2")) + 2);
        QVERIFY2(from.startsWith(tail), from.constData());
        if (tail.endsWith("\r\n")) QCOMPARE(from, tail);
        QVERIFY(bytes.startsWith("S.ode  \t\t!*  6,  0, and " + header.toLatin1() + "   "));
        QCOMPARE(r.st.answers.nSolverVars, qint16(header.trimmed().toShort()));
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

    void roundTrip_data() {
        QTest::addColumn<QStringList>("boxes");   // answers 1..6, note1, note2
        QTest::addColumn<QStringList>("points");  // x1, y1, x2, y2, ...
        QTest::addColumn<QStringList>("solver");  // 7 written, expected back
        QTest::addColumn<QStringList>("solverBack");
        const QStringList none{"", "", "", "", "", "", ""};
        const QStringList defaults{"5", "0", "100", "5", "3000", ".0001", "1.e-6"};
        QTest::newRow("initial value problem, blanks")
            << QStringList{"Y'' + (4 * Y) = 0", "", "0", "0 1", "21", ".1", "Harmonic test", ""}
            << QStringList{} << none << none;
        QTest::newRow("boundary problem with solver values")
            << QStringList{"Y' * Y'' = A * X", "1", "1", "2 1", "11", ".2", "", "n2"}
            << QStringList{"1", "2", "3", "3.5", "-5", "6e3"} << defaults << defaults;
        QTest::newRow("inner blanks, odd characters, -999 inside")
            << QStringList{"Y = sin( X )  *  A", "a b", "x -999", "y   y'  y''", "#5", "1/2",
                           "note: 3*4 = (a, b)", QString::fromUtf8("caf\u00e9 \u00bb end")}
            << QStringList{"0.5", "1"} << none << none;
        QTest::newRow("solver values dropped when the first three are blank")
            << QStringList{"Y", "1", "2", "3", "4", "5", "", ""} << QStringList{}
            << QStringList{"", "", "", "5", "3000", ".0001", "1.e-6"} << none;
        QTest::newRow("blank solver answers come back blank")
            << QStringList{"Y", "1", "2", "3", "4", "5", "", ""} << QStringList{}
            << QStringList{"", "1", "", "", "9", "", ""}
            << QStringList{"", "1", "", "", "9", "", ""};
    }
    void roundTrip() {
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, points);
        QFETCH(QStringList, solver);
        QFETCH(QStringList, solverBack);
        Rig r;
        for (int i = 1; i <= 6; ++i) r.form.box[i] = boxes[i - 1];
        r.form.note1 = boxes[6];
        r.form.note2 = boxes[7];
        QList<QPair<QString, QString>> pts;
        for (int i = 0; i + 1 < points.size(); i += 2) pts << qMakePair(points[i], points[i + 1]);
        if (!pts.isEmpty()) r.form.setPoints(pts);
        for (int i = 1; i <= 7; ++i) r.form.solver[i] = solver[i - 1];
        r.save("RT.ode", dir_.path());
        QCOMPARE(r.st.saveFailed, qint16(0));

        AppState back;
        ScriptedMessageBoxes boxesBack;
        back.msg = &boxesBack;
        QVERIFY(ReadResponseFile(back, path("RT.ode")));
        QCOMPARE(boxesBack.shown().size(), 0);
        const ProblemAnswers &a = back.answers;
        for (size_t i = 1; i <= 6; ++i) QCOMPARE(a.answers[i], boxes[int(i) - 1]);
        QCOMPARE(a.note1, boxes[6]);
        QCOMPARE(a.note2, boxes[7]);
        QCOMPARE(int(a.nDataPoints), int(pts.size()));
        for (int i = 1; i <= pts.size(); ++i) {
            QCOMPARE(a.xValues[size_t(i)], pts[i - 1].first);
            QCOMPARE(a.yValues[size_t(i)], pts[i - 1].second);
        }
        for (size_t i = 1; i <= 7; ++i) QCOMPARE(a.solverAnswers[i], solverBack[int(i) - 1]);
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
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old\r\n");
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
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
        if (error == rterr::PathFileAccess) {
            QCOMPARE(thrown, 0);
            QCOMPARE(r.boxes.shown().size(), 1);
            const MessageRequest &m = r.boxes.shown()[0];
            QCOMPARE(m.title, QStringLiteral("File not saved; Error in 'WriteAnsFile' routine."));
            QCOMPARE(m.icon, MsgIcon::Critical);
            QCOMPARE(m.buttons, MsgButtons::Ok);
            QCOMPARE(m.text,
                     "File Path\\FileName error occured: \r\n"
                     "    Path = " + folder + "\r\n"
                     "    FileName = " + (name.isEmpty() ? QStringLiteral("Recorded.ode") : name) + "\r\n"
                     "\r\n"
                     "If these settings are okay then the error may be do to following:\r\n"
                     "  Ex*.?? files in Quadrel's User directory are for 'read-only'.\r\n"
                     "  Do not save changes in these Example files.  Save changes under other "
                     "names.\r\n");
        } else {
            QCOMPARE(thrown, error);
            QCOMPARE(r.boxes.shown().size(), 0);
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
        QTest::newRow("Y anywhere passes") << "A * sinh(X) = 0 ! y" << "E.ode" << false << false;
        QTest::newRow("no fileTemp: not checked") << "x + 1 = 0" << "" << false << false;
    }
    void equationCheck() {
        QFETCH(QString, equation);
        QFETCH(QString, fileTemp);
        QFETCH(bool, existed);
        QFETCH(bool, refused);
        QFile::remove(path("E.ode"));
        if (existed) {
            QFile f(path("E.ode"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("precious\r\n");
        }
        Rig r;
        fillSpring(r.form);
        r.form.box[1] = equation;
        r.st.fileTemp = fileTemp;
        WriteAnsFile(r.st, "E.ode", dir_.path());
        QVERIFY(!r.st.fileNo.isOpen());
        if (refused) {
            QCOMPARE(r.boxes.shown().size(), 1);
            QCOMPARE(r.boxes.shown()[0].title, QStringLiteral("Equation is empty of 'Y's!"));
            QCOMPARE(r.boxes.shown()[0].text, QStringLiteral("Equation must have some 'Y's in it."));
            QCOMPARE(r.boxes.shown()[0].icon, MsgIcon::Critical);
            QVERIFY(!QFile::exists(path("E.ode")));
            QCOMPARE(r.form.focusRequests, 1);
            QCOMPARE(r.st.saveFailed, qint16(1));
        } else {
            QCOMPARE(r.boxes.shown().size(), 0);
            QVERIFY(readBytes(path("E.ode")).endsWith("Want to change solver variables?\r\n"));
            QCOMPARE(r.form.focusRequests, 0);
            QCOMPARE(r.st.saveFailed, qint16(0));
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
