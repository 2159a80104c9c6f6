// Batch runs, the equation test, the viewers and the donation reminder, with a recording
// launcher in a program folder of their own.
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "app/tests/TempXdg.h"
#include "platform/CommonDialog.h"
#include "run/Donation.h"
#include "run/EquationTest.h"
#include "run/RunPipeline.h"
#include "run/Viewing.h"

#include <QtTest>
#include <memory>

using namespace quadrel;

namespace {

struct FakeRunForm : RunForm {
    bool exitChecked = false, plotsEnabled = false;
    std::function<bool()> onSave = [] { return false; };
    QString pauseText() const override { return QStringLiteral("33"); }
    bool autoExit() const override { return exitChecked; }
    void enablePlots() override { plotsEnabled = true; }
    bool saveAs() override { return onSave(); }
};

QString setting(const QString &key, const QString &name) {
    return valueToText(GetRegistryValue(HKEY_CURRENT_USER, key, name, REG_SZ));
}

void touch(const QString &path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile(path).open(QIODevice::WriteOnly);
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
    QString root_, start_ = QDir::currentPath();

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
    QString titles() const {
        QStringList t;
        for (const MessageRequest &r : msg_.shown()) t << r.title;
        return t.join(QLatin1Char('|'));
    }
    // A saved, unchanged file of a submitted run.
    void userFile(const QString &folder, const QString &file) {
        st_->runMode = QStringLiteral("*");
        st_->fileName = file;
        st_->filePath = expand(folder);
        touch(st_->filePath + QLatin1Char('/') + file);
    }

private slots:
    void init() {
        xdg_ = std::make_unique<TempXdg>();
        root_ = xdg_->root();
        msg_.clear();
        launcher_ = RecordingLauncher();
        form_ = FakeRunForm();
        st_ = std::make_unique<AppState>();
        st_->msg = &msg_;
        st_->clock = &clock_;
        st_->launcher = &launcher_;
        st_->saveFailed = 1;
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        makeProgramFolder(QStringLiteral("Quadrel"));
    }
    void cleanup() { QDir::setCurrent(start_); }

    // One or two runs of a saved file or an example: the exact command, its folders and
    // the settings written.
    void runCommand_data() {
        QTest::addColumn<QString>("app");      // program folder below root
        QTest::addColumn<QString>("folder");   // the response file's folder; "" runs an example
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("autoExit");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("arguments");  // of the last run, "|"-separated; "" nothing runs
        QTest::addColumn<QString>("workDir");
        QTest::addColumn<QString>("output");
        QTest::newRow("user folder") << "Quadrel" << "{app}/User" << "Shotgun.22" << false << 1
                                     << "Shotgun.22|User|wait" << "{app}/User" << "{app}/User/output";
        QTest::newRow("auto exit") << "Quadrel" << "{app}/User" << "Shotgun.22" << true << 1
                                   << "Shotgun.22|User|exit" << "{app}/User" << "{app}/User/output";
        QTest::newRow("program folder, first run") << "Quadrel" << "{app}" << "p.ode" << false << 1
                                                   << "p.ode|{app}|wait" << "{app}" << "{app}/output";
        QTest::newRow("program folder, second run") << "Quadrel" << "{app}" << "p.ode" << true << 2
                                                    << "p.ode||exit" << "{app}" << "{app}//output";
        QTest::newRow("outside the program folder") << "Quadrel" << "{root}/work" << "w.ode" << false << 1
            << "w.ode|{root}/work|wait" << "{root}/work" << "{root}/work/output";
        QTest::newRow("blanks in the names") << "Q dir/Quadrel" << "{app}/My Work" << "my prob.ode" << false
            << 1 << "my|prob.ode|My|Work|wait" << "{app}/My Work" << "{app}/My Work/output";
        QTest::newRow("example") << "Quadrel" << "" << "ExProb.1.ode" << false << 2
                                 << "ExProb.1.ode|demos|wait" << "{app}/demos" << "{app}/demos/output";
        QTest::newRow("example not starting with Ex") << "Quadrel" << "" << "exIVP.1.ode" << false << 1
                                                      << "" << "{app}/demos" << "";
    }
    void runCommand() {
        QFETCH(QString, app);
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QFETCH(bool, autoExit);
        QFETCH(int, runs);
        QFETCH(QString, arguments);
        QFETCH(QString, workDir);
        QFETCH(QString, output);
        makeProgramFolder(app);
        st_->userPath = QStringLiteral("demos");
        if (folder.isEmpty()) {
            st_->runMode = QStringLiteral("Demo");
            st_->demoFile = file;
            st_->fileName = QStringLiteral("Mine.ode");
        } else {
            userFile(folder, file);
        }
        form_.exitChecked = autoExit;
        for (int i = 0; i < runs; ++i) FileRun2(*st_, form_);

        QCOMPARE(titles(), QString());
        QCOMPARE(st_->saveFailed, qint16(0));
        QCOMPARE(QDir::currentPath(), QFileInfo(expand(workDir)).canonicalFilePath());
        if (arguments.isEmpty()) {
            QVERIFY(launcher_.requests.isEmpty());
            QCOMPARE(st_->fileTemp, file);
            return;
        }
        QCOMPARE(launcher_.requests.size(), runs);
        const CommandLine &c = launcher_.requests.last().command;
        QCOMPARE(c.program, st_->appPath + QStringLiteral("/run-VADE"));
        QCOMPARE(c.arguments.join(QLatin1Char('|')), expand(arguments));
        QCOMPARE(c.workingDirectory, QDir::currentPath());
        QVERIFY(QFileInfo(expand(output)).isDir());
        QVERIFY(form_.plotsEnabled);
        QCOMPARE(setting(companyKey(), regname::tPause), QStringLiteral("33"));
        QCOMPARE(setting(kProductKey, regname::FileIn), file);
        if (folder.isEmpty()) QCOMPARE(st_->fileName, QStringLiteral("Mine.ode"));
        // The user folder stored is the one from before the run (after an example, "demos").
        if (runs == 1) QCOMPARE(setting(kProductKey, regname::userPath), QStringLiteral("demos"));
    }

    // The plot file a run names in the settings, from the response file's name; saveQuestion
    // sees a run store it.
    void plotFileNames() {
        const std::pair<const char *, const char *> cases[] = {
            {"ExIVP.1.ode", "exivp.1.plt"}, {"Test", "test.plt"}, {"Old.plt", "Old.plt"}, {"Pic.gif", "Pic.gif"},
            {"Old.PLT", "old.plt"}};  // the case of .plt matters
        for (const auto &[name, plot] : cases) QCOMPARE(plotFileName(name), QString(plot));
    }

    // A never-saved or changed problem asks first: answers and what the save does.
    void saveQuestion_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("ok");      // OK to the question
        QTest::addColumn<bool>("saved");   // what Save As returns
        QTest::newRow("never saved, Cancel") << "New data" << false << true;
        QTest::newRow("never saved, Save As cancelled") << "New data" << true << false;
        QTest::newRow("changed, saved") << "b.ode" << true << true;
    }
    void saveQuestion() {
        QFETCH(QString, file);
        QFETCH(bool, ok);
        QFETCH(bool, saved);
        st_->runMode = QStringLiteral("*");
        st_->fileName = file;
        st_->dataChanged = true;
        msg_.queueAnswer(ok ? MsgAnswer::Ok : MsgAnswer::Cancel);
        form_.onSave = [&] {
            userFile(QStringLiteral("{app}/User"), QStringLiteral("Saved.ode"));
            return saved;
        };
        FileRun2(*st_, form_);
        QCOMPARE(msg_.shown()[0].title, QStringLiteral("File -not- saved OR has been modified!"));
        QCOMPARE(msg_.shown()[0].text, QStringLiteral("Okay to save '") + file + QStringLiteral("' now?"));
        const bool runs = ok && saved;
        QCOMPARE(launcher_.requests.size(), runs ? 1 : 0);
        QCOMPARE(st_->saveFailed, qint16(runs ? 0 : 1));
        QCOMPARE(setting(companyKey(), regname::plotFile), runs ? QStringLiteral("saved.plt") : QString());
    }

