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
QByteArray odeFile(const QString &equation, const QString &a, const QString &x0,
                   const QString &init, const QString &points, const QString &dx,
                   const QStringList &data = {}, const QStringList &solverVars = {}) {
    QStringList lines;
    auto add = [&](const QString &answer, const QString &comment) {
        lines << (answer.isEmpty() ? QStringLiteral("-999") : answer) + "  \t\t! " + comment;
    };
    add("Test.ode", "header");
    add(equation, "1.");
    add(a, "2.");
    add(x0, "3.");
    add(init, "4.");
    add(points, "5.");
    add(dx, "6.");
    add(QString::number(data.size()), "Number of BVP_IVP data points");
    for (const QString &d : data) add(d, "Boundary point");
    add("", "20. Note1");
    add("", "Note2");
    lines << (solverVars.isEmpty() ? "N" : "Y") + QStringLiteral("\t\t! 22.");
    for (const QString &v : solverVars) add(v, "solver variable");
    return lines.join("\r\n").toLatin1() + "\r\n";
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run run(const QString &program, const QStringList &args, const QString &folder,
        bool unprivileged = false) {
    QProcess p;
    // Root may write anywhere: a read-only folder needs an ordinary user to mean anything.
    if (unprivileged)
        p.setChildProcessModifier([] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(9);
        });
    p.setWorkingDirectory(folder);
    p.setProgram(program);
    p.setArguments(args);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TstVade : public QObject {
    Q_OBJECT
private slots:
    void solvesAndWritesBothOutputs();
    void exitStatusAndStandardError_data();
    void exitStatusAndStandardError();
    void runVadeCopiesIntoFoldersWithBlanks_data();
    void runVadeCopiesIntoFoldersWithBlanks();
    void runVadePassesOnFailure();
    void runVadeSaysWhenCopiesFail();
    void outputsThatCannotBeWritten_data();
    void outputsThatCannotBeWritten();
    void fileNamesAsBytes_data();
    void fileNamesAsBytes();
    void outputsNeverReplaceTheInput_data();
    void outputsNeverReplaceTheInput();
};

void TstVade::solvesAndWritesBothOutputs() {
    QTemporaryDir dir;
    writeFile(dir.filePath("Spring.ode"),
              odeFile("Y'' + (4 * Y) = 0", "", "0", "0 1", "21", ".1"));
    const Run r = run(QStringLiteral(VADE_PATH), {"Spring.ode"}, dir.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    const QByteArray report = readAll(dir.filePath("~Quadrel.out"));
    QVERIFY(report.contains("SOLVED"));
    QVERIFY(report.contains("Y'' + (4 * Y) = 0"));
    const QByteArray plot = readAll(dir.filePath("~4plots.plt"));
    QVERIFY(plot.startsWith("#"));
    // Row x = 1: sin(2)/2 and cos(2) to the digits shown.
    QVERIFY(plot.contains("\n1 0.4546487134"));
}

void TstVade::exitStatusAndStandardError_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("stderrText");
    QTest::newRow("division by zero") << odeFile("Y' = 1 / X", "", "0", "1", "11", ".1") << 1
                                      << QByteArray("Division by zero");
    // Each failure named by its operation and column.
    QTest::newRow("SQRT of a negative") << odeFile("Y' = SQRT(-1 - Y)", "", "0", "1", "11", ".1")
                                        << 1 << QByteArray("SQRT of a negative number (-2) at column 6");
    QTest::newRow("LOG of a negative") << odeFile("Y' = LOG( X)", "", "-1", "1", "11", ".1") << 1
                                       << QByteArray("LOG of a non-positive number (-1) at column 6");
    QTest::newRow("EXP overflow") << odeFile("Y' = EXP( 1000 X)", "", "1", "1", "11", ".1") << 1
                                  << QByteArray("EXP overflow (1000) at column 6");
    // Plot ranges refused before solving.
    QTest::newRow("plot range overflows") << odeFile("Y' = X", "", "0", "1", "21", "1e308") << 2
                                          << QByteArray("not a finite number");
    QTest::newRow("plot points not distinct") << odeFile("Y' = X", "", "1e308", "1", "21", ".1")
                                              << 2 << QByteArray("not distinct");
    QTest::newRow("limit reached") << odeFile("Y'' + (4 * Y) = 0", "", "0", "0 1", "11", ".1", {},
                                              {"5", "0", "2", "0", "3000", ".0001", "1.e-6"})
                                   << 3 << QByteArray("STEPSLIM");
    QTest::newRow("too few initial values") << odeFile("Y'' + (4 * Y) = 0", "", "0", "0", "11", ".1")
                                            << 2 << QByteArray("needs 2");
    // Limits: refused at once with a message naming the limit.
    QTest::newRow("10 MB file") << odeFile(QString(10 << 20, '('), "", "0", "1", "11", ".1") << 2
                                << QByteArray("the limit is 4194304 bytes");
    QTest::newRow("long equation") << odeFile("Y' =" + QString(100000, ' ') + "X", "", "0", "1", "11", ".1")
                                   << 2 << QByteArray("100005 characters long; the limit is 100000");
    QTest::newRow("plot points") << odeFile("Y' = X", "", "0", "1", "100001", ".1") << 2
                                 << QByteArray("from 1 to 100000");
    QTest::newRow("data points") << odeFile("Y' = X", "", "0", "1", "11", ".1", QStringList(10001, "1 2"))
                                 << 2 << QByteArray("10001 data points; the limit is 10000");
    QTest::newRow("file ends early") << QByteArray("Test.ode\r\nY' = X\r\n") << 2 << QByteArray("cannot be read");
}

void TstVade::exitStatusAndStandardError() {
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QByteArray, stderrText);
    QTemporaryDir dir;
    writeFile(dir.filePath("Bad.ode"), file);
    const Run r = run(QStringLiteral(VADE_PATH), {"Bad.ode"}, dir.path());
    QCOMPARE(r.exitCode, status);
    QVERIFY2(r.err.contains(stderrText), r.err.constData());
    // The report says why, so the viewer shows it too.
    QVERIFY(readAll(dir.filePath("~Quadrel.out")).contains("FAILED") ||
            readAll(dir.filePath("~Quadrel.out")).contains("STOPPED"));
    QVERIFY(QFile::exists(dir.filePath("~4plots.plt")));
    QVERIFY(QFileInfo(dir.filePath("~Quadrel.out")).size() < 10000);  // no huge equation echoed
}

