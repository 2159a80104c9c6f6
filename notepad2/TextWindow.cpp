#include "notepad2/TextWindow.h"

#include "platform/FileWatch.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quadrel {

namespace {

// Far more than any listing the solver writes; a larger file is refused, not shown slowly.
constexpr qint64 MaxTextFileBytes = 64LL * 1024 * 1024;

QString withUnixLineEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// True when narrow and wide glyphs take the same width, which is what makes columns line
// up for the reader. A font's fixed-pitch flag is not enough: some monospace fonts leave
// it unset although every glyph has the same advance.
bool hasEqualAdvances(const QFont &font) {
    const QFontMetricsF m(font);
    const qreal wide = m.horizontalAdvance(QLatin1Char('M'));
    if (!(wide > 0))
        return false;
    for (const char c : {'i', 'l', '.', 'W', '0', ' '}) {
        if (std::abs(m.horizontalAdvance(QLatin1Char(c)) - wide) > wide * 1e-3)
            return false;
    }
    return true;
}

// The desktop's fixed font when its glyphs have equal advances, else the first family on
// the machine whose glyphs do.
QFont monospaceFont(int points) {
    QFont chosen = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    chosen.setStyleHint(QFont::Monospace);
    chosen.setPointSize(points);
    if (hasEqualAdvances(chosen))
        return chosen;
    for (const QString &family : QFontDatabase::families()) {
        QFont candidate(family, points);
        candidate.setStyleHint(QFont::Monospace);
        if (hasEqualAdvances(candidate))
            return candidate;
    }
    return chosen;
}

}  // namespace

TextWindow::TextWindow(MessageBoxes &messages, QWidget *parent)
    : QMainWindow(parent), messages_(messages) {
    setObjectName(QStringLiteral("notePad2"));
    setWindowTitle(QStringLiteral("notePad2"));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    editor_ = new QPlainTextEdit(central);
    editor_->setObjectName(QStringLiteral("textView"));
    editor_->setReadOnly(true);
    // Read-only, yet with a visible cursor that the keyboard can move and select with.
    editor_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    editor_->setUndoRedoEnabled(false);
    const QFont mono = monospaceFont(DefaultFontSize);
    editor_->setFont(mono);
    editor_->setTabStopDistance(8 * QFontMetricsF(mono).horizontalAdvance(QLatin1Char(' ')));
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(editor_, 1);
    setCentralWidget(central);

    buildFindBar();
    layout->addWidget(findBar_);

    info_ = new QLabel(this);
    statusBar()->addPermanentWidget(info_);
    watch_ = new FileWatch(this);
    connect(watch_, &FileWatch::changed, this, &TextWindow::fileChanged);
    buildMenus();
    updateStatus();
    editor_->setFocus();
    resize(860, 640);
}

void TextWindow::buildMenus() {
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open..."), this, &TextWindow::chooseAndOpen)
        ->setShortcut(QKeySequence::Open);
    file->addAction(QStringLiteral("&Reload"), this, &TextWindow::reload)
        ->setShortcut(QKeySequence(Qt::Key_F5));
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this, &QWidget::close)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction *copy = edit->addAction(QStringLiteral("&Copy"), editor_, &QPlainTextEdit::copy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(false);
    connect(editor_, &QPlainTextEdit::copyAvailable, copy, &QAction::setEnabled);
    edit->addAction(QStringLiteral("Select &All"), editor_, &QPlainTextEdit::selectAll)
        ->setShortcut(QKeySequence::SelectAll);
    edit->addSeparator();
    edit->addAction(QStringLiteral("&Find..."), this, &TextWindow::showFindBar)
        ->setShortcut(QKeySequence::Find);
    edit->addAction(QStringLiteral("Find &Next"), this, &TextWindow::findNext)
        ->setShortcut(QKeySequence(Qt::Key_F3));
    edit->addAction(QStringLiteral("Find &Previous"), this, &TextWindow::findPrevious)
        ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(QStringLiteral("&Larger Font"), this, &TextWindow::largerFont)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    view->addAction(QStringLiteral("&Smaller Font"), this, &TextWindow::smallerFont)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    view->addAction(QStringLiteral("&Normal Font Size"), this, &TextWindow::normalFont)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    view->addSeparator();
    wrapAction_ = view->addAction(QStringLiteral("&Word Wrap"));
    wrapAction_->setCheckable(true);
    wrapAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Z));
    connect(wrapAction_, &QAction::toggled, this, &TextWindow::setWordWrap);
}