    // How a failed run is told, and whether the batch was started at all. A crash and a stop
    // are told through the whole program in the run window's tests.
    void failures_data() {
        QTest::addColumn<int>("kind");          // RunOutcome::Kind the launcher answers
        QTest::addColumn<bool>("blockOutput");  // a plain file where the output folder belongs
        QTest::addColumn<QString>("title");
        QTest::newRow("ended with a status") << int(RunOutcome::Ended) << false << "";
        QTest::newRow("not started") << int(RunOutcome::NotStarted) << false << "The solver batch did not start";
        QTest::newRow("no output folder") << int(RunOutcome::Ended) << true << "A Quadrel File is missing!";
    }
    void failures() {
        QFETCH(int, kind);
        QFETCH(bool, blockOutput);
        QFETCH(QString, title);
        userFile(QStringLiteral("{app}/User"), QStringLiteral("f.ode"));
        if (blockOutput) touch(st_->filePath + QStringLiteral("/output"));
        launcher_.runResult = {RunOutcome::Kind(kind), 3, QStringLiteral("why")};
        FileRun2(*st_, form_);
        QCOMPARE(titles(), title);
        QCOMPARE(launcher_.requests.size(), blockOutput ? 0 : 1);
        if (blockOutput) QVERIFY(msg_.shown()[0].text.startsWith(QStringLiteral("File is missing ... in 'exitWin'")));
        QCOMPARE(st_->saveFailed, qint16(0));
    }

