// Start-up and shutdown: the real program's forms from a fresh or prepared settings store
// and program folder, with scripted messages and dialogs.
#include "TempXdg.h"

#include "app/FileAssoc.h"
#include "app/Program.h"
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "app/Startup.h"
#include "model/ResponseFile.h"
#include "platform/CommonDialog.h"
#include "platform/Launcher.h"
#include "platform/RtError.h"
#include "platform/tests/TestFiles.h"
#include "ui/frmIntro.h"
#include "ui/frmMain.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace quadrel;
using quadrel::testing::readTestFile;

namespace {

// One start of the program.
struct Run {
    ScriptedMessageBoxes msg;
    ScriptedCommonDialog dialog;
    RecordingLauncher launcher;
    FixedClock clock{QDateTime(QDate(2026, 3, 5), QTime(9, 30))};
    AppState state;
    std::unique_ptr<Program> program;

    explicit Run(const QString &appPath) {
        state.msg = &msg;
        state.clock = &clock;
        state.CMDialog1 = &dialog;
        state.launcher = &launcher;
        state.appPath = appPath;
        state.basePath = appPath + QStringLiteral("/..");
        program = std::make_unique<Program>(state);
        program->start();
    }
    frmMain *form() const { return program->mainForm(); }
    void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
    // A menu entry by its access keys; the main window must be the active one.
    void menu(Qt::Key menuKey, Qt::Key itemKey) {
        QApplication::setActiveWindow(form());
        QVERIFY(QTest::qWaitForWindowActive(form()));
        QTest::keyClick(QApplication::focusWidget(), menuKey, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), itemKey);
    }
};

void store(const QString &key, const QString &name, const QString &value) {
    CreateRegistryKey(HKEY_CURRENT_USER, key);
    SetRegistryValue(HKEY_CURRENT_USER, key, name, REG_SZ, value);
}

QString stored(const QString &name) {
    return valueToText(GetRegistryValue(HKEY_CURRENT_USER, kProductKey, name, REG_SZ, QStringLiteral("<none>")));
}

void writeProblem(const QString &path, const QString &equation) {
    AppState st;
    st.answers.answers[1] = equation;
    for (int i = 2; i <= 6; ++i) st.answers.answers[size_t(i)] = QStringLiteral("1");
    QString folder;
    const QString name = SplitFileSpec(path, folder);
    WriteAnsFile(st, name, folder);
}

const QString kSaved = QStringLiteral("Y' = 2 * X");

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
    std::unique_ptr<TempXdg> xdg_;
    std::unique_ptr<QTemporaryDir> base_;
    QString app_;

