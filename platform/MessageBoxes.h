#pragma once
// The one seam every message the program shows goes through. The program installs a
// QMessageBox-backed implementation; tests install ScriptedMessageBoxes.
#include <QString>
#include <QVector>
#include <deque>

namespace quadrel {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

struct MessageRequest {
    QString title;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(const MessageRequest &request) = 0;

    MsgAnswer show(const QString &title, const QString &text, MsgIcon icon,
                   MsgButtons buttons = MsgButtons::Ok) {
        return show(MessageRequest{title, text, icon, buttons});
    }
};

// Answers from a queue the test fills; when the queue is empty it answers with the
// first button of the box. Records every message it was shown.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    using MessageBoxes::show;
    MsgAnswer show(const MessageRequest &request) override;

    void queueAnswer(MsgAnswer answer) { answers_.push_back(answer); }
    const QVector<MessageRequest> &shown() const { return shown_; }
    void clear() { shown_.clear(); answers_.clear(); }

private:
    std::deque<MsgAnswer> answers_;
    QVector<MessageRequest> shown_;
};

}  // namespace quadrel