void TextWindow::buildFindBar() {
    findBar_ = new QWidget(centralWidget());
    findBar_->setObjectName(QStringLiteral("findBar"));
    auto *row = new QHBoxLayout(findBar_);
    row->setContentsMargins(6, 4, 6, 4);
    auto *label = new QLabel(QStringLiteral("F&ind:"), findBar_);
    findEdit_ = new QLineEdit(findBar_);
    findEdit_->setObjectName(QStringLiteral("findEdit"));
    findEdit_->setClearButtonEnabled(true);
    label->setBuddy(findEdit_);
    matchCase_ = new QCheckBox(QStringLiteral("Match &case"), findBar_);
    auto *next = new QPushButton(QStringLiteral("&Next"), findBar_);
    auto *previous = new QPushButton(QStringLiteral("&Previous"), findBar_);
    auto *close = new QToolButton(findBar_);
    close->setText(QStringLiteral("x"));
    close->setToolTip(QStringLiteral("Close the find bar (Esc)"));
    row->addWidget(label);
    row->addWidget(findEdit_, 1);
    row->addWidget(matchCase_);
    row->addWidget(next);
    row->addWidget(previous);
    row->addWidget(close);
    connect(next, &QPushButton::clicked, this, &TextWindow::findNext);
    connect(previous, &QPushButton::clicked, this, &TextWindow::findPrevious);
    connect(close, &QToolButton::clicked, this, &TextWindow::hideFindBar);
    connect(findEdit_, &QLineEdit::returnPressed, this, &TextWindow::findNext);
    findEdit_->installEventFilter(this);
    findBar_->hide();
}

bool TextWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == findEdit_ && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            hideFindBar();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ShiftModifier)) {
            findPrevious();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TextWindow::openFile(const QString &path) {
    const QString full = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    path_ = full;
    watch_->watch(full);
    QFileInfo info(full);
    QString problem;
    QByteArray bytes;
    if (path.isEmpty()) {
        problem = QStringLiteral("No file was named.");
    } else if (!info.exists()) {
        problem = QStringLiteral("The file\n%1\nwas not found.").arg(full);
    } else if (info.isDir()) {
        problem = QStringLiteral("%1\nis a folder, not a file.").arg(full);
    } else {
        QFile file(full);
        if (!file.open(QIODevice::ReadOnly)) {
            problem = QStringLiteral("The file\n%1\ncannot be read: %2.").arg(full, file.errorString());
        } else if (file.size() > MaxTextFileBytes) {
            problem = QStringLiteral("The file\n%1\nis too large to show (%2 MB).")
                          .arg(full)
                          .arg(file.size() / (1024 * 1024));
        } else {
            bytes = file.readAll();
            if (file.error() != QFileDevice::NoError)
                problem = QStringLiteral("The file\n%1\ncannot be read: %2.").arg(full, file.errorString());
        }
    }
    if (!problem.isEmpty()) {
        clearView(problem);
        messages_.show(QStringLiteral("notePad2"), problem, MsgIcon::Exclamation);
        return false;
    }

    DecodedText decoded = decodeText(bytes);
    encoding_ = decoded.encoding;
    loaded_ = true;
    editor_->setPlaceholderText(QStringLiteral("The file is empty."));
    editor_->setPlainText(withUnixLineEnds(std::move(decoded.text)));
    setWindowTitle(QStringLiteral("%1 - notePad2").arg(info.fileName()));
    updateStatus();
    return true;
}

void TextWindow::clearView(const QString &why) {
    loaded_ = false;
    editor_->clear();
    editor_->setPlaceholderText(why);
    encoding_ = TextEncoding::Utf8;
    setWindowTitle(QStringLiteral("notePad2"));
    updateStatus();
}

bool TextWindow::reload() {
    if (path_.isEmpty())
        return false;
    // Keep the reader's place: the same line at the top and the cursor where it was.
    const int scroll = editor_->verticalScrollBar()->value();
    const int hscroll = editor_->horizontalScrollBar()->value();
    const int cursor = editor_->textCursor().position();
    if (!openFile(path_))
        return false;
    QTextCursor c = editor_->textCursor();
    c.setPosition(std::min(cursor, editor_->document()->characterCount() - 1));
    editor_->setTextCursor(c);
    editor_->verticalScrollBar()->setValue(scroll);
    editor_->horizontalScrollBar()->setValue(hscroll);
    statusBar()->showMessage(QStringLiteral("Reloaded."), 3000);
    return true;
}

// The solver and the checker rewrite their listings on every run: show the new text in the
// same place. A file that is gone keeps its last text on show until it comes back.
void TextWindow::fileChanged() {
    if (!QFileInfo::exists(path_)) {
        statusBar()->showMessage(QStringLiteral("The file was removed; this is its last text."));
        return;
    }
    reload();
}

void TextWindow::chooseAndOpen() {
    const QString start = path_.isEmpty() ? QDir::currentPath() : QFileInfo(path_).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open a Text File"), start,
        QStringLiteral("Output and listing files (*.out *.Out *.vx *.VX *.txt);;"
                       "Example files (*.ode);;All files (*)"));
    if (!chosen.isEmpty())
        openFile(chosen);
}

