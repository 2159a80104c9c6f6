// Batch runs, the equation test, the viewers and the donation reminder, with a recording
// launcher in a program folder of their own.
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "app/tests/TempXdg.h"
#include "run/Donation.h"
#include "run/EquationTest.h"
#include "run/RunPipeline.h"
#include "run/Viewing.h"

#include <QtTest>
#include <memory>

using namespace quadrel;

namespace {

struct FakeRunForm : RunForm {
    bool exitChecked = false;
    bool plotsEnabled = false;
    int saves = 0;
    std::function<bool()> onSave = [] { return false; };
    QString pauseText() const override { return QStringLiteral("33"); }
    bool autoExit() const override { return exitChecked; }
    void enablePlots() override { plotsEnabled = true; }
    bool saveAs() override { ++saves; return onSave(); }
};

QString setting(const QString &key, const QString &name) {
    return valueToText(GetRegistryValue(HKEY_CURRENT_USER, key, name, REG_SZ));
}

void touch(const QString &path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

}  // namespace

class TstRun : public QObject {
    Q_OBJECT
    std::unique_ptr<TempXdg> xdg_;
    ScriptedMessageBoxes msg_;
    FixedClock clock_{QDateTime(QDate(2026, 3, 5), QTime(14, 7))};
    RecordingLauncher launcher_;
    FakeRunForm form_;
    std::unique_ptr<AppState> st_;
    QString root_;
    QString startFolder_ = QDir::currentPath();

    // A program folder root/app holding run-VADE and demos/, its parent the base folder.
    void makeProgramFolder(const QString &app) {
        st_->appPath = root_ + QLatin1Char('/') + app;
        st_->basePath = st_->appPath + QStringLiteral("/..");
        touch(st_->appPath + QStringLiteral("/run-VADE"));
        QDir().mkpath(st_->appPath + QStringLiteral("/demos"));
    }
    QString expand(QString s) const {
        return s.replace(QStringLiteral("{app}"), st_->appPath).replace(QStringLiteral("{root}"), root_);
    }
    QStringList expand(QStringList l) const {
        for (QString &s : l) s = expand(s);
        return l;
    }
    QString titles() const {
        QStringList t;
        for (const MessageRequest &r : msg_.shown()) t << r.title;
        return t.join(QLatin1Char('|'));
    }

private slots:
    void init() {
        xdg_ = std::make_unique<TempXdg>();
        QVERIFY(xdg_->isValid());
        root_ = xdg_->root();
        msg_.clear();
        launcher_ = RecordingLauncher();
        form_ = FakeRunForm();
        st_ = std::make_unique<AppState>();
        st_->msg = &msg_;
        st_->clock = &clock_;
        st_->launcher = &launcher_;
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        makeProgramFolder(QStringLiteral("Quadrel"));
    }
    void cleanup() {
        QDir::setCurrent(startFolder_);
        st_.reset();
        xdg_.reset();
    }

    void commandLineSplitsAtEveryBlank_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain") << "{app}/run-VADE a.ode User wait" << "{app}/run-VADE"
                               << QStringList{"a.ode", "User", "wait"};
        QTest::newRow("empty field kept") << "{app}/run-VADE a.ode  exit" << "{app}/run-VADE"
                                          << QStringList{"a.ode", "", "exit"};
        QTest::newRow("shell text stays text") << "{app}/run-VADE a;touch $(id).ode x wait"
                                               << "{app}/run-VADE"
                                               << QStringList{"a;touch", "$(id).ode", "x", "wait"};
        QTest::newRow("missing program: first field") << "/no/such prog x" << "/no/such"
                                                      << QStringList{"prog", "x"};
    }
    void commandLineSplitsAtEveryBlank() {
        QFETCH(QString, line);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        const CommandLine c = splitCommandLine(expand(line), QStringLiteral("/wd"));
        QCOMPARE(c.program, expand(program));
        QCOMPARE(c.arguments, arguments);
        QCOMPARE(c.workingDirectory, QStringLiteral("/wd"));
    }

