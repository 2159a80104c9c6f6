#include "ui/RunConsole.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace quadrel {

namespace {

// The output kept in the window: a long run's oldest lines go first.
constexpr int kMaxLines = 20000;
// How long a stopped program gets to end before it is killed.
constexpr int kKillDelayMs = 2000;

// Sends sig to the program's process group (it leads one), or to the program alone.
void signalRun(qint64 pid, int sig) {
    if (pid <= 0) return;  // never a group of our own
    if (::kill(-pid_t(pid), sig) != 0) ::kill(pid_t(pid), sig);
}

QString describeSignal(int sig) {
    return QStringLiteral("signal %1, %2").arg(sig).arg(QString::fromLocal8Bit(strsignal(sig)));
}

}  // namespace

RunConsole::RunConsole(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RunConsole"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(760, 460);

    lblCommand = new QLabel(this);
    lblCommand->setObjectName(QStringLiteral("lblCommand"));
    lblCommand->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCommand->setWordWrap(true);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    txtOutput = new QPlainTextEdit(this);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setReadOnly(true);
    txtOutput->setFont(fixed);
    txtOutput->setMaximumBlockCount(kMaxLines);
    txtOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtOutput->setFocusPolicy(Qt::ClickFocus);

    txtInput = new QLineEdit(this);
    txtInput->setObjectName(QStringLiteral("txtInput"));
    txtInput->setFont(fixed);
    txtInput->setPlaceholderText(QStringLiteral("Type an answer for the run here and press Enter"));
    connect(txtInput, &QLineEdit::returnPressed, this, &RunConsole::sendInput);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    cmdStop = new QPushButton(QStringLiteral("&Stop Run"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setToolTip(QStringLiteral("End the run and every program it started"));
    cmdStop->setAutoDefault(false);
    connect(cmdStop, &QPushButton::clicked, this, &RunConsole::stop);
    cmdClose = new QPushButton(QStringLiteral("C&lose"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setEnabled(false);
    cmdClose->setAutoDefault(false);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblCommand);
    layout->addWidget(txtOutput, 1);
    layout->addWidget(txtInput);
    layout->addLayout(buttons);

    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, &RunConsole::tick);
    killTimer_.setSingleShot(true);
    killTimer_.setInterval(kKillDelayMs);
    connect(&killTimer_, &QTimer::timeout, this, [this] {
        if (running_) signalRun(process_.processId(), SIGKILL);
    });
    connect(&process_, &QProcess::finished, this, &RunConsole::finished);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) failedToStart();
    });
    connect(&process_, &QProcess::readyReadStandardOutput, this,
            [this] { append(process_.readAllStandardOutput()); });
}

RunConsole::~RunConsole() {
    if (running_) {
        signalRun(process_.processId(), SIGKILL);
        process_.waitForFinished(kKillDelayMs);
    }
    if (terminal_ >= 0) ::close(terminal_);
    if (terminalChild_ >= 0) ::close(terminalChild_);
}

RunOutcome RunConsole::run(const CommandLine &command) {
    command_ = command;
    setWindowTitle(QStringLiteral("Quadrel run: ") + command.arguments.join(QLatin1Char(' ')));
    lblCommand->setText(command.program + QLatin1Char(' ') + command.arguments.join(QLatin1Char(' ')) +
                        QStringLiteral("\nin ") + command.workingDirectory);
    setWindowModality(Qt::ApplicationModal);
    QTimer::singleShot(0, this, &RunConsole::start);
    exec();
    return outcome_;
}

void RunConsole::start() {
    // The program gets a terminal of its own, so that it writes its lines as they come and
    // reads its answers from there; it also leads a process group of its own, so that Stop
    // reaches every program the batch started.
    struct winsize size = {24, 100, 0, 0};
    if (::openpty(&terminal_, &terminalChild_, nullptr, nullptr, &size) == 0) {
        struct termios t;
        if (::tcgetattr(terminalChild_, &t) == 0) {
            t.c_oflag &= ~tcflag_t(ONLCR);  // plain "\n" line ends
            ::tcsetattr(terminalChild_, TCSANOW, &t);
        }
        ::fcntl(terminal_, F_SETFD, FD_CLOEXEC);
        ::fcntl(terminalChild_, F_SETFD, FD_CLOEXEC);
        ::fcntl(terminal_, F_SETFL, ::fcntl(terminal_, F_GETFL) | O_NONBLOCK);
        notifier_ = new QSocketNotifier(terminal_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &RunConsole::readTerminal);
    } else {
        terminal_ = terminalChild_ = -1;
        process_.setProcessChannelMode(QProcess::MergedChannels);
    }
    const int child = terminalChild_;
    process_.setChildProcessModifier([child] {
        ::setsid();
        if (child >= 0) {
            ::ioctl(child, TIOCSCTTY, 0);
            ::dup2(child, 0);
            ::dup2(child, 1);
            ::dup2(child, 2);
        }
    });
    process_.setProgram(command_.program);
    process_.setArguments(command_.arguments);
    process_.setWorkingDirectory(command_.workingDirectory);
    running_ = true;
    elapsed_.start();
    tick();
    clock_.start();
    txtInput->setFocus(Qt::OtherFocusReason);
    process_.start();
    if (terminalChild_ >= 0) {
        ::close(terminalChild_);
        terminalChild_ = -1;
    }
}

