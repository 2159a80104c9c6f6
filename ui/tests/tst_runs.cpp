// The run commands as the user reaches them. Demo mode, "Test it!" and the View menu run
// against a recording launcher; a typed boundary problem and a file name full of shell
// syntax run for real: run-VADE and the solver in a program folder of their own, through
// the desktop launcher and its run console. The console itself with small scripts: live
// output, an answer typed into it, how each kind of end is told, and the other windows
// taking no input meanwhile.
#include "FormFixture.h"
#include "demos/DemoSolutions.h"
#include "platform/tests/TestFiles.h"
#include "ui/DesktopLauncher.h"
#include "ui/RunConsole.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

using namespace quadrel;
using quadrel::test::FormFixture;

Q_DECLARE_METATYPE(quadrel::RunOutcome::Kind)

namespace {

RunConsole *activeConsole() { return qobject_cast<RunConsole *>(QApplication::activeModalWidget()); }

QString readText(const QString &path) { return QString::fromLatin1(testing::readTestFile(path)); }

QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Which of the seven tabs and of the five menus can be chosen, as "0"/"1" strings.
QString enabledTabs(const frmMain &form) {
    QString s;
    for (int i = 0; i < form.ODE_Tabs->count(); ++i) s += form.ODE_Tabs->isTabEnabled(i) ? '1' : '0';
    return s;
}
QString enabledMenus(const frmMain &form) {
    QString s;
    for (const char *m : {"mnuFile", "mnuDemos", "mnuView", "mnuWeb", "mnuHelp"})
        s += form.menuAction(QLatin1String(m))->isEnabled() ? '1' : '0';
    return s;
}

}  // namespace

