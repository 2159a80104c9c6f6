// The editor launcher script: which editor it chooses, and that the path reaches it whole
// and unevaluated. Every program it may start is a fake in a temporary folder that records
// its name and arguments; PATH holds nothing else.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString SafeName = QStringLiteral("a;b $(echo x >INJECTED) `echo y >INJECTED` 'q'.ode");

}  // namespace

class TstMyEditor : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString base_, bin_, work_, record_, target_;

    static void writeScript(const QString &path, const QByteArray &body) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("#!/bin/sh\n" + body);
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // A fake program that records "name arg1 arg2 ..." one per line, then exits with `code`.
    static QByteArray recorder(int code = 0) {
        return "printf '%s\\n' \"${0##*/}\" \"$@\" > \"$RECORD\"\nexit " + QByteArray::number(code) + "\n";
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        base_ = dir_.filePath("dist");
        bin_ = dir_.filePath("bin");
        work_ = dir_.filePath("my runs");
        record_ = dir_.filePath("record.txt");
        QVERIFY(QDir().mkpath(work_));
        target_ = work_ + "/" + SafeName;
        QVERIFY(QFile(target_).open(QIODevice::WriteOnly));
        QVERIFY(QFile(work_ + "/-n.ode").open(QIODevice::WriteOnly));
    }

    void choosesProgram_data() {
        QTest::addColumn<QStringList>("env");        // KEY=VALUE
        QTest::addColumn<QStringList>("programs");   // fakes in PATH; "name:code" exits with code
        QTest::addColumn<bool>("notePad2");          // a fake notePad2 beside the script
        QTest::addColumn<QStringList>("args");       // arguments; "@" stands for the file
        QTest::addColumn<QStringList>("expected");   // recorded name and arguments, "@" the file
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrSays");

        const QStringList file{"@"};
        QTest::newRow("VISUAL before EDITOR")
            << QStringList{"VISUAL=fakevisual", "EDITOR=fakeeditor"}
            << QStringList{"fakevisual", "fakeeditor"} << true << file
            << QStringList{"fakevisual", "@"} << 0 << "";
        QTest::newRow("editor command with its own arguments")
            << QStringList{"VISUAL=fakevisual --wait  -n"} << QStringList{"fakevisual"} << false << file
            << QStringList{"fakevisual", "--wait", "-n", "@"} << 0 << "";
        QTest::newRow("editor command holding a wildcard is not expanded")
            << QStringList{"EDITOR=fakeeditor *"} << QStringList{"fakeeditor"} << false << file
            << QStringList{"fakeeditor", "*", "@"} << 0 << "";
        QTest::newRow("VISUAL not installed, EDITOR is")
            << QStringList{"VISUAL=nosuchedit", "EDITOR=fakeeditor"} << QStringList{"fakeeditor"}
            << false << file << QStringList{"fakeeditor", "@"} << 0 << "'nosuchedit' not found";
        QTest::newRow("path split at its blanks is joined again")
            << QStringList{"EDITOR=fakeeditor"} << QStringList{"fakeeditor"} << false
            << QStringList{"#split"} << QStringList{"fakeeditor", "@"} << 0 << "";
        QTest::newRow("path that looks like an option")
            << QStringList{"EDITOR=fakeeditor"} << QStringList{"fakeeditor"} << false
            << QStringList{"-n.ode"} << QStringList{"fakeeditor", "./-n.ode"} << 0 << "";
        QTest::newRow("terminal editor on a desktop gets a terminal window")
            << QStringList{"VISUAL=nano -R", "DISPLAY=:77"} << QStringList{"nano", "x-terminal-emulator"}
            << false << file << QStringList{"x-terminal-emulator", "-e", "nano", "-R", "@"} << 0 << "";
        QTest::newRow("the user's own terminal first")
            << QStringList{"EDITOR=vim", "DISPLAY=:77", "TERMINAL=myterm"}
            << QStringList{"vim", "myterm", "xterm"} << false << file
            << QStringList{"myterm", "-e", "vim", "@"} << 0 << "";
        QTest::newRow("emacs -nw is a terminal editor")
            << QStringList{"EDITOR=emacs -nw", "WAYLAND_DISPLAY=wayland-0"} << QStringList{"emacs", "xterm"}
            << false << file << QStringList{"xterm", "-e", "emacs", "-nw", "@"} << 0 << "";
        QTest::newRow("terminal editor without terminal or desktop is passed over")
            << QStringList{"VISUAL=vi"} << QStringList{"vi"} << true << file
            << QStringList{"notePad2", "@"} << 0 << "'vi' needs a terminal";
        QTest::newRow("xdg-open on a desktop")
            << QStringList{"DISPLAY=:77"} << QStringList{"xdg-open"} << true << file
            << QStringList{"xdg-open", "@"} << 0 << "";
        QTest::newRow("xdg-open needs a desktop")
            << QStringList{} << QStringList{"xdg-open"} << true << file << QStringList{"notePad2", "@"}
            << 0 << "";
        QTest::newRow("xdg-open fails, notePad2 shows it")
            << QStringList{"DISPLAY=:77"} << QStringList{"xdg-open:4"} << true << file
            << QStringList{"notePad2", "@"} << 0 << "xdg-open could not open";
        QTest::newRow("nothing can open it")
            << QStringList{"VISUAL=nosuchedit"} << QStringList{} << false << file << QStringList{} << 1
            << "nothing to open";
        QTest::newRow("file does not exist")
            << QStringList{"EDITOR=fakeeditor"} << QStringList{"fakeeditor"} << true
            << QStringList{"no such.ode"} << QStringList{} << 1 << "no such file";
        QTest::newRow("no argument")
            << QStringList{"EDITOR=fakeeditor"} << QStringList{"fakeeditor"} << true << QStringList{}
            << QStringList{} << 2 << "usage";
    }
    void choosesProgram() {
        QFETCH(QStringList, env);
        QFETCH(QStringList, programs);
        QFETCH(bool, notePad2);
        QFETCH(QStringList, args);
        QFETCH(QStringList, expected);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrSays);

        for (const QString &d : {base_, bin_}) {
            QDir(d).removeRecursively();
            QDir().mkpath(d);
        }
        QFile::remove(record_);
        QVERIFY(QFile::copy(QStringLiteral(MYEDITOR_SCRIPT), base_ + "/MyEditor"));
        QFile::setPermissions(base_ + "/MyEditor", QFile::ReadOwner | QFile::ExeOwner);
        for (const QString &p : programs)
            writeScript(bin_ + "/" + p.section(':', 0, 0), recorder(p.section(':', 1).toInt()));
        if (notePad2) writeScript(base_ + "/notePad2", recorder());

        QProcessEnvironment e;
        e.insert("PATH", bin_);
        e.insert("RECORD", record_);
        e.insert("HOME", dir_.path());
        for (const QString &kv : env) {
            const int eq = kv.indexOf('=');
            e.insert(kv.left(eq), kv.mid(eq + 1));
        }
        QStringList argv;
        for (const QString &a : args)
            argv << (a == "@" ? QStringList{target_} : a == "#split" ? target_.split(' ') : QStringList{a});
        QProcess proc;
        proc.setProcessEnvironment(e);
        proc.setWorkingDirectory(work_);
        proc.setStandardInputFile(QProcess::nullDevice());
        proc.start(base_ + "/MyEditor", argv);
        QVERIFY(proc.waitForFinished(20000));
        const QString err = QString::fromUtf8(proc.readAllStandardError());
        QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
        QVERIFY2(proc.exitCode() == exitCode, qPrintable(err));
        QVERIFY2(stderrSays.isEmpty() ? err.isEmpty() : err.contains(stderrSays), qPrintable(err));

        for (QString &x : expected)
            if (x == "@") x = target_;
        QFile rec(record_);
        QStringList recorded;
        if (rec.open(QIODevice::ReadOnly)) recorded = QString::fromUtf8(rec.readAll()).split('\n');
        if (!recorded.isEmpty()) recorded.removeLast();  // after the last line's end
        QCOMPARE(recorded, expected);
        QVERIFY(!QFile::exists(work_ + "/INJECTED"));
        QVERIFY(!QFile::exists(dir_.filePath("INJECTED")));
    }
};

QTEST_GUILESS_MAIN(TstMyEditor)
#include "tst_myeditor.moc"
