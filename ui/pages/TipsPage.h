#pragma once
// Page "&6. Tips/Suggestions": fixed advice for the student, read-only.
#include "ui/Controls.h"

namespace quadrel {

class TipsPage : public QWidget {
    Q_OBJECT
public:
    explicit TipsPage(QWidget *parent = nullptr);
    static QString tipsHtml();

    TipsBox *RichTextBox1;
};

}  // namespace quadrel
