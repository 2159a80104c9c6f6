#pragma once
// The introduction form a first run starts with: what the program does, and three ways on:
// run a demo, create one's own problem, or leave.
#include <QWidget>

class QLabel;
class QPushButton;

namespace quadrel {

class frmIntro : public QWidget {
    Q_OBJECT
public:
    explicit frmIntro(QWidget *parent = nullptr);

    QLabel *lblTitleIntro, *lblSentence1, *lblSentence2;
    QPushButton *cmdRunIntro, *cmdCreateIntro, *cmdExitIntro;

signals:
    // The user closed the window; that unloads the form as E&xit does.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;
};

}  // namespace quadrel
