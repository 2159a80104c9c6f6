// The run console with real programs: live output, an answer typed into it, how each kind
// of end is told, Stop on a program that hangs, and the other windows taking no input
// meanwhile.
#include "ui/DesktopLauncher.h"
#include "ui/RunConsole.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;

Q_DECLARE_METATYPE(quadrel::RunOutcome::Kind)

namespace {

RunConsole *activeConsole() { return qobject_cast<RunConsole *>(QApplication::activeModalWidget()); }

}  // namespace

class TstConsole : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    // An executable shell script; no body gives a program that does not exist.
    QString script(const QByteArray &body) {
        const QString path = dir_.filePath(body.isEmpty() ? QStringLiteral("missing") : QStringLiteral("run"));
        QFile f(path);
        if (body.isEmpty() || !f.open(QIODevice::WriteOnly)) return path;
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return path;
    }

private slots:
    void endings_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("action");  // what the user does while it runs
        QTest::addColumn<RunOutcome::Kind>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("status");  // the console's last words; "" when it closed itself
        QTest::newRow("ends well: closes by itself")
            << QByteArray("echo solved; exit 0") << "" << RunOutcome::Ended << 0 << "";
        QTest::newRow("answer typed, status kept")
            << QByteArray("echo 'Press Enter'; read a; echo \"got $a\"; exit 3") << "answer"
            << RunOutcome::Ended << 3 << "Ended with exit status 3";
        QTest::newRow("crash") << QByteArray("echo before; kill -SEGV $$") << "" << RunOutcome::Crashed
                               << 11 << "Ended on signal 11";
        QTest::newRow("solver crash inside the batch")
            << QByteArray("sh -c 'kill -ABRT $$'; exit $?") << "" << RunOutcome::Crashed << 134
            << "Ended on signal 6";
        QTest::newRow("cannot start") << QByteArray() << "" << RunOutcome::NotStarted << -1 << "";
        QTest::newRow("hang, then Stop") << QByteArray("echo working; sleep 600 & wait") << "stop"
                                         << RunOutcome::Stopped << -1 << "Stopped";
    }
    void endings() {
        QFETCH(QByteArray, body);
        QFETCH(QString, action);
        QFETCH(RunOutcome::Kind, kind);
        QFETCH(int, code);
        QFETCH(QString, status);
        QWidget window;  // the program's window: it must take no clicks during the run
        auto *button = new QPushButton(QStringLiteral("Other"), &window);
        QSignalSpy clicks(button, &QPushButton::clicked);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QString seen;
        bool driven = false;
        if (!body.isEmpty()) QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(activeConsole());
            RunConsole *c = activeConsole();
            if (action == QLatin1String("answer")) {
                QTRY_VERIFY(c->txtOutput->toPlainText().contains(QStringLiteral("Press Enter")));
                // Through the window system, as a user's click comes.
                QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                                  button->mapTo(&window, button->rect().center()));
                QTest::keyClicks(c->txtInput, QStringLiteral("yes"));
                QTest::keyClick(c->txtInput, Qt::Key_Return);
            } else if (action == QLatin1String("stop")) {
                QTRY_VERIFY(c->txtOutput->toPlainText().contains(QStringLiteral("working")));
                QTest::mouseClick(c->cmdStop, Qt::LeftButton);
            }
            if (!status.isEmpty()) {
                QTRY_VERIFY(c->cmdClose->isEnabled());
                seen = c->lblStatus->text() + QLatin1Char('\n') + c->txtOutput->toPlainText();
                QTest::mouseClick(c->cmdClose, Qt::LeftButton);
            }
            driven = true;
        });
        DesktopLauncher launcher(&window);
        const RunOutcome r = launcher.runAndWait(CommandLine{script(body), {}, dir_.path()});
        QCOMPARE(r.kind, kind);
        if (kind == RunOutcome::NotStarted) QVERIFY(!r.error.isEmpty());
        if (code >= 0) QCOMPARE(r.exitCode, code);
        QVERIFY(driven || status.isEmpty());
        QVERIFY2(status.isEmpty() || seen.startsWith(status), qPrintable(seen));
        if (action == QLatin1String("answer")) QVERIFY(seen.contains(QStringLiteral("got yes")));
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!activeConsole());
    }
};

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
