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

        // The lists are written as texts split at '|'.
        const auto row = [](const char *name, const char *env, const char *programs, bool notePad2,
                            const char *args, const char *expected, int exitCode, const char *says) {
            const auto list = [](const char *text) { return QString(text).split('|', Qt::SkipEmptyParts); };
            QTest::newRow(name) << list(env) << list(programs) << notePad2 << list(args) << list(expected)
                                << exitCode << QString(says);
        };
        row("VISUAL before EDITOR", "VISUAL=fakevisual|EDITOR=fakeeditor", "fakevisual|fakeeditor", true, "@",
            "fakevisual|@", 0, "");
        row("editor command with its own arguments", "VISUAL=fakevisual --wait  -n", "fakevisual", false, "@",
            "fakevisual|--wait|-n|@", 0, "");
        row("editor command holding a wildcard is not expanded", "EDITOR=fakeeditor *", "fakeeditor", false,
            "@", "fakeeditor|*|@", 0, "");
        row("VISUAL not installed, EDITOR is", "VISUAL=nosuchedit|EDITOR=fakeeditor", "fakeeditor", false, "@",
            "fakeeditor|@", 0, "'nosuchedit' not found");
        row("path split at its blanks is joined again", "EDITOR=fakeeditor", "fakeeditor", false, "#split",
            "fakeeditor|@", 0, "");
        row("path that looks like an option", "EDITOR=fakeeditor", "fakeeditor", false, "-n.ode",
            "fakeeditor|./-n.ode", 0, "");
        row("terminal editor on a desktop gets a terminal window", "VISUAL=nano -R|DISPLAY=:77",
            "nano|x-terminal-emulator", false, "@", "x-terminal-emulator|-e|nano|-R|@", 0, "");
        row("the user's own terminal first", "EDITOR=vim|DISPLAY=:77|TERMINAL=myterm", "vim|myterm|xterm",
            false, "@", "myterm|-e|vim|@", 0, "");
        row("emacs -nw is a terminal editor", "EDITOR=emacs -nw|WAYLAND_DISPLAY=wayland-0", "emacs|xterm",
            false, "@", "xterm|-e|emacs|-nw|@", 0, "");
        row("terminal editor without terminal or desktop is passed over", "VISUAL=vi", "vi", true, "@",
            "notePad2|@", 0, "'vi' needs a terminal");
        row("xdg-open on a desktop", "DISPLAY=:77", "xdg-open", true, "@", "xdg-open|@", 0, "");
        row("xdg-open needs a desktop", "", "xdg-open", true, "@", "notePad2|@", 0, "");
        row("xdg-open fails, notePad2 shows it", "DISPLAY=:77", "xdg-open:4", true, "@", "notePad2|@", 0,
            "xdg-open could not open");
        row("nothing can open it", "VISUAL=nosuchedit", "", false, "@", "", 1, "nothing to open");
        row("file does not exist", "EDITOR=fakeeditor", "fakeeditor", true, "no such.ode", "", 1,
            "no such file");
        row("no argument", "EDITOR=fakeeditor", "fakeeditor", true, "", "", 2, "usage");
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