void TextWindow::showFindBar() {
    findBar_->show();
    const QString selected = editor_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        findEdit_->setText(selected);
    findEdit_->setFocus();
    findEdit_->selectAll();
}

void TextWindow::hideFindBar() {
    findBar_->hide();
    editor_->setFocus();
}

bool TextWindow::find(const QString &text, bool backward, bool matchCase) {
    if (text.isEmpty())
        return false;
    QTextDocument::FindFlags flags;
    if (backward)
        flags |= QTextDocument::FindBackward;
    if (matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (editor_->find(text, flags)) {
        statusBar()->clearMessage();
        return true;
    }
    const QTextCursor before = editor_->textCursor();
    QTextCursor wrap(editor_->document());
    wrap.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    editor_->setTextCursor(wrap);
    if (editor_->find(text, flags)) {
        statusBar()->showMessage(backward ? QStringLiteral("Search went on from the end.")
                                          : QStringLiteral("Search went on from the top."),
                                 3000);
        return true;
    }
    editor_->setTextCursor(before);
    statusBar()->showMessage(QStringLiteral("\"%1\" was not found.").arg(text), 5000);
    return false;
}

bool TextWindow::findNext() {
    if (findEdit_->text().isEmpty()) {
        showFindBar();
        return false;
    }
    return find(findEdit_->text(), false, matchCase_->isChecked());
}

bool TextWindow::findPrevious() {
    if (findEdit_->text().isEmpty()) {
        showFindBar();
        return false;
    }
    return find(findEdit_->text(), true, matchCase_->isChecked());
}

int TextWindow::fontSize() const { return editor_->font().pointSize(); }

void TextWindow::setFontSize(int points) {
    QFont f = editor_->font();
    f.setPointSize(std::clamp(points, int(MinFontSize), int(MaxFontSize)));
    editor_->setFont(f);
    editor_->setTabStopDistance(8 * QFontMetricsF(f).horizontalAdvance(QLatin1Char(' ')));
    updateStatus();
}

bool TextWindow::wordWrap() const { return editor_->lineWrapMode() != QPlainTextEdit::NoWrap; }

void TextWindow::setWordWrap(bool on) {
    editor_->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    if (wrapAction_ && wrapAction_->isChecked() != on)
        wrapAction_->setChecked(on);
}

void TextWindow::updateStatus() {
    if (!loaded_) {
        info_->clear();
        return;
    }
    // A final line end does not start another line.
    int lines = editor_->blockCount();
    if (lines > 1 && editor_->document()->lastBlock().length() <= 1)
        --lines;
    info_->setText(QStringLiteral("%1 line%2   %3   %4 pt")
                       .arg(lines)
                       .arg(lines == 1 ? "" : "s")
                       .arg(encodingName(encoding_))
                       .arg(fontSize()));
}

}  // namespace quadrel