private slots:
    void init() {
        xdg_ = std::make_unique<TempXdg>();
        base_ = std::make_unique<QTemporaryDir>();
        app_ = base_->path() + QStringLiteral("/Quadrel");
        QVERIFY(QDir().mkpath(app_ + QStringLiteral("/demos")));
    }
    void cleanup() {
        base_.reset();
        xdg_.reset();
    }

    void runDemoFromIntro() {
        Run r(app_);
        r.click(r.program->intro()->cmdRunIntro);
        for (const char *menu : {"mnuFile", "mnuDemos", "mnuView", "mnuWeb", "mnuHelp"})
            QVERIFY2(!r.form()->menuAction(menu)->isEnabled(), menu);
        QCOMPARE(r.form()->ODE_Tabs->currentIndex(), int(frmMain::TabDemos));
    }

    void runCounter_data() {
        QTest::addColumn<QString>("before");  // empty: never stored
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("after");
        QTest::newRow("first run, window closed") << "" << "close" << "1";
        QTest::newRow("first run, File > Exit") << "" << "exit" << "2";
        QTest::newRow("first run, intro Exit") << "" << "intro" << "<none>";
        QTest::newRow("-20 never changes") << "-20" << "exit" << "-20";
        QTest::newRow("-9 becomes -8") << "-9" << "close" << "-8";
        QTest::newRow("the top stays") << "32767" << "close" << "32767";
        QTest::newRow("unreadable counts as 0") << "1e9" << "close" << "1";
    }
    void runCounter() {
        QFETCH(QString, before);
        QFETCH(QString, ending);
        if (!before.isEmpty()) store(kProductKey, regname::RunCount, before);
        Run r(app_);
        QSignalSpy ended(r.program.get(), &Program::ended);
        if (ending == QLatin1String("intro")) {
            r.click(r.program->intro()->cmdExitIntro);
        } else {
            if (r.program->intro()) r.click(r.program->intro()->cmdCreateIntro);
            if (ending == QLatin1String("close")) {
                r.form()->close();  // as the title bar's Close does
            } else {
                r.menu(Qt::Key_F, Qt::Key_X);
            }
        }
        QCOMPARE(ended.size(), 1);
        QTRY_VERIFY(!r.program->mainForm() && !r.program->intro());
        QTEST(stored(regname::RunCount), "after");
    }

    void lastFile_data() {
        QTest::addColumn<QString>("fileIn");
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("reopened");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("own file") << "myprob.ode" << true << true << "myprob.ode";
        QTest::newRow("example") << "Example1.ode" << true << false << "";
        QTest::newRow("EX in upper case") << "EXtra.ode" << true << false << "";
        QTest::newRow("deleted since") << "deleted.ode" << false << false << "deleted.ode";
    }
    void lastFile() {
        QFETCH(QString, fileIn);
        QFETCH(bool, present);
        QFETCH(bool, reopened);
        store(kProductKey, regname::RunCount, QStringLiteral("4"));
        store(kProductKey, regname::FileIn, fileIn);
        store(kProductKey, regname::userPath, QStringLiteral("User"));
        QDir().mkpath(app_ + QStringLiteral("/User"));
        if (present) writeProblem(app_ + QStringLiteral("/User/") + fileIn, kSaved);
        Run r(app_);
        QVERIFY(!r.program->intro());
        QVERIFY(r.msg.shown().isEmpty());
        QVERIFY(GetExtensionAssociation(QStringLiteral("Out")).isEmpty());  // registered on a first run only
        QCOMPARE(r.form()->Equation->text() == kSaved, reopened);
        QTEST(r.state.fileName, "fileName");
        QCOMPARE(r.state.filePath, app_ + QStringLiteral("/User"));
        QVERIFY(!r.state.dataChanged);
    }

    // A first start to the end and a second start: the user creates and saves a problem and
    // runs it (a run is what remembers the last file), closes the window, and starts again.
    void endToEnd() {
        {
            Run r(app_);
            QVERIFY(r.program->intro()->isVisible());
            r.click(r.program->intro()->cmdCreateIntro);
            QVERIFY(!r.program->intro() && r.form()->isVisible());
            QCOMPARE(r.msg.shown().size(), 1);  // the welcome, answered OK
            QCOMPARE(r.form()->page5->tPause->text(), QStringLiteral("20"));
            QVERIFY(QFileInfo(app_ + QStringLiteral("/User")).isDir());
            QCOMPARE(QDir::currentPath(), app_);
            QCOMPARE(r.form()->focusWidget(), r.form()->Equation);
            QApplication::setActiveWindow(r.form());
            QVERIFY(QTest::qWaitForWindowActive(r.form()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), kSaved);
            r.dialog.queuePath(app_ + QStringLiteral("/demos/mine.ode"));
            r.menu(Qt::Key_F, Qt::Key_A);
            QCOMPARE(r.dialog.shown().constLast().initDir, app_ + QStringLiteral("/demos"));
            QVERIFY(readTestFile(app_ + QStringLiteral("/demos/mine.ode")).contains(kSaved.toLatin1()));
            r.menu(Qt::Key_F, Qt::Key_R);
            QCOMPARE(r.launcher.requests.constLast().command.arguments.value(0), QStringLiteral("mine.ode"));
            r.form()->close();
            QVERIFY(r.program->hasEnded());
        }
        QCOMPARE(stored(regname::RunCount), QStringLiteral("1"));
        const QByteArray classes = readTestFile(storeFileForRoot(HKEY_CLASSES_ROOT));
        for (const char *ext : {"VX", "Out", "plt"})
            QVERIFY(!GetExtensionAssociation(QLatin1String(ext)).isEmpty());

        Run again(app_);
        QVERIFY(!again.program->intro());
        QVERIFY(again.form()->isVisible() && again.msg.shown().isEmpty());
        QCOMPARE(again.form()->Equation->text(), kSaved);
        QCOMPARE(again.state.fileName, QStringLiteral("mine.ode"));
        QCOMPARE(readTestFile(storeFileForRoot(HKEY_CLASSES_ROOT)), classes);  // first run only
    }

    // Every message of start-up: its title, icon and opening words.
    void messages_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::newRow("welcome") << "first run" << "Intro to Quadrel\u2122"
            << "Quadrel\u2122 program determines the best parameter values for a boundary\r\n"
            << int(MsgIcon::None);
        QTest::newRow("user folder gone") << "userPath gone" << "In 'form_load' routine ..."
            << "Unexpected error # 76 occured: Path not found ... fileTemp = \r\n ... fileTempPath = "
               "%1/gone\r\nappPath = %1\r\n"
            << int(MsgIcon::Critical);
        QTest::newRow("device unavailable") << "device" << "In 'Form_Load' routine ..."
            << "This drive or path does not exist: %1" << int(MsgIcon::Exclamation);
        QTest::newRow("User is a file") << "User file" << "In 'Start_INI' routine ..."
            << "Unexpected error # 75 occured: \r\nPath =%1\r\nPath/File access error.  "
               "Suggest re-installing Quadrel."
            << int(MsgIcon::Critical);
    }
    void messages() {
        QFETCH(QString, trigger);
        QFETCH(QString, title);
        QFETCH(QString, text);
        std::unique_ptr<Run> r;
        if (trigger == QLatin1String("first run")) {
            r = std::make_unique<Run>(app_);
            r->click(r->program->intro()->cmdCreateIntro);
        } else if (trigger == QLatin1String("device")) {
            r = std::make_unique<Run>(app_);
            int tries = 0;
            QVERIFY(formLoadStep(r->state, [&] {
                if (++tries == 1) throw RtError(rterr::DeviceUnavailable);
            }));
            QCOMPARE(tries, 2);  // tried again after OK
        } else {
            store(kProductKey, regname::RunCount, QStringLiteral("1"));
            if (trigger == QLatin1String("userPath gone"))
                store(kProductKey, regname::userPath, QStringLiteral("gone"));
            else
                QFile(app_ + QStringLiteral("/User")).open(QIODevice::WriteOnly);
            r = std::make_unique<Run>(app_);
            QVERIFY(r->form()->isVisible());  // the load goes on after the message
        }
        QVERIFY(!r->msg.shown().isEmpty());
        const MessageRequest &m = r->msg.shown().constFirst();
        QCOMPARE(m.title, title);
        QVERIFY2(m.text.startsWith(text.arg(app_)), qPrintable(m.text));
        QTEST(int(m.icon), "icon");
        QCOMPARE(m.buttons, MsgButtons::Ok);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
