#pragma once
// The main form's one common dialog (CMDialog1): it keeps its title, filter list, filter
// index, initial folder and file name between uses. The program installs a QFileDialog
// behind it; tests install ScriptedCommonDialog and queue the user's answers.
#include <QObject>
#include <QString>
#include <QVector>
#include <deque>

namespace quadrel {

class CommonDialog : public QObject {
    Q_OBJECT
public:
    enum class Kind { Open, Save };
    explicit CommonDialog(QObject *parent = nullptr) : QObject(parent) {}

    // A filter list is pairs of description and pattern separated by "|".
    QString DialogTitle;
    QString Filter;
    int FilterIndex = 1;  // 1-based; out of range selects the first filter
    QString InitDir;
    QString FileName;  // the offered name before showing, the chosen full path after
    // Cancel raises RtError 32755. Every command of the program wants that, so it is on
    // from the start.
    bool CancelError = true;

    void ShowOpen() { show(Kind::Open); }
    void ShowSave() { show(Kind::Save); }

protected:
    // Presents the dialog and returns the chosen full path, or an empty text when the user
    // cancelled. May set FilterIndex to the filter the user picked.
    virtual QString present(Kind kind) = 0;

private:
    void show(Kind kind);
};

// Answers from a queue the test fills: a path, a cancel, or a run-time error the dialog
// raises. An empty queue answers Cancel, so no test can ever wait on a dialog.
class ScriptedCommonDialog : public CommonDialog {
    Q_OBJECT
public:
    struct Request {
        Kind kind;
        QString title, filter, initDir, fileName;
        int filterIndex;
    };

    void queuePath(const QString &path) { answers_.push_back({path, 0}); }
    void queueCancel() { answers_.push_back({QString(), 0}); }
    void queueError(int number) { answers_.push_back({QString(), number}); }
    const QVector<Request> &shown() const { return shown_; }

protected:
    QString present(Kind kind) override;

private:
    struct Answer {
        QString path;
        int error;
    };
    std::deque<Answer> answers_;
    QVector<Request> shown_;
};

}  // namespace quadrel