    // Donation reminder: the stored day against today (day 46086, 5 March 2026).
    void donationReminder_data() {
        QTest::addColumn<qint64>("stored");     // 0: none stored
        QTest::addColumn<bool>("opens");
        QTest::addColumn<qint64>("after");      // the stored day afterwards
        QTest::addColumn<bool>("message");
        const qint64 t = 46086;
        QTest::newRow("first run") << 0LL << false << t - 30 << false;
        QTest::newRow("45 days") << t - 45 << false << t - 45 << false;
        QTest::newRow("46 days") << t - 46 << true << t << false;
        QTest::newRow("negative day") << -5LL << true << t << false;
        QTest::newRow("32812 days: fits") << t - 32812 << true << t << false;
        QTest::newRow("32813 days: overflow") << t - 32813 << false << t - 32813 << true;
        QTest::newRow("32723 ahead: fits") << t + 32723 << false << t + 32723 << false;
        QTest::newRow("32724 ahead: overflow") << t + 32724 << false << t + 32724 << true;
    }
    void donationReminder() {
        QFETCH(qint64, stored);
        QFETCH(bool, opens);
        QFETCH(qint64, after);
        QFETCH(bool, message);
        CreateRegistryKey(HKEY_CURRENT_USER, companyKey());
        if (stored) SetRegistryValue(HKEY_CURRENT_USER, companyKey(), regname::submit, REG_DWORD, qint32(stored));
        FileRun3(*st_);
        QCOMPARE(launcher_.requests.size(), opens ? 1 : 0);
        if (opens)
            QCOMPARE(launcher_.requests[0].target,
                     QUrl::fromLocalFile(st_->appPath + QStringLiteral("/web/donate.html")).toString());
        const RegValue v = GetRegistryValue(HKEY_CURRENT_USER, companyKey(), regname::submit, REG_DWORD);
        QCOMPARE(qint64(std::get<qint32>(v)), after);
        QCOMPARE(titles(), message ? QStringLiteral("A Quadrel File is missing!") : QString());
    }

