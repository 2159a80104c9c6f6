// The solver program and run-VADE as processes: outputs, exit status, standard error, and
// the batch's copies in folders whose names hold blanks.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A response file in the format the program writes: answer, two blanks, two TABs, comment.
QByteArray odeFile(const QString &equation, const QString &x0, const QString &init,
                   const QString &points = "11", const QString &dx = ".1",
                   const QStringList &data = {}, const QStringList &solverVars = {}) {
    QStringList lines;
    auto add = [&](const QString &answer, const QString &comment) {
        lines << (answer.isEmpty() ? QStringLiteral("-999") : answer) + "  \t\t! " + comment;
    };
    const QString answers[] = {"Test.ode", equation, "", x0, init, points, dx};
    for (int i = 0; i < 7; ++i) add(answers[i], i ? QString::number(i) + "." : "header");
    add(QString::number(data.size()), "Number of BVP_IVP data points");
    for (const QString &d : data) add(d, "Boundary point");
    add("", "20. Note1");
    add("", "Note2");
    lines << (solverVars.isEmpty() ? "N" : "Y") + QStringLiteral("\t\t! 22.");
    for (const QString &v : solverVars) add(v, "solver variable");
    return lines.join("\r\n").toLatin1() + "\r\n";
}
const QByteArray kSpring = odeFile("Y'' + (4 * Y) = 0", "0", "0 1");
const QByteArray kPlain = odeFile("Y' = X", "0", "0");

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Both programs copied into a folder of their own, as the program's installation has them.
void install(const QString &folder) {
    QVERIFY(QDir().mkpath(folder));
    for (const QString &from : {QStringLiteral(VADE_PATH), QStringLiteral(RUN_VADE_PATH)}) {
        const QString to = folder + "/" + QFileInfo(from).fileName();
        QVERIFY(QFile::copy(from, to));
        QFile::setPermissions(to, QFile::permissions(to) | QFile::ExeOwner);
    }
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run run(const QString &program, const QStringList &args, const QString &folder, bool unprivileged = false) {
    QProcess p;
    // Root may write anywhere: a read-only folder needs an ordinary user to mean anything.
    if (unprivileged)
        p.setChildProcessModifier([] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(9);
        });
    p.setWorkingDirectory(folder);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(30000)) return r;  // QProcess kills it on the way out
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

}  // namespace

