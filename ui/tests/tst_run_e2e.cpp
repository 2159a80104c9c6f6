// Real runs from the window: the solver batch and the solver in a program folder of their
// own, started through the desktop launcher and its run console.
#include "FormFixture.h"
#include "ui/DesktopLauncher.h"

#include <QCheckBox>
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
};

QTEST_MAIN(TstRunE2E)
#include "tst_run_e2e.moc"
