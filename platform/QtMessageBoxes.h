#pragma once
// The message seam shown as real modal QMessageBoxes.
#include "platform/MessageBoxes.h"

class QWidget;

namespace quadrel {

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget *parent = nullptr) : parent_(parent) {}
    using MessageBoxes::show;
    MsgAnswer show(const MessageRequest &request) override;
    void setParent(QWidget *parent) { parent_ = parent; }

private:
    QWidget *parent_;
};

}  // namespace quadrel
