#pragma once
// notePad2's window: one text file shown read-only in a monospace font, with find,
// font size, word wrap and reload; a file rewritten while on show is shown anew.
#include "notepad2/TextDecoding.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace quadrel {

class FileWatch;
class MessageBoxes;

class TextWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TextWindow(MessageBoxes &messages, QWidget *parent = nullptr);

    // Shows a file. A missing or unreadable file is reported in a message box and leaves
    // the view empty; the result tells whether the file is shown.
    bool openFile(const QString &path);
    const QString &filePath() const { return path_; }
    bool isLoaded() const { return loaded_; }
    TextEncoding encoding() const { return encoding_; }
    QPlainTextEdit *editor() const { return editor_; }
    QWidget *findBar() const { return findBar_; }
    QLineEdit *findEdit() const { return findEdit_; }

    // Looks for `text` from the cursor on, wrapping around the end of the file once.
    bool find(const QString &text, bool backward = false, bool matchCase = false);

    int fontSize() const;
    void setFontSize(int points);
    bool wordWrap() const;

    static constexpr int DefaultFontSize = 10;
    static constexpr int MinFontSize = 6;
    static constexpr int MaxFontSize = 40;

public slots:
    bool reload();
    void chooseAndOpen();
    void showFindBar();
    void hideFindBar();
    bool findNext();
    bool findPrevious();
    void setWordWrap(bool on);
    void largerFont() { setFontSize(fontSize() + 1); }
    void smallerFont() { setFontSize(fontSize() - 1); }
    void normalFont() { setFontSize(DefaultFontSize); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildFindBar();
    void clearView(const QString &why);
    void updateStatus();
    void fileChanged();

    MessageBoxes &messages_;
    QPlainTextEdit *editor_;
    QWidget *findBar_ = nullptr;
    QLineEdit *findEdit_ = nullptr;
    QCheckBox *matchCase_ = nullptr;
    QAction *wrapAction_ = nullptr;
    QLabel *info_;
    FileWatch *watch_;
    QString path_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    bool loaded_ = false;
};

}  // namespace quadrel