void TstVade::runVadeCopiesIntoFoldersWithBlanks_data() {
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<QString>("mode");
    QTest::newRow("relative user folder, exit") << false << "exit";
    QTest::newRow("absolute user folder, wait") << true << "wait";
}

void TstVade::runVadeCopiesIntoFoldersWithBlanks() {
    QFETCH(bool, absolute);
    QFETCH(QString, mode);
    QTemporaryDir root;
    // A program folder and a run folder, both with blanks in their names.
    const QString prog = root.filePath("my program dir");
    const QString runDir = root.filePath("run here/with blanks");
    QVERIFY(QDir().mkpath(prog));
    QVERIFY(QDir().mkpath(runDir));
    QVERIFY(QFile::copy(QStringLiteral(VADE_PATH), prog + "/vade"));
    QVERIFY(QFile::copy(QStringLiteral(RUN_VADE_PATH), prog + "/run-VADE"));
    QFile::setPermissions(prog + "/vade", QFile::permissions(prog + "/vade") | QFile::ExeOwner);
    QFile::setPermissions(prog + "/run-VADE",
                          QFile::permissions(prog + "/run-VADE") | QFile::ExeOwner);
    writeFile(runDir + "/My Spring.ode",
              odeFile("Y'' + (4 * Y) = 0", "", "0", "0 1", "11", ".1"));
    const QString user = absolute ? root.filePath("abs user") : QStringLiteral("my user");
    const Run r = run(prog + "/run-VADE", {"My Spring.ode", user, mode}, runDir);
    QCOMPARE(r.exitCode, 0);
    const QString out = (absolute ? user : prog + "/" + user) + "/output/";
    QVERIFY(readAll(out + "My Spring.out").contains("SOLVED"));
    QCOMPARE(readAll(out + "My Spring.plt"), readAll(runDir + "/~4plots.plt"));
    QVERIFY(r.out.contains("Solved"));  // the console shows the progress
    if (mode == "wait") QVERIFY(r.out.contains("Press Enter"));
}

void TstVade::runVadePassesOnFailure() {
    QTemporaryDir root;
    const QString prog = root.filePath("prog dir");
    QVERIFY(QDir().mkpath(prog));
    QVERIFY(QFile::copy(QStringLiteral(VADE_PATH), prog + "/vade"));
    QVERIFY(QFile::copy(QStringLiteral(RUN_VADE_PATH), prog + "/run-VADE"));
    writeFile(root.filePath("Ex.Bad.ode"), odeFile("Y' = 1 / X", "", "0", "1", "11", ".1"));
    const Run r = run(prog + "/run-VADE", {"Ex.Bad.ode", "demos", "exit"}, root.path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.contains("Division by zero"));
    QVERIFY(readAll(prog + "/demos/output/Ex.Bad.out").contains("FAILED"));
    QVERIFY(QFile::exists(prog + "/demos/output/Ex.Bad.plt"));
}

void TstVade::runVadeSaysWhenCopiesFail() {
    QTemporaryDir root;
    const QString prog = root.filePath("prog");
    QVERIFY(QDir().mkpath(prog));
    QVERIFY(QFile::copy(QStringLiteral(VADE_PATH), prog + "/vade"));
    QVERIFY(QFile::copy(QStringLiteral(RUN_VADE_PATH), prog + "/run-VADE"));
    writeFile(root.filePath("Ok.ode"), odeFile("Y' = X", "", "0", "0", "11", ".1"));
    // The user folder's place is taken by a plain file: no output folder can be made.
    writeFile(root.filePath("taken"), "x");
    const Run r = run(prog + "/run-VADE", {"Ok.ode", root.filePath("taken"), "exit"}, root.path());
    QCOMPARE(r.exitCode, 4);
    QVERIFY(r.err.contains("cannot"));
    QVERIFY(readAll(root.filePath("~Quadrel.out")).contains("SOLVED"));
}