    void viewers() {
        const QString out = st_->appPath + QStringLiteral("/demos/~Quadrel.out");
        QDir::setCurrent(st_->appPath + QStringLiteral("/demos"));
        ShowTextFile(*st_, QStringLiteral("~Quadrel.out"));
        QCOMPARE(titles(), QStringLiteral("'~Quadrel.out' file not found."));
        QCOMPARE(msg_.shown()[0].text, QStringLiteral("Last Output File, ~Quadrel.out, not found.\r\nPresently "
                                                      "you are in the '") + QDir::currentPath() + QStringLiteral(" directory."));
        touch(out);
        launcher_.startResult = 0;  // the viewer does not start
        msg_.clear();
        ShowTextFileReported(*st_, out);
        QCOMPARE(titles(), QStringLiteral("Viewer not started"));
        // A path longer than the viewers' command lines take counts as missing.
        const QString deep = root_ + QLatin1Char('/') + QString(170, 'd') + QStringLiteral("/x.out");
        touch(deep);
        QCOMPARE(ShortLowerPath(deep), QString());

        msg_.clear();
        ShowPlots(*st_);
        QCOMPARE(titles(), QStringLiteral("LumaPlots.exe file not found."));
    }

    void exampleFile() {
        ScriptedCommonDialog dialog;
        st_->CMDialog1 = &dialog;
        dialog.InitDir = QStringLiteral("/before");
        dialog.queueCancel();
        ViewExampleFile(*st_);
        QCOMPARE(dialog.InitDir, QStringLiteral("/before"));
        QVERIFY(launcher_.requests.isEmpty());
        dialog.queuePath(st_->appPath + QStringLiteral("/demos/ExBVP.1.ode"));
        ViewExampleFile(*st_);
        QCOMPARE(dialog.shown()[1].filterIndex, 2);
        QCOMPARE(dialog.shown()[1].initDir, st_->appPath + QStringLiteral("/demos"));
        QCOMPARE(launcher_.requests[0].target, st_->basePath + QStringLiteral("/MyEditor ") + st_->appPath +
                                                   QStringLiteral("/demos/ExBVP.1.ode"));
        QCOMPARE(launcher_.requests[0].showMode, int(ShowMaximized));
        QCOMPARE(titles(), QString());
    }

    // The checker library in-process: its listing, or "~parse.out" after a fault.
    void equationTest_data() {
        QTest::addColumn<bool>("library");
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("shown");   // the listing the viewer gets, "" none
        QTest::addColumn<QString>("titles");
        QTest::newRow("accepted") << true << "y''' y' - y'' = x sin( y + x) - .5" << "~Vetrix.out" << "";
        QTest::newRow("fault") << true << "Y'' = (X" << "~parse.out" << "Quadrel";
        QTest::newRow("no library") << false << "Y' = X" << "" << "Quadrel|'{app}/~parse.out' file not found.";
    }
    void equationTest() {
        QFETCH(bool, library);
        QFETCH(QString, equation);
        QFETCH(QString, shown);
        QFETCH(QString, titles);
        if (library) QVERIFY(QFile::copy(QStringLiteral(VETRIX_LIBRARY), st_->appPath + QStringLiteral("/libVetrix.so")));
        cmdTestIt(*st_, equation);
        QCOMPARE(this->titles(), expand(titles));
        if (!titles.isEmpty()) QCOMPARE(msg_.shown()[0].text, QStringLiteral("Check for error in your equation."));
        QCOMPARE(launcher_.requests.size(), shown.isEmpty() ? 0 : 1);
        if (!shown.isEmpty())
            QVERIFY(launcher_.requests[0].target.endsWith(QFileInfo(st_->appPath + QLatin1Char('/') + shown).canonicalFilePath()));
        // The folder is put back only after a clean check.
        QCOMPARE(QDir::currentPath(), titles.isEmpty() ? start_ : QFileInfo(st_->appPath).canonicalFilePath());
    }
};

QTEST_GUILESS_MAIN(TstRun)
#include "tst_run.moc"