    // One or two runs of a saved file or an example: the exact command and its folders.
    void runCommand_data() {
        QTest::addColumn<QString>("app");         // program folder below root
        QTest::addColumn<QString>("folder");      // the response file's folder
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("mode");        // runMode; demoFile = file for "Demo"
        QTest::addColumn<bool>("autoExit");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QStringList>("arguments");  // of the last run
        QTest::addColumn<QString>("workDir");
        QTest::addColumn<QString>("output");
        const QStringList none;
        QTest::newRow("user folder") << "Quadrel" << "{app}/User" << "Shotgun.22" << "*" << false << 1
            << QStringList{"Shotgun.22", "User", "wait"} << "{app}/User" << "{app}/User/output";
        QTest::newRow("auto exit") << "Quadrel" << "{app}/User" << "Shotgun.22" << "*" << true << 1
            << QStringList{"Shotgun.22", "User", "exit"} << "{app}/User" << "{app}/User/output";
        QTest::newRow("program folder, first run") << "Quadrel" << "{app}" << "p.ode" << "*" << false << 1
            << QStringList{"p.ode", "{app}", "wait"} << "{app}" << "{app}/output";
        QTest::newRow("program folder, second run") << "Quadrel" << "{app}" << "p.ode" << "*" << true << 2
            << QStringList{"p.ode", "", "exit"} << "{app}" << "{app}//output";
        QTest::newRow("outside the program folder") << "Quadrel" << "{root}/work" << "w.ode" << "*"
            << false << 1 << QStringList{"w.ode", "{root}/work", "wait"} << "{root}/work"
            << "{root}/work/output";
        QTest::newRow("blanks in the names") << "Q dir/Quadrel" << "{app}/My Work" << "my prob.ode" << "*"
            << false << 1 << QStringList{"my", "prob.ode", "My", "Work", "wait"} << "{app}/My Work"
            << "{app}/My Work/output";
        QTest::newRow("example") << "Quadrel" << "" << "ExProb.1.ode" << "Demo" << false << 2
            << QStringList{"ExProb.1.ode", "demos", "wait"} << "{app}/demos" << "{app}/demos/output";
        QTest::newRow("example not starting with Ex") << "Quadrel" << "" << "exIVP.1.ode" << "Demo"
            << false << 1 << none << "{app}/demos" << "";
    }
    void runCommand() {
        QFETCH(QString, app);
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QFETCH(QString, mode);
        QFETCH(bool, autoExit);
        QFETCH(int, runs);
        QFETCH(QStringList, arguments);
        QFETCH(QString, workDir);
        QFETCH(QString, output);
        makeProgramFolder(app);
        st_->runMode = mode;
        if (mode == QLatin1String("Demo")) {
            st_->demoFile = file;
            st_->fileName = QStringLiteral("Mine.ode");
        } else {
            st_->fileName = file;
            st_->filePath = expand(folder);
            touch(st_->filePath + QLatin1Char('/') + file);
        }
        st_->userPath = QStringLiteral("demos");
        st_->saveFailed = 1;
        form_.exitChecked = autoExit;
        for (int i = 0; i < runs; ++i) FileRun2(*st_, form_);

        QCOMPARE(titles(), QString());
        QCOMPARE(st_->saveFailed, qint16(0));
        QCOMPARE(QDir::currentPath(), QFileInfo(expand(workDir)).canonicalFilePath());
        if (arguments.isEmpty()) {
            QVERIFY(launcher_.requests.isEmpty());
            QCOMPARE(st_->fileTemp, file);
            QCOMPARE(st_->userPath, QStringLiteral("demos"));
            return;
        }
        QCOMPARE(launcher_.requests.size(), runs);
        const RecordingLauncher::Request &c = launcher_.requests.last();
        QCOMPARE(c.kind, RecordingLauncher::Request::Wait);
        QCOMPARE(c.command.program, st_->appPath + QStringLiteral("/run-VADE"));
        QCOMPARE(c.command.arguments, expand(arguments));
        QCOMPARE(c.command.workingDirectory, QDir::currentPath());
        QVERIFY(QFileInfo(expand(output)).isDir());
        QVERIFY(form_.plotsEnabled);
        QCOMPARE(setting(companyKey(), regname::tPause), QStringLiteral("33"));
        QCOMPARE(setting(companyKey(), regname::ProgramPath), QStringLiteral("\\Quadrel"));
        if (mode == QLatin1String("Demo")) {
            QCOMPARE(st_->fileName, QStringLiteral("Mine.ode"));
            QCOMPARE(setting(kProductKey, regname::FileIn), file);
            QCOMPARE(setting(kProductKey, regname::userPath), QStringLiteral("demos"));
        }
    }