void RunConsole::tick() {
    if (running_)
        lblStatus->setText(QStringLiteral("Running for %1 s").arg(elapsed_.elapsed() / 1000));
}

void RunConsole::readTerminal() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(terminal_, buffer, sizeof buffer);
        if (n > 0) {
            append(QByteArray(buffer, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // EAGAIN: all read for now. EIO or end: no program holds the terminal any more.
        if (n == 0 || errno != EAGAIN) notifier_->setEnabled(false);
        return;
    }
}

void RunConsole::append(const QByteArray &bytes) {
    QString text = decoder_.decode(bytes);
    text.remove(QLatin1Char('\r'));
    if (text.isEmpty()) return;
    QScrollBar *bar = txtOutput->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor c(txtOutput->document());
    c.movePosition(QTextCursor::End);
    c.insertText(text);
    if (atEnd) bar->setValue(bar->maximum());
}

void RunConsole::sendInput() {
    if (!running_) return;
    const QByteArray line = txtInput->text().toLocal8Bit() + '\n';
    txtInput->clear();
    if (terminal_ >= 0) {
        if (::write(terminal_, line.constData(), size_t(line.size())) < 0) return;
    } else {
        process_.write(line);
    }
}

void RunConsole::stop() {
    if (!running_ || stopping_) return;
    stopping_ = true;
    lblStatus->setText(QStringLiteral("Stopping ..."));
    signalRun(process_.processId(), SIGTERM);
    killTimer_.start();
}

void RunConsole::finished(int exitCode, QProcess::ExitStatus status) {
    if (terminal_ >= 0) readTerminal();  // what the program wrote just before it ended
    running_ = false;
    clock_.stop();
    killTimer_.stop();
    const QString seconds = QStringLiteral(" after %1 s.").arg(elapsed_.elapsed() / 1000.0, 0, 'f', 1);
    if (stopping_) {
        outcome_ = {RunOutcome::Stopped, exitCode, QStringLiteral("stopped by the user")};
        showEnd(QStringLiteral("Stopped") + seconds, false);
    } else if (status == QProcess::CrashExit) {
        outcome_ = {RunOutcome::Crashed, exitCode, describeSignal(exitCode)};
        showEnd(QStringLiteral("Ended on ") + outcome_.error + seconds, false);
    } else if (exitCode > 128 && exitCode <= 128 + 64) {
        // A batch reports a program of its own that died on a signal as 128 + the signal.
        outcome_ = {RunOutcome::Crashed, exitCode, describeSignal(exitCode - 128)};
        showEnd(QStringLiteral("Ended on ") + outcome_.error + seconds, false);
    } else {
        outcome_ = {RunOutcome::Ended, exitCode, QString()};
        showEnd(QStringLiteral("Ended with exit status %1").arg(exitCode) + seconds, exitCode == 0);
    }
}

void RunConsole::failedToStart() {
    running_ = false;
    clock_.stop();
    outcome_ = {RunOutcome::NotStarted, -1, process_.errorString()};
    accept();  // nothing to show: the caller says why
}

void RunConsole::showEnd(const QString &text, bool ok) {
    lblStatus->setText(text);
    if (!ok) {
        QPalette p = lblStatus->palette();
        p.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
        lblStatus->setPalette(p);
    }
    txtOutput->appendPlainText(QStringLiteral("\n[") + text + QLatin1Char(']'));
    txtInput->setEnabled(false);
    cmdStop->setEnabled(false);
    cmdClose->setEnabled(true);
    cmdClose->setDefault(true);
    cmdClose->setFocus(Qt::OtherFocusReason);
    if (ok) accept();
}

void RunConsole::reject() {
    // Escape closes an ended run's console, never a running one.
    if (!running_) QDialog::reject();
}

void RunConsole::closeEvent(QCloseEvent *event) {
    if (running_) {
        event->ignore();
        stop();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace quadrel