class TstVade : public QObject {
    Q_OBJECT
private slots:
    void exitStatusAndStandardError_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("stderrText");
        // A failure named by its operation and column.
        QTest::newRow("SQRT of a negative") << odeFile("Y' = SQRT(-1 - Y)", "0", "1") << 1 << QByteArray("SQRT of a negative number (-2) at column 6");
        // Plot ranges refused before solving.
        QTest::newRow("plot range overflows") << odeFile("Y' = X", "0", "1", "21", "1e308") << 2 << QByteArray("not a finite number");
        QTest::newRow("plot points not distinct") << odeFile("Y' = X", "1e308", "1", "21") << 2 << QByteArray("not distinct");
        QTest::newRow("limit reached") << odeFile("Y'' + (4 * Y) = 0", "0", "0 1", "11", ".1", {}, {"5", "0", "2", "0", "3000", ".0001", "1.e-6"}) << 3 << QByteArray("STEPSLIM");
        // Limits: refused at once with a message naming the limit.
        QTest::newRow("10 MB file") << odeFile(QString(10 << 20, '('), "0", "1") << 2 << QByteArray("the limit is 4194304 bytes");
        QTest::newRow("long equation") << odeFile("Y' =" + QString(100000, ' ') + "X", "0", "1") << 2 << QByteArray("100005 characters long; the limit is 100000");
        QTest::newRow("plot points") << odeFile("Y' = X", "0", "1", "100001") << 2 << QByteArray("from 1 to 100000");
        QTest::newRow("data points") << odeFile("Y' = X", "0", "1", "11", ".1", QStringList(10001, "1 2")) << 2 << QByteArray("10001 data points; the limit is 10000");
        QTest::newRow("file ends early") << QByteArray("Test.ode\r\nY' = X\r\n") << 2 << QByteArray("cannot be read");
    }
    void exitStatusAndStandardError() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, stderrText);
        QTemporaryDir dir;
        writeFile(dir.filePath("Bad.ode"), file);
        const Run r = run(QStringLiteral(VADE_PATH), {"Bad.ode"}, dir.path());
        QTEST(r.exitCode, "status");
        QVERIFY2(r.err.contains(stderrText), r.err.constData());
        // The report says why, so the viewer shows it too.
        const QByteArray report = readAll(dir.filePath("~Quadrel.out"));
        QVERIFY(report.contains("FAILED") || report.contains("STOPPED"));
        QVERIFY(report.size() < 10000);  // no huge equation echoed
        QVERIFY(QFile::exists(dir.filePath("~4plots.plt")));
    }

    // run-VADE, run from the input's folder, in folders whose names hold blanks: the copies go
    // to the user folder's output folder, also when the solver fails; when they cannot be
    // made it says so; no output ever replaces the input.
    void runVade_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("input");  // relative to the temporary root
        QTest::addColumn<QString>("user");   // "/taken": the user folder's place is a plain file
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");
        const QString ex = "run here/with blanks/My Ex.Spring.ode";
        QTest::newRow("relative user folder, exit") << kSpring << ex << "my user" << "exit" << 0 << QByteArray("Solved");
        QTest::newRow("absolute user folder, wait") << kSpring << ex << "/abs user" << "wait" << 0 << QByteArray("Press Enter");
        QTest::newRow("solver fails") << odeFile("Y' = 1 / X", "0", "1") << ex << "demos" << "exit" << 1 << QByteArray("Division by zero");
        QTest::newRow("copies cannot be made") << kPlain << ex << "/taken" << "exit" << 4 << QByteArray("cannot");
        const QByteArray itself("is the input file itself; it is not overwritten");
        QTest::newRow("input has the copy's name") << kPlain << "my program dir/User/output/self.plt" << "User" << "exit" << 4 << itself;
        QTest::newRow("input has the plot file's name") << kPlain << "run here/~4plots.plt" << "User" << "exit" << 4 << itself;
    }
    void runVade() {
        QFETCH(QByteArray, file);
        QFETCH(QString, input);
        QFETCH(QString, user);
        QFETCH(QString, mode);
        QFETCH(int, status);
        QTemporaryDir root;
        const QString prog = root.filePath("my program dir");
        install(prog);
        const QFileInfo in(root.filePath(input));
        QVERIFY(QDir().mkpath(in.path()));
        writeFile(in.filePath(), file);
        if (user.startsWith('/')) user = root.path() + user;
        if (user.endsWith("/taken")) writeFile(user, "x");
        const Run r = run(prog + "/run-VADE", {in.fileName(), user, mode}, in.path());
        QCOMPARE(r.exitCode, status);
        QFETCH(QByteArray, said);
        QVERIFY2((r.out + r.err).contains(said), (r.out + r.err).constData());
        QCOMPARE(readAll(in.filePath()), file);
        if (status == 4) {  // the solver's own outputs stand
            QVERIFY(readAll(in.path() + "/~Quadrel.out").contains("SOLVED"));
            return;
        }
        const QString out = (user.startsWith('/') ? user : prog + "/" + user) + "/output/My Ex.Spring.";
        QVERIFY(readAll(out + "out").contains(status ? "FAILED" : "SOLVED"));
        QCOMPARE(readAll(out + "plt"), readAll(in.path() + "/~4plots.plt"));
    }

    void outputsThatCannotBeWritten_data() {
        QTest::addColumn<QString>("full");  // the output that leads to /dev/full; "" read-only folder
        QTest::newRow("report on a full disk") << "~Quadrel.out";
        QTest::newRow("plot on a full disk") << "~4plots.plt";
        QTest::newRow("copy on a full disk") << "copy.out";
        QTest::newRow("read-only folder") << "";
    }
    void outputsThatCannotBeWritten() {
        QFETCH(QString, full);
        QTemporaryDir dir;
        writeFile(dir.filePath("Ok.ode"), kPlain);
        QVERIFY(full.isEmpty() ? ::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0
                               : QFile::link("/dev/full", dir.filePath(full)));
        const Run r = run(QStringLiteral(VADE_PATH), {"Ok.ode", dir.filePath("copy")}, dir.path(), full.isEmpty());
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        QCOMPARE(r.exitCode, 4);
        const QByteArray named = (full.isEmpty() ? "~Quadrel.out" : full).toLatin1();
        QVERIFY2(r.err.contains("cannot write") && r.err.contains(named), r.err.constData());
        QCOMPARE(r.out.contains("see ~Quadrel.out"), named != "~Quadrel.out");
    }

    void fileNamesAsBytes_data() {
        QTest::addColumn<QByteArray>("create");    // file made in the run folder ("" none)
        QTest::addColumn<QByteArray>("argument");  // printf format of the name given to vade
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");   // on standard output or error
        QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9.ode") << QByteArray("caf\\351.ode") << 0 << QByteArray("caf\xc3\xa9.ode: Y'");
        QTest::newRow("missing, Latin-1 byte") << QByteArray() << QByteArray("n\\351ant.ode") << 2 << QByteArray("Missing 'n\xc3\xa9" "ant.ode' file?");
        QTest::newRow("folder") << QByteArray() << QByteArray("/tmp") << 2 << QByteArray("'/tmp' is a folder, not a response file.");
        QTest::newRow("device") << QByteArray() << QByteArray("/dev/zero") << 2 << QByteArray("'/dev/zero' is a device, a pipe or a socket");
    }
    void fileNamesAsBytes() {
        QFETCH(QByteArray, create);
        QFETCH(QByteArray, argument);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        const QByteArray created = QFile::encodeName(dir.path()) + "/" + create;
        std::FILE *f = create.isEmpty() ? nullptr : std::fopen(created.constData(), "wb");
        if (f) {
            std::fwrite(kPlain.constData(), 1, size_t(kPlain.size()), f);
            std::fclose(f);
        }
        // The name's bytes reach vade untouched through printf, under the C locale.
        const QString script = "export LC_ALL=C; exec \"$0\" \"$(printf '" + QString::fromLatin1(argument) + "')\"";
        const Run r = run("/bin/sh", {"-c", script, QStringLiteral(VADE_PATH)}, dir.path());
        if (f) std::remove(created.constData());  // QTemporaryDir cannot: not UTF-8
        QTEST(r.exitCode, "status");
        QVERIFY2((r.out + r.err).contains(message), (r.out + r.err).constData());
    }
};

QTEST_GUILESS_MAIN(TstVade)
#include "tst_vade.moc"