    void settingsOfAUserRun() {
        st_->runMode = QStringLiteral("*");
        st_->fileName = QStringLiteral("Shotgun.22");
        st_->filePath = st_->appPath + QStringLiteral("/User");
        FileRun2(*st_, form_);
        QCOMPARE(setting(companyKey(), regname::plotFile), QStringLiteral("shotgun.plt"));
        QCOMPARE(setting(kProductKey, regname::FileIn), QStringLiteral("Shotgun.22"));
        // The folder stored is the one from before this run; this run's is kept for the next.
        QCOMPARE(setting(kProductKey, regname::userPath), QStringLiteral("demos"));
        QCOMPARE(st_->userPath, QStringLiteral("User"));
    }

    void plotFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("plot");
        QTest::newRow("example") << "ExIVP.1.ode" << "exivp.1.plt";
        QTest::newRow("last extension") << "Shotgun.22" << "shotgun.plt";
        QTest::newRow("no extension") << "Test" << "test.plt";
        QTest::newRow("plot file kept") << "Old.plt" << "Old.plt";
        QTest::newRow("picture kept") << "Pic.gif" << "Pic.gif";
        QTest::newRow("case of .PLT matters") << "Old.PLT" << "old.plt";
        QTest::newRow("empty") << "" << "";
    }
    void plotFileName() {
        QFETCH(QString, name);
        QFETCH(QString, plot);
        QCOMPARE(quadrel::plotFileName(name), plot);
    }

    // A never-saved or changed problem asks first; what the answers and the save lead to.
    void saveQuestion_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer");   // MsgAnswer to the question
        QTest::addColumn<bool>("saved");   // what Save As returns
        QTest::addColumn<int>("saves");
        QTest::addColumn<int>("runs");
        QTest::newRow("never saved, Cancel") << "New data" << false << int(MsgAnswer::Cancel) << true << 0 << 0;
        QTest::newRow("never saved, Save As cancelled") << "New data" << false << int(MsgAnswer::Ok)
                                                       << false << 1 << 0;
        QTest::newRow("never saved, saved") << "New data" << false << int(MsgAnswer::Ok) << true << 1 << 1;
        QTest::newRow("changed, saved") << "b.ode" << true << int(MsgAnswer::Ok) << true << 1 << 1;
    }
    void saveQuestion() {
        QFETCH(QString, file);
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(int, saves);
        QFETCH(int, runs);
        st_->runMode = QStringLiteral("*");
        st_->fileName = file;
        st_->filePath = root_;
        st_->dataChanged = changed;
        st_->saveFailed = 1;
        msg_.queueAnswer(MsgAnswer(answer));
        form_.onSave = [&] {
            st_->fileName = QStringLiteral("Saved.ode");
            st_->filePath = st_->appPath + QStringLiteral("/User");
            touch(st_->filePath + QStringLiteral("/Saved.ode"));
            return saved;
        };
        FileRun2(*st_, form_);
        QCOMPARE(msg_.shown().first().title, QStringLiteral("File -not- saved OR has been modified!"));
        QCOMPARE(msg_.shown().first().text, QStringLiteral("Okay to save '") + file + QStringLiteral("' now?"));
        QCOMPARE(form_.saves, saves);
        QCOMPARE(launcher_.requests.size(), runs);
        QCOMPARE(st_->saveFailed, qint16(runs ? 0 : 1));
        QCOMPARE(setting(companyKey(), regname::tPause), QStringLiteral("33"));
        if (runs) QCOMPARE(launcher_.requests[0].command.arguments.first(), QStringLiteral("Saved.ode"));
        else QCOMPARE(setting(companyKey(), regname::plotFile), QString());
    }

    // Failures: what the user is told, and whether the batch was started.
    void failures_data() {
        QTest::addColumn<int>("kind");        // RunOutcome::Kind the launcher answers
        QTest::addColumn<bool>("blockOutput");  // a plain file where the output folder belongs
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("runs");
        QTest::newRow("ended with a status") << int(RunOutcome::Ended) << false << "" << 1;
        QTest::newRow("not started") << int(RunOutcome::NotStarted) << false
                                     << "The solver batch did not start" << 1;
        QTest::newRow("crashed") << int(RunOutcome::Crashed) << false
                                 << "The solver batch stopped abnormally" << 1;
        QTest::newRow("stopped") << int(RunOutcome::Stopped) << false << "Run stopped" << 1;
        QTest::newRow("output folder cannot be made") << int(RunOutcome::Ended) << true
                                                      << "A Quadrel File is missing!" << 0;
    }
    void failures() {
        QFETCH(int, kind);
        QFETCH(bool, blockOutput);
        QFETCH(QString, title);
        QFETCH(int, runs);
        st_->runMode = QStringLiteral("*");
        st_->fileName = QStringLiteral("f.ode");
        st_->filePath = st_->appPath + QStringLiteral("/User");
        QDir().mkpath(st_->filePath);
        if (blockOutput) touch(st_->filePath + QStringLiteral("/output"));
        launcher_.runResult = {RunOutcome::Kind(kind), 3, QStringLiteral("why")};
        st_->saveFailed = 1;
        FileRun2(*st_, form_);
        QCOMPARE(titles(), title);
        if (blockOutput)
            QVERIFY(msg_.shown().first().text.startsWith(QStringLiteral("File is missing ... in 'exitWin' routine!")));
        QCOMPARE(launcher_.requests.size(), runs);
        QCOMPARE(st_->saveFailed, qint16(0));
    }

    // Donation reminder: the stored day against today.
    void donationReminder_data() {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("storedAfter");  // days before today; 999999 = unchanged
        QTest::addColumn<bool>("message");
        QTest::newRow("first run") << false << 0 << false << 30 << false;
        QTest::newRow("45 days") << true << 45 << false << 999999 << false;
        QTest::newRow("46 days") << true << 46 << true << 0 << false;
        QTest::newRow("in the future") << true << -10 << false << 999999 << false;
        QTest::newRow("negative day") << true << 50000 << true << 0 << false;
        QTest::newRow("32812 days: fits") << true << 32812 << true << 0 << false;
        QTest::newRow("32813 days: overflow") << true << 32813 << false << 999999 << true;
        QTest::newRow("32723 ahead: fits") << true << -32723 << false << 999999 << false;
        QTest::newRow("32724 ahead: overflow") << true << -32724 << false << 999999 << true;
    }
    void donationReminder() {
        QFETCH(bool, stored);
        QFETCH(int, daysAgo);
        QFETCH(bool, opens);
        QFETCH(int, storedAfter);
        QFETCH(bool, message);
        CreateRegistryKey(HKEY_CURRENT_USER, companyKey());
        const qint32 today = qint32(daySerial(clock_.now().date()));
        QCOMPARE(today, 46086);  // 5 March 2026
        // 50000 days ago lies before the serials start: a negative day.
        const qint32 day = daysAgo == 50000 ? -5 : today - daysAgo;
        if (stored) SetRegistryValue(HKEY_CURRENT_USER, companyKey(), regname::submit, REG_DWORD, day);
        FileRun3(*st_);
        QCOMPARE(launcher_.requests.size(), opens ? 1 : 0);
        if (opens) QCOMPARE(launcher_.requests[0].target, QUrl::fromLocalFile(st_->appPath + QStringLiteral("/web/donate.html")).toString());
        const RegValue after = GetRegistryValue(HKEY_CURRENT_USER, companyKey(), regname::submit, REG_DWORD);
        QCOMPARE(std::get<qint32>(after), storedAfter == 999999 ? day : today - storedAfter);
        QCOMPARE(titles(), message ? QStringLiteral("A Quadrel File is missing!") : QString());
    }

    void viewers() {
        const QString out = st_->appPath + QStringLiteral("/demos/~Quadrel.out");
        QDir::setCurrent(st_->appPath + QStringLiteral("/demos"));
        ShowTextFile(*st_, QStringLiteral("~Quadrel.out"));
        QCOMPARE(titles(), QStringLiteral("'~Quadrel.out' file not found."));
        QCOMPARE(msg_.shown()[0].text, QStringLiteral("Last Output File, ~Quadrel.out, not found.\r\n"
                                                      "Presently you are in the '") +
                                           QDir::currentPath() + QStringLiteral(" directory."));
        touch(out);
        ShowTextFile(*st_, QStringLiteral("~Quadrel.out"));
        QCOMPARE(launcher_.requests.size(), 1);
        QCOMPARE(launcher_.requests[0].command.program, st_->basePath + QStringLiteral("/notePad2"));
        QCOMPARE(launcher_.requests[0].command.arguments, QStringList{QFileInfo(out).canonicalFilePath()});

        launcher_.startResult = 0;
        QVERIFY_THROWS_EXCEPTION(RtError, ShowTextFile(*st_, out));
        msg_.clear();
        ShowTextFileReported(*st_, out);
        QCOMPARE(titles(), QStringLiteral("Viewer not started"));

        // A path longer than the command lines take counts as missing.
        const QString deep = root_ + QLatin1Char('/') + QString(170, 'd') + QStringLiteral("/x.out");
        touch(deep);
        QCOMPARE(ShortLowerPath(deep), QString());
        QCOMPARE(ShortLowerPath(out), QFileInfo(out).canonicalFilePath());

        launcher_ = RecordingLauncher();
        msg_.clear();
        ShowPlots(*st_);
        QCOMPARE(titles(), QStringLiteral("LumaPlots.exe file not found."));
        touch(root_ + QStringLiteral("/Lumaplots"));
        ShowPlots(*st_);
        QCOMPARE(launcher_.requests.size(), 1);
        QCOMPARE(launcher_.requests[0].target, st_->basePath + QStringLiteral("/Lumaplots ~4plots.plt"));
        QCOMPARE(launcher_.requests[0].command.workingDirectory, QDir::currentPath());
    }

    // The checker library called in-process: its listing, or "~parse.out" after a fault.
    void equationTest_data() {
        QTest::addColumn<bool>("library");
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("shown");   // the file the viewer gets, "" when none
        QTest::addColumn<QString>("titles");
        QTest::addColumn<bool>("folderKept");
        QTest::newRow("accepted") << true << "y''' y' - y'' = x sin( y + x) - .5" << "~Vetrix.out" << ""
                                  << true;
        QTest::newRow("fault") << true << "Y'' = (X" << "~parse.out" << "Quadrel" << false;
        QTest::newRow("no library") << false << "Y' = X" << "" << "Quadrel|'{app}/~parse.out' file not found."
                                    << false;
    }
    void equationTest() {
        QFETCH(bool, library);
        QFETCH(QString, equation);
        QFETCH(QString, shown);
        QFETCH(QString, titles);
        QFETCH(bool, folderKept);
        if (library) QVERIFY(QFile::copy(QStringLiteral(VETRIX_LIBRARY), st_->appPath + QStringLiteral("/libVetrix.so")));
        const QString before = QDir::currentPath();
        cmdTestIt(*st_, equation);
        QCOMPARE(this->titles(), expand(titles));
        if (!titles.isEmpty()) QCOMPARE(msg_.shown()[0].text, QStringLiteral("Check for error in your equation."));
        QCOMPARE(launcher_.requests.size(), shown.isEmpty() ? 0 : 1);
        if (!shown.isEmpty())
            QCOMPARE(launcher_.requests[0].command.arguments.first(),
                     QFileInfo(st_->appPath + QLatin1Char('/') + shown).canonicalFilePath());
        QCOMPARE(QDir::currentPath(), folderKept ? before : QFileInfo(st_->appPath).canonicalFilePath());
    }
};

QTEST_GUILESS_MAIN(TstRun)
#include "tst_run.moc"