class TstRuns : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;
    QString start_ = QDir::currentPath();
    QString app_;

    // dir/Quadrel holding run-VADE, the solver, demos/ and an empty User folder.
    void prepare(FormFixture &f, Launcher &launcher) {
        app_ = dir_->filePath(QStringLiteral("Quadrel"));
        QDir().mkpath(app_ + QStringLiteral("/User"));
        QFile::link(QStringLiteral(RUN_VADE_SCRIPT), app_ + QStringLiteral("/run-VADE"));
        QFile::link(QStringLiteral(VADE_PROGRAM), app_ + QStringLiteral("/vade"));
        if (auto *desktop = dynamic_cast<DesktopLauncher *>(&launcher)) desktop->setParent(f.form.get());
        f.state.launcher = &launcher;
        f.state.appPath = app_;
        f.state.basePath = app_ + QStringLiteral("/..");
    }
    // An executable shell script; no body gives a program that does not exist.
    QString script(const QString &path, const QByteArray &body) {
        QFile f(path);
        if (body.isEmpty() || !f.open(QIODevice::WriteOnly)) return path;
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    // A demo file saved as User/name, opened as start-up reopens the last file; the Run page
    // shown with AutoExit ticked.
    QString openSaved(FormFixture &f, const QString &name) {
        const QString user = app_ + QStringLiteral("/User");
        if (!name.isEmpty()) {
            QFile::copy(QStringLiteral(QUADREL_DEMOS_DIR "/ExIVP.1.ode"), user + QLatin1Char('/') + name);
            f.state.fileName = name;
            f.state.filePath = user;
            f.state.userPath = QStringLiteral("User");
            f.state.dataChanged = false;
        }
        f.showPage(frmMain::TabRun);
        QCheckBox *autoExit = f.form->page5->AutoExit;
        QTest::mouseClick(autoExit, Qt::LeftButton, {}, QPoint(8, autoExit->height() / 2));
        return user;
    }

private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }
    void cleanup() { QDir::setCurrent(start_); }

    void demoMode_data() {
        QTest::addColumn<int>("pick");  // Exam index clicked; 0 leaves the list untouched
        QTest::addColumn<QString>("file");
        QTest::newRow("untouched list") << 0 << "ExIVP.1.ode";
        QTest::newRow("example 15") << 15 << "ExProb.1.ode";
    }
    void demoMode() {
        QFETCH(int, pick);
        QFETCH(QString, file);
        FormFixture f;
        RecordingLauncher l;
        prepare(f, l);
        QDir().mkpath(app_ + QStringLiteral("/demos"));
        f.menu(Qt::Key_D, Qt::Key_D);
        QCOMPARE(f.form->ODE_Tabs->currentIndex(), int(frmMain::TabDemos));
        QCOMPARE(enabledTabs(*f.form), QStringLiteral("0100001"));
        QCOMPARE(enabledMenus(*f.form), QStringLiteral("00011"));
        if (pick) f.click(QStringLiteral("Exam"), pick);
        for (int run = 1; run <= 2; ++run) {  // runs repeat and stay in demo mode
            f.click(QStringLiteral("cmdRunDemo"));
            QCOMPARE(l.requests.size(), run);
            QCOMPARE(l.requests.last().command,
                     (CommandLine{app_ + QStringLiteral("/run-VADE"), {file, QStringLiteral("demos"), QStringLiteral("wait")},
                                  QFileInfo(app_ + QStringLiteral("/demos")).canonicalFilePath()}));
            QCOMPARE(enabledTabs(*f.form), QStringLiteral("0100001"));
        }
        f.click(QStringLiteral("cmdCancelDemo"));
        QCOMPARE(f.form->ODE_Tabs->currentIndex(), int(frmMain::TabEquation));
        QCOMPARE(enabledTabs(*f.form), QStringLiteral("1011111"));
        QCOMPARE(enabledMenus(*f.form), QStringLiteral("11111"));
        QCOMPARE(f.msg.shown().size(), 0);
    }

    void testItAndViewPlots() {
        FormFixture f;
        RecordingLauncher l;
        prepare(f, l);
        QVERIFY(QFile::copy(QStringLiteral(VETRIX_LIBRARY), app_ + QStringLiteral("/libVetrix.so")));
        f.click(QStringLiteral("cmdTestIt"));
        QCOMPARE(l.requests.size(), 1);
        QCOMPARE(l.requests[0].target, f.state.basePath + QStringLiteral("/notePad2 ") +
                                           QFileInfo(app_ + QStringLiteral("/~Vetrix.out")).canonicalFilePath());
        QFile(dir_->filePath(QStringLiteral("Lumaplots"))).open(QIODevice::WriteOnly);
        f.menu(Qt::Key_V, Qt::Key_P);
        QCOMPARE(l.requests.size(), 2);
        QCOMPARE(l.requests[1].target, f.state.basePath + QStringLiteral("/Lumaplots ~4plots.plt"));
        QCOMPARE(f.msg.shown().size(), 0);
    }

    // A boundary problem typed into a new form, saved when Submit asks and solved with
    // AutoExit on: the outputs in the run folder and their copies, and the fitted A.
    void typedBoundaryProblem() {
        const demos::DemoCase *c = nullptr;
        for (const demos::DemoCase &d : demos::allDemos())
            if (QLatin1String(d.stem) == QLatin1String("ExBVP.5")) c = &d;
        QVERIFY(c);
        FormFixture f;
        DesktopLauncher launcher;
        prepare(f, launcher);
        f.state.fileName = QStringLiteral("New data");

        f.fill(f.form->Equation, QString::fromLatin1(c->equation));
        f.showPage(frmMain::TabParameters);
        const char *const texts[] = {c->aText, c->x0Text, c->initText, nullptr, c->dxText};
        for (int i = 2; i <= 6; ++i)
            f.fill(f.form->answerBoxes[size_t(i)],
                   i == 5 ? QString::number(c->nPoints) : QString::fromLatin1(texts[i - 2]));
        f.chooseBvp();
        for (const char *x : c->dataX) {
            f.enter(QString::fromLatin1(x));
            f.enter(QString::number(c->y(std::stod(x)), 'g', 17));
        }
        const QString user = openSaved(f, QString());
        f.msg.queueAnswer(MsgAnswer::Ok);
        f.dialog.queuePath(user + QStringLiteral("/fit.ode"));
        f.click(QStringLiteral("cmdSubmit"));

        QCOMPARE(f.msg.shown().size(), 1);  // the save question only
        for (const char *name : {"fit.ode", "~Quadrel.out", "~4plots.plt", "output/fit.out", "output/fit.plt"})
            QVERIFY2(QFileInfo(user + QLatin1Char('/') + QLatin1String(name)).size() > 0, name);
        static const QRegularExpression fitted(QStringLiteral("Fitted A\\s+(\\S+)"));
        const QRegularExpressionMatch m = fitted.match(readText(user + QStringLiteral("/~Quadrel.out")));
        QVERIFY(m.hasMatch());
        QVERIFY2(std::fabs(m.captured(1).toDouble() - c->trueA) <= 1e-8, qPrintable(m.captured(1)));
        QCOMPARE(readText(user + QStringLiteral("/output/fit.out")), readText(user + QStringLiteral("/~Quadrel.out")));
    }

    // A file name full of shell syntax is handed over as text: the solver runs on exactly
    // that file and nothing else comes into being.
    void shellTextInAFileName() {
        FormFixture f;
        DesktopLauncher launcher;
        prepare(f, launcher);
        const QString name = QStringLiteral("a;touch pwned $(id).ode");
        const QString user = openSaved(f, name);
        f.form->setMenusEnabled({"mnuFile", "mnuDemos", "mnuView", "mnuWeb", "mnuHelp"}, false);
        f.click(QStringLiteral("cmdSubmit"));
        QCOMPARE(enabledMenus(*f.form), QStringLiteral("11111"));  // given back after the run

        QCOMPARE(f.msg.shown().size(), 0);
        QVERIFY(f.form->page5->AutoExit->isChecked());
        QCOMPARE(entries(user), (QStringList{name, QStringLiteral("output"), QStringLiteral("~4plots.plt"),
                                             QStringLiteral("~Quadrel.out")}));
        QCOMPARE(entries(user + QStringLiteral("/output")),
                 (QStringList{QStringLiteral("a;touch pwned $(id).out"), QStringLiteral("a;touch pwned $(id).plt")}));
        QCOMPARE(entries(app_), (QStringList{QStringLiteral("User"), QStringLiteral("run-VADE"), QStringLiteral("vade")}));
        QCOMPARE(entries(dir_->path()), QStringList{QStringLiteral("Quadrel")});
        QVERIFY(!QFile::exists(start_ + QStringLiteral("/pwned")));
    }

    // The solver killed from outside, or hanging until the user stops the run: the window
    // says what happened, and the next run from it works.
    void solverKilledOrHanging_data() {
        QTest::addColumn<QByteArray>("solver");
        QTest::addColumn<bool>("stop");  // the user presses Stop Run
        QTest::addColumn<QString>("title");
        QTest::newRow("killed") << QByteArray("echo solving; kill -KILL $$") << false
                                << "The solver batch stopped abnormally";
        QTest::newRow("hanging") << QByteArray("echo solving; exec sleep 600") << true << "Run stopped";
    }
    void solverKilledOrHanging() {
        QFETCH(QByteArray, solver);
        QFETCH(bool, stop);
        QFETCH(QString, title);
        FormFixture f;
        DesktopLauncher launcher;
        prepare(f, launcher);
        const QString vade = app_ + QStringLiteral("/vade");
        QFile::remove(vade);
        script(vade, solver);
        const QString user = openSaved(f, QStringLiteral("Try.ode"));

        QString status;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(activeConsole());
            RunConsole *c = activeConsole();
            QTRY_VERIFY(c->txtOutput->toPlainText().contains(QStringLiteral("solving")));
            if (stop) QTest::mouseClick(c->cmdStop, Qt::LeftButton);
            QTRY_VERIFY(c->cmdClose->isEnabled());
            status = c->lblStatus->text();
            QTest::mouseClick(c->cmdClose, Qt::LeftButton);
        });
        f.click(QStringLiteral("cmdSubmit"));
        QVERIFY2(status.startsWith(stop ? "Stopped" : "Ended on signal 9"), qPrintable(status));
        QCOMPARE(f.msg.shown().size(), 1);
        QCOMPARE(f.msg.shown()[0].title, title);

        // The real solver back in place: the same window runs the problem to its end.
        QVERIFY(QFile::remove(vade));
        QVERIFY(QFile::link(QStringLiteral(VADE_PROGRAM), vade));
        f.msg.clear();
        f.click(QStringLiteral("cmdSubmit"));
        QCOMPARE(f.msg.shown().size(), 0);
        QFile report(user + QStringLiteral("/output/Try.out"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QVERIFY(report.readAll().contains("SOLVED"));
    }

    // The console on its own. A solver killed inside the batch and Stop are above.
    void consoleEndings_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("answer");  // the user types an answer while it runs
        QTest::addColumn<RunOutcome::Kind>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("status");  // the console's last words; "" when it closed itself
        QTest::newRow("ends well: closes by itself")
            << QByteArray("echo solved; exit 0") << false << RunOutcome::Ended << 0 << "";
        QTest::newRow("answer typed, status kept")
            << QByteArray("echo 'Press Enter'; read a; echo \"got $a\"; exit 3") << true
            << RunOutcome::Ended << 3 << "Ended with exit status 3";
        QTest::newRow("crash") << QByteArray("echo before; kill -SEGV $$") << false << RunOutcome::Crashed
                               << 11 << "Ended on signal 11";
        QTest::newRow("solver crash inside the batch")
            << QByteArray("sh -c 'kill -ABRT $$'; exit $?") << false << RunOutcome::Crashed << 134
            << "Ended on signal 6";
        QTest::newRow("cannot start") << QByteArray() << false << RunOutcome::NotStarted << -1 << "";
    }
    void consoleEndings() {
        QFETCH(QByteArray, body);
        QFETCH(bool, answer);
        QFETCH(RunOutcome::Kind, kind);
        QFETCH(int, code);
        QFETCH(QString, status);
        QWidget window;  // the program's window: it must take no clicks during the run
        auto *button = new QPushButton(QStringLiteral("Other"), &window);
        QSignalSpy clicks(button, &QPushButton::clicked);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QString seen;
        if (!status.isEmpty()) QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(activeConsole());
            RunConsole *c = activeConsole();
            if (answer) {
                QTRY_VERIFY(c->txtOutput->toPlainText().contains(QStringLiteral("Press Enter")));
                // Through the window system, as a user's click comes.
                QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                                  button->mapTo(&window, button->rect().center()));
                QTest::keyClicks(c->txtInput, QStringLiteral("yes"));
                QTest::keyClick(c->txtInput, Qt::Key_Return);
            }
            QTRY_VERIFY(c->cmdClose->isEnabled());
            seen = c->lblStatus->text() + QLatin1Char('\n') + c->txtOutput->toPlainText();
            QTest::mouseClick(c->cmdClose, Qt::LeftButton);
        });
        DesktopLauncher launcher(&window);
        const QString program = script(dir_->filePath(QStringLiteral("run")), body);
        const RunOutcome r = launcher.runAndWait(CommandLine{program, {}, dir_->path()});
        QCOMPARE(r.kind, kind);
        if (kind == RunOutcome::NotStarted) QVERIFY(!r.error.isEmpty());
        if (code >= 0) QCOMPARE(r.exitCode, code);
        QVERIFY2(status.isEmpty() || seen.startsWith(status), qPrintable(seen));
        if (answer) QVERIFY(seen.contains(QStringLiteral("got yes")));
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!activeConsole());
    }
};

QTEST_MAIN(TstRuns)
#include "tst_runs.moc"
