#pragma once
// The run console: the window a waited-for run shows while it lasts. The program's output
// appears as it is written (the program sees a terminal, so it writes line by line), a line
// typed below goes to the program's input, and the status line counts the seconds and, at
// the end, says how the run ended. The console is modal for the whole program: the other
// windows keep repainting but take no input until the run has ended.
#include "platform/Launcher.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QTimer>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSocketNotifier;

namespace quadrel {

class RunConsole : public QDialog {
    Q_OBJECT
public:
    explicit RunConsole(QWidget *parent = nullptr);
    ~RunConsole() override;

    // Starts command and returns when it has ended. A run that ends with status 0 closes
    // the console at once; any other end leaves it open with its status until the user
    // closes it. Stop (or closing the window) ends the program and everything it started.
    RunOutcome run(const CommandLine &command);

    QLabel *lblCommand;
    QPlainTextEdit *txtOutput;
    QLineEdit *txtInput;
    QLabel *lblStatus;
    QPushButton *cmdStop, *cmdClose;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void start();
    void stop();
    void readTerminal();
    void append(const QByteArray &bytes);
    void sendInput();
    void finished(int exitCode, QProcess::ExitStatus status);
    void failedToStart();
    void showEnd(const QString &text, bool ok);
    void tick();

    CommandLine command_;
    QProcess process_;
    int terminal_ = -1;        // our side of the program's terminal; -1 when it has pipes
    int terminalChild_ = -1;   // the program's side, until it has started
    QSocketNotifier *notifier_ = nullptr;
    QStringDecoder decoder_{QStringDecoder::System};
    QTimer clock_, killTimer_;
    QElapsedTimer elapsed_;
    RunOutcome outcome_;
    bool running_ = false;
    bool stopping_ = false;
};

}  // namespace quadrel
