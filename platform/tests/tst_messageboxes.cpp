// The real message boxes: what the user sees and what each answer key returns.
#include "platform/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace quadrel;

Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgAnswer)
Q_DECLARE_METATYPE(MsgIcon)

class TstMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void answerByKey_data() {
        QTest::addColumn<MsgIcon>("icon");
        QTest::addColumn<MsgButtons>("buttons");
        QTest::addColumn<int>("key");
        QTest::addColumn<MsgAnswer>("answer");
        QTest::newRow("Ok by Enter") << MsgIcon::Information << MsgButtons::Ok << int(Qt::Key_Return) << MsgAnswer::Ok;
        QTest::newRow("OkCancel by Escape") << MsgIcon::Exclamation << MsgButtons::OkCancel << int(Qt::Key_Escape) << MsgAnswer::Cancel;
        QTest::newRow("YesNo by Escape") << MsgIcon::Question << MsgButtons::YesNo << int(Qt::Key_Escape) << MsgAnswer::No;
        QTest::newRow("YesNoCancel by Enter") << MsgIcon::Critical << MsgButtons::YesNoCancel << int(Qt::Key_Return) << MsgAnswer::Yes;
        QTest::newRow("RetryCancel by Enter") << MsgIcon::None << MsgButtons::RetryCancel << int(Qt::Key_Return) << MsgAnswer::Retry;
    }
    void answerByKey() {
        QFETCH(MsgIcon, icon);
        QFETCH(MsgButtons, buttons);
        QFETCH(int, key);
        QString seenTitle, seenText;
        // Waits for the modal box to come up, reads it, then answers it from the keyboard.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) return;
            poll.stop();
            seenTitle = box->windowTitle();
            seenText = box->text();
            QTest::keyClick(box, Qt::Key(key));
        });
        poll.start(10);
        QtMessageBoxes messages;
        const MsgAnswer got = messages.show("Quadrel", "Save changes?", icon, buttons);
        QTEST(got, "answer");
        QCOMPARE(seenTitle, QString("Quadrel"));
        QCOMPARE(seenText, QString("Save changes?"));
    }
};

QTEST_MAIN(TstMessageBoxes)
#include "tst_messageboxes.moc"