void TstVade::outputsThatCannotBeWritten_data() {
    QTest::addColumn<QString>("full");  // the output that leads to /dev/full; "" read-only folder
    QTest::newRow("report on a full disk") << "~Quadrel.out";
    QTest::newRow("plot on a full disk") << "~4plots.plt";
    QTest::newRow("copy on a full disk") << "copy.out";
    QTest::newRow("read-only folder") << "";
}

void TstVade::outputsThatCannotBeWritten() {
    QFETCH(QString, full);
    QTemporaryDir dir;
    writeFile(dir.filePath("Ok.ode"), odeFile("Y' = X", "", "0", "0", "11", ".1"));
    if (!full.isEmpty())
        QVERIFY(QFile::link("/dev/full", dir.filePath(full)));
    else
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);
    const Run r = run(QStringLiteral(VADE_PATH), {"Ok.ode", dir.filePath("copy")}, dir.path(),
                      full.isEmpty());
    QCOMPARE(r.exitCode, 4);
    const QByteArray named = (full.isEmpty() ? "~Quadrel.out" : full).toLatin1();
    QVERIFY2(r.err.contains("cannot write") && r.err.contains(named), r.err.constData());
    QCOMPARE(r.out.contains("see ~Quadrel.out"), named != "~Quadrel.out");
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

void TstVade::fileNamesAsBytes_data() {
    QTest::addColumn<QByteArray>("create");    // file made in the run folder ("" none)
    QTest::addColumn<QByteArray>("argument");  // printf format of the name given to vade
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");   // on standard output or error
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9.ode") << QByteArray("caf\\351.ode") << 0
                                  << QByteArray("caf\xc3\xa9.ode: Y'");
    QTest::newRow("missing, Latin-1 byte") << QByteArray() << QByteArray("n\\351ant.ode") << 2
                                           << QByteArray("Missing 'n\xc3\xa9" "ant.ode' file?");
    QTest::newRow("folder") << QByteArray() << QByteArray("/tmp") << 2
                            << QByteArray("'/tmp' is a folder, not a response file.");
    QTest::newRow("device") << QByteArray() << QByteArray("/dev/zero") << 2
                            << QByteArray("'/dev/zero' is a device, a pipe or a socket");
}

void TstVade::fileNamesAsBytes() {
    QFETCH(QByteArray, create);
    QFETCH(QByteArray, argument);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    QTemporaryDir dir;
    if (!create.isEmpty()) {
        std::FILE *f = std::fopen((QFile::encodeName(dir.path()) + "/" + create).constData(), "wb");
        QVERIFY(f);
        const QByteArray bytes = odeFile("Y' = X", "", "0", "0", "11", ".1");
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
        std::fclose(f);
    }
    // The name's bytes reach vade untouched through printf, under the C locale.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start("/bin/sh", {"-c", "exec \"$0\" \"$(printf '" + QString::fromLatin1(argument) + "')\"",
                        QStringLiteral(VADE_PATH)});
    QVERIFY(p.waitForFinished(30000));
    if (!create.isEmpty())  // QTemporaryDir cannot remove a name that is not UTF-8
        std::remove((QFile::encodeName(dir.path()) + "/" + create).constData());
    QCOMPARE(p.exitCode(), status);
    const QByteArray said = p.readAllStandardOutput() + p.readAllStandardError();
    QVERIFY2(said.contains(message), said.constData());
}

void TstVade::outputsNeverReplaceTheInput_data() {
    QTest::addColumn<QString>("input");  // relative to the run folder
    QTest::newRow("the copy's name") << "User/output/self.plt";
    QTest::newRow("the plot file's name") << "~4plots.plt";
}

void TstVade::outputsNeverReplaceTheInput() {
    QFETCH(QString, input);
    QTemporaryDir root;
    QVERIFY(QFile::copy(QStringLiteral(VADE_PATH), root.filePath("vade")));
    QVERIFY(QFile::copy(QStringLiteral(RUN_VADE_PATH), root.filePath("run-VADE")));
    const QFileInfo in(root.filePath(input));
    QVERIFY(QDir().mkpath(in.path()));
    const QByteArray bytes = odeFile("Y' = X", "", "0", "0", "11", ".1");
    writeFile(in.filePath(), bytes);
    // Run from the input's folder, as the program does.
    const Run r = run(root.filePath("run-VADE"), {in.fileName(), "User", "exit"}, in.path());
    QCOMPARE(r.exitCode, 4);
    QVERIFY2(r.err.contains("is the input file itself; it is not overwritten"), r.err.constData());
    QCOMPARE(readAll(in.filePath()), bytes);
}

QTEST_GUILESS_MAIN(TstVade)
#include "tst_vade.moc"
