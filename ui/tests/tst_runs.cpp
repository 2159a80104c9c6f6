// The run commands as the user reaches them: demo mode from the Demos menu, an example
// picked and run, Submit on an incomplete and on a never-saved form, "Test it!" and the
// View menu, all against a recording launcher in a program folder of their own.
#include "FormFixture.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

namespace {

const QStringList kMenus = {"mnuFile", "mnuDemos", "mnuView", "mnuWeb", "mnuHelp"};

QString enabledTabs(const frmMain &form) {
    QString s;
    for (int i = 0; i < form.ODE_Tabs->count(); ++i) s += form.ODE_Tabs->isTabEnabled(i) ? '1' : '0';
    return s;
}

QString enabledMenus(const frmMain &form) {
    QString s;
    for (const QString &m : kMenus) s += form.menuAction(m)->isEnabled() ? '1' : '0';
    return s;
}

}  // namespace

class TstRuns : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString start_ = QDir::currentPath();

    // A fixture whose program folder is dir/Quadrel, with demos/ and a run-VADE file.
    void prepare(FormFixture &f, RecordingLauncher &l) {
        f.state.launcher = &l;
        f.state.appPath = dir_.filePath(QStringLiteral("Quadrel"));
        f.state.basePath = f.state.appPath + QStringLiteral("/..");
        QDir().mkpath(f.state.appPath + QStringLiteral("/demos"));
        QFile batch(f.state.appPath + QStringLiteral("/run-VADE"));
        QVERIFY(batch.open(QIODevice::WriteOnly));
    }
    // Opens a top-level menu with its Alt key and picks an entry by its access key.
    void menu(FormFixture &f, Qt::Key top, Qt::Key entry) {
        QTest::keyClick(f.form.get(), top, Qt::AltModifier);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        QTest::keyClick(QApplication::activePopupWidget(), entry);
    }

private slots:
    void cleanup() { QDir::setCurrent(start_); }

    void demoMode_data() {
        QTest::addColumn<int>("pick");  // Exam index clicked; 0 leaves the list untouched
        QTest::addColumn<QString>("file");
        QTest::newRow("untouched list") << 0 << "ExIVP.1.ode";
        QTest::newRow("example 15") << 15 << "ExProb.1.ode";
        QTest::newRow("example 7") << 7 << "ExBVP.2.ode";
    }
    void demoMode() {
        QFETCH(int, pick);
        QFETCH(QString, file);
        FormFixture f;
        RecordingLauncher l;
        prepare(f, l);
        menu(f, Qt::Key_D, Qt::Key_D);
        QCOMPARE(f.form->ODE_Tabs->currentIndex(), int(frmMain::TabDemos));
        QCOMPARE(enabledTabs(*f.form), QStringLiteral("0100001"));
        QCOMPARE(enabledMenus(*f.form), QStringLiteral("00011"));

        if (pick) f.click(QStringLiteral("Exam"), pick);
        for (int run = 1; run <= 2; ++run) {
            f.click(QStringLiteral("cmdRunDemo"));
            QCOMPARE(l.requests.size(), run);
            const CommandLine &c = l.requests.last().command;
            QCOMPARE(c.program, f.state.appPath + QStringLiteral("/run-VADE"));
            QCOMPARE(c.arguments, (QStringList{file, QStringLiteral("demos"), QStringLiteral("wait")}));
            QCOMPARE(c.workingDirectory, QFileInfo(f.state.appPath + QStringLiteral("/demos")).canonicalFilePath());
            QCOMPARE(enabledTabs(*f.form), QStringLiteral("0100001"));  // still in demo mode
        }
        QCOMPARE(f.state.runMode, QStringLiteral("Demo"));

        f.click(QStringLiteral("cmdCancelDemo"));
        QCOMPARE(f.form->ODE_Tabs->currentIndex(), int(frmMain::TabEquation));
        QCOMPARE(enabledTabs(*f.form), QStringLiteral("1011111"));
        QCOMPARE(enabledMenus(*f.form), QStringLiteral("11111"));
        QCOMPARE(f.msg.shown().size(), 0);
    }

    void submit() {
        FormFixture f;
        RecordingLauncher l;
        prepare(f, l);
        QTest::mouseClick(f.form->Equation, Qt::LeftButton);
        f.key(Qt::Key_A, Qt::ControlModifier);
        f.key(Qt::Key_Delete);
        f.showPage(frmMain::TabRun);
        f.click(QStringLiteral("cmdSubmit"));
        QCOMPARE(f.msg.shown().size(), 1);
        QCOMPARE(f.msg.shown()[0].title, QStringLiteral("Missing some data fields"));

        // A complete problem never saved: the save question, and Cancel runs nothing.
        f.showPage(frmMain::TabEquation);
        f.type(QStringLiteral("Y'' = -Y"));
        f.state.fileName = QStringLiteral("New data");
        f.msg.clear();
        f.msg.queueAnswer(MsgAnswer::Cancel);
        f.showPage(frmMain::TabRun);
        for (const QString &m : kMenus) f.form->menuAction(m)->setEnabled(false);
        f.click(QStringLiteral("cmdSubmit"));
        QCOMPARE(enabledMenus(*f.form), QStringLiteral("11111"));  // given back after the run
        QCOMPARE(f.msg.shown().size(), 1);
        QCOMPARE(f.msg.shown()[0].title, QStringLiteral("File -not- saved OR has been modified!"));
        QCOMPARE(f.msg.shown()[0].text, QStringLiteral("Okay to save 'New data' now?"));
        QVERIFY(l.requests.isEmpty());
        QCOMPARE(f.state.runMode, QStringLiteral("*"));
    }

    void testItAndViewMenu() {
        FormFixture f;
        RecordingLauncher l;
        prepare(f, l);
        QVERIFY(QFile::copy(QStringLiteral(VETRIX_LIBRARY), f.state.appPath + QStringLiteral("/libVetrix.so")));
        f.type(QStringLiteral("Y' = X"));
        f.state.dataChanged = false;
        f.click(QStringLiteral("cmdTestIt"));
        QCOMPARE(f.msg.shown().size(), 0);
        QCOMPARE(l.requests.size(), 1);
        QCOMPARE(l.requests[0].command.program, f.state.basePath + QStringLiteral("/notePad2"));
        QCOMPARE(l.requests[0].command.arguments,
                 QStringList{QFileInfo(f.state.appPath + QStringLiteral("/~Vetrix.out")).canonicalFilePath()});
        QVERIFY(!f.state.dataChanged);

        QDir::setCurrent(dir_.path());
        menu(f, Qt::Key_V, Qt::Key_L);
        QCOMPARE(f.msg.shown().size(), 1);
        QCOMPARE(f.msg.shown()[0].title, QStringLiteral("'~Quadrel.out' file not found."));
        QFile plotter(dir_.filePath(QStringLiteral("Lumaplots")));
        QVERIFY(plotter.open(QIODevice::WriteOnly));
        menu(f, Qt::Key_V, Qt::Key_P);
        QCOMPARE(l.requests.size(), 2);
        QCOMPARE(l.requests[1].command.arguments, QStringList{QStringLiteral("~4plots.plt")});
        QCOMPARE(l.requests[1].command.workingDirectory, QDir::currentPath());
    }
};

QTEST_MAIN(TstRuns)
#include "tst_runs.moc"
