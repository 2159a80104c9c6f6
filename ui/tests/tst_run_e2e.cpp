// Real runs from the window: the solver batch and the solver in a program folder of their
// own, started through the desktop launcher and its run console.
#include "FormFixture.h"
#include "ui/DesktopLauncher.h"
#include "ui/RunConsole.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

namespace {

QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

}  // namespace

class TstRunE2E : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString start_ = QDir::currentPath();
    QString app_;

    // dir/Quadrel holding run-VADE and the solver, with an empty User folder.
    void prepare(FormFixture &f, DesktopLauncher &launcher) {
        app_ = dir_.filePath(QStringLiteral("Quadrel"));
        QDir().mkpath(app_ + QStringLiteral("/User"));
        QFile::link(QStringLiteral(RUN_VADE_SCRIPT), app_ + QStringLiteral("/run-VADE"));
        QFile::link(QStringLiteral(VADE_PROGRAM), app_ + QStringLiteral("/vade"));
        launcher.setParent(f.form.get());
        f.state.launcher = &launcher;
        f.state.appPath = app_;
        f.state.basePath = app_ + QStringLiteral("/..");
    }

private slots:
    void cleanup() { QDir::setCurrent(start_); }

    // A file name full of shell syntax is handed over as text: the solver runs on exactly
    // that file and nothing else comes into being.
    void shellTextInAFileName() {
        FormFixture f;
        DesktopLauncher launcher;
        prepare(f, launcher);
        const QString name = QStringLiteral("a;touch pwned $(id).ode");
        const QString user = app_ + QStringLiteral("/User");
        QVERIFY(QFile::copy(QStringLiteral(QUADREL_DEMOS_DIR "/ExIVP.1.ode"), user + QLatin1Char('/') + name));
        // As start-up leaves them after reopening the last file.
        f.state.fileName = name;
        f.state.filePath = user;
        f.state.userPath = QStringLiteral("User");
        f.state.dataChanged = false;

        f.showPage(frmMain::TabRun);
        QCheckBox *autoExit = f.form->page5->AutoExit;
        QTest::mouseClick(autoExit, Qt::LeftButton, {}, QPoint(8, autoExit->height() / 2));
        QVERIFY(f.form->page5->AutoExit->isChecked());
        f.click(QStringLiteral("cmdSubmit"));

        QCOMPARE(f.msg.shown().size(), 0);
        QCOMPARE(entries(user), (QStringList{name, QStringLiteral("output"), QStringLiteral("~4plots.plt"),
                                             QStringLiteral("~Quadrel.out")}));
        QCOMPARE(entries(user + QStringLiteral("/output")),
                 (QStringList{QStringLiteral("a;touch pwned $(id).out"), QStringLiteral("a;touch pwned $(id).plt")}));
        QCOMPARE(entries(app_), (QStringList{QStringLiteral("User"), QStringLiteral("run-VADE"), QStringLiteral("vade")}));
        QCOMPARE(entries(dir_.path()), QStringList{QStringLiteral("Quadrel")});
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
        QFile script(vade);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + solver + "\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        const QString user = app_ + QStringLiteral("/User");
        QDir(user).removeRecursively();
        QVERIFY(QDir().mkpath(user));
        QVERIFY(QFile::copy(QStringLiteral(QUADREL_DEMOS_DIR "/ExIVP.1.ode"), user + QStringLiteral("/Try.ode")));
        f.state.fileName = QStringLiteral("Try.ode");
        f.state.filePath = user;
        f.state.userPath = QStringLiteral("User");
        f.state.dataChanged = false;
        f.showPage(frmMain::TabRun);
        QCheckBox *autoExit = f.form->page5->AutoExit;
        QTest::mouseClick(autoExit, Qt::LeftButton, {}, QPoint(8, autoExit->height() / 2));

        QString status;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<RunConsole *>(QApplication::activeModalWidget()));
            auto *c = qobject_cast<RunConsole *>(QApplication::activeModalWidget());
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
};

QTEST_MAIN(TstRunE2E)
#include "tst_run_e2e.moc"
