// File menu commands on the real main window: prompts, dialogs and files on disk.
#include "FormFixture.h"

#include "app/RegistryApi.h"
#include "model/FileCommands.h"
#include "platform/RtError.h"
#include "ui/QtCommonDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quadrel;
using quadrel::test::FormFixture;
using Answers = QList<int>;

namespace {
enum Command { New, Open, Save, SaveAs, Delete };
const Qt::Key kItemKey[] = {Qt::Key_N, Qt::Key_O, Qt::Key_S, Qt::Key_A, Qt::Key_D};
const int Yes = int(MsgAnswer::Yes), No = int(MsgAnswer::No), Cancel = int(MsgAnswer::Cancel),
          Ok = int(MsgAnswer::Ok);
}  // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::unique_ptr<FormFixture> f_;

    QString file(const QString &name) const { return tmp_.path() + QLatin1Char('/') + name; }
    void run(int c) { f_->menu(Qt::Key_F, kItemKey[c]); }

private slots:
    void init() {
        QDir(tmp_.path()).removeRecursively();
        QVERIFY(QDir().mkpath(tmp_.path()) && QDir::setCurrent(tmp_.path()));
        QFile keep(file(QStringLiteral("keep.ode")));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        f_ = std::make_unique<FormFixture>();
        f_->state.fileName = QStringLiteral("New data");
        f_->state.filePath = tmp_.path();
    }
    void cleanup() { f_.reset(); }

    // Each command after an edit: the prompts answered as listed, the dialog answered with a
    // file name or (empty) cancelled. A cancel anywhere leaves disk, form and settings alone.
    void commands_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<QStringList>("files");
        const QStringList keep{"keep.ode"};
        QTest::newRow("New, Cancel") << int(New) << Answers{Cancel} << "" << false << keep;
        QTest::newRow("New, No, OK") << int(New) << Answers{No, Ok} << "" << true << keep;
        QTest::newRow("New, No, Cancel") << int(New) << Answers{No, Cancel} << "" << false << keep;
        QTest::newRow("New, Yes saves, OK") << int(New) << Answers{Yes, Ok} << "p.ode" << true
                                            << QStringList{"keep.ode", "p.ode"};
        QTest::newRow("New, Yes, dialog cancelled") << int(New) << Answers{Yes} << "" << false << keep;
        QTest::newRow("Open cancelled") << int(Open) << Answers{} << "" << false << keep;
        QTest::newRow("Save cancelled") << int(Save) << Answers{} << "" << false << keep;
        QTest::newRow("Save As cancelled") << int(SaveAs) << Answers{} << "" << false << keep;
        QTest::newRow("Save As onto a file, No") << int(SaveAs) << Answers{No} << "keep.ode" << false << keep;
        QTest::newRow("Delete cancelled") << int(Delete) << Answers{} << "" << false << keep;
        QTest::newRow("Delete a missing file") << int(Delete) << Answers{} << "gone.ode" << false << keep;
        QTest::newRow("Delete, No") << int(Delete) << Answers{No} << "keep.ode" << false << keep;
        QTest::newRow("Delete, Yes") << int(Delete) << Answers{Yes} << "keep.ode" << false << QStringList{};
    }
    void commands() {
        QFETCH(int, command);
        QFETCH(Answers, answers);
        QFETCH(QString, chosen);
        QFETCH(bool, cleared);
        f_->fill(f_->form->Equation, QStringLiteral("Y' = X"));
        for (int a : answers) f_->msg.queueAnswer(MsgAnswer(a));
        if (!chosen.isEmpty()) f_->dialog.queuePath(file(chosen));
        run(command);
        QCOMPARE(f_->msg.shown().size(), answers.size());
        QTEST(QDir(tmp_.path()).entryList(QDir::Files), "files");
        QCOMPARE(QFileInfo(file(QStringLiteral("keep.ode"))).size(), 0);
        QCOMPARE(f_->form->Equation->text(), cleared ? QString() : QStringLiteral("Y' = X"));
        QCOMPARE(f_->state.fileName, QStringLiteral("New data"));
        QVERIFY(!QFile::exists(storeFileForRoot(HKEY_CURRENT_USER)));
        if (cleared)
            QCOMPARE(f_->form->windowTitle(), "New data ... Quadrel, the ordinary differential equation program");
    }

    // Open while the form shows "New data" never asks about saving, even after edits.
    void openOverNewData() {
        f_->fill(f_->form->Equation, QStringLiteral("Y'' = -Y"));
        f_->dialog.queuePath(file(QStringLiteral("a.ode")));
        run(SaveAs);
        f_->state.fileName = QStringLiteral("New data");
        f_->fill(f_->form->Equation, QStringLiteral("Y' = 1"));
        f_->dialog.queuePath(file(QStringLiteral("a.ode")));
        run(Open);
        QVERIFY(f_->msg.shown().isEmpty());
        QCOMPARE(f_->form->Equation->text(), QStringLiteral("Y'' = -Y"));
        QCOMPARE(f_->state.fileName, QStringLiteral("a.ode"));
        QVERIFY(!f_->state.dataChanged);
        QCOMPARE(f_->dialog.InitDir, tmp_.path());
    }

    // What each command offers in the dialog: the filter preselected and the file name.
    void dialogSettings_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("offered");
        QTest::newRow("Open") << int(Open) << "x.ode" << 2 << "*.ode";
        QTest::newRow("Save of New data") << int(Save) << "New data" << 1 << "New data.ode";
        QTest::newRow("Save As Beam.ODE") << int(SaveAs) << "Beam.ODE" << 1 << "Beam.ode";
        QTest::newRow("Save As ~~none") << int(SaveAs) << "~~none" << 1 << "none.txt";
        QTest::newRow("Delete") << int(Delete) << "x.ode" << 3 << "x.ode";
    }
    void dialogSettings() {
        QFETCH(int, command);
        QFETCH(QString, fileName);
        f_->state.fileName = fileName;
        run(command);
        QCOMPARE(f_->dialog.shown().size(), 1);
        const auto &r = f_->dialog.shown().constFirst();
        QCOMPARE(r.kind == CommonDialog::Kind::Save, command == Save || command == SaveAs);
        QTEST(r.filterIndex, "filterIndex");
        QTEST(r.fileName, "offered");
    }

    void fileExists_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain name") << "keep.ode" << true;
        QTest::newRow("a folder is no file") << "sub" << false;
        QTest::newRow("*.* also without a dot") << "sub/*.*" << true;
        QTest::newRow("? is one character") << "????.ode" << true;
        QTest::newRow("? is not two") << "???.ode" << false;
        QTest::newRow("case counts") << "KEEP.ode" << false;
        QTest::newRow("missing folder") << "nope/*.*" << false;
    }
    void fileExists() {
        QFETCH(QString, name);
        QDir(tmp_.path()).mkpath(QStringLiteral("sub/inner"));
        QFile(file(QStringLiteral("sub/README"))).open(QIODevice::WriteOnly);
        QTEST(FileExists(f_->state, name), "found");
        QVERIFY(f_->msg.shown().isEmpty());
    }

    // The program's own dialog: it starts in the folder and filter given, a name typed and
    // confirmed comes back with its folder, and Escape is the "dialog cancelled" error.
    void realDialog() {
        QtCommonDialog dlg(f_->form.get());
        dlg.InitDir = tmp_.path();
        dlg.Filter = dialogs::QuadrelFilter;
        dlg.FilterIndex = 2;
        dlg.FileName = QStringLiteral("x.ode");
        auto answer = [this](Qt::Key key) {
            QTimer::singleShot(0, this, [key] {
                auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QVERIFY(d);
                QCOMPARE(d->selectedNameFilter(), QStringLiteral("Quadrel Files (*.ode)"));
                QCOMPARE(d->nameFilters().constFirst(), QStringLiteral("All Files (*)"));
                QTest::keyClick(d, key);
            });
        };
        answer(Qt::Key_Return);
        dlg.ShowSave();
        QCOMPARE(dlg.FileName, file(QStringLiteral("x.ode")));
        answer(Qt::Key_Escape);
        try {
            dlg.ShowOpen();
            QFAIL("no error after Escape");
        } catch (const RtError &e) {
            QCOMPARE(e.number(), rterr::DialogCancelled);
        }
    }

    // Every prompt and failure message of the file commands, word for word.
    void messages_data() {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        const int q = int(MsgIcon::Question), x = int(MsgIcon::Exclamation), c = int(MsgIcon::Critical);
        const QString bad = QStringLiteral("Unexpected error # 52 occured: Bad file name or number");
        QTest::newRow("save changes") << 0 << "Data in form has changed!" << "Save current data?" << q
                                      << int(MsgButtons::YesNoCancel);
        QTest::newRow("confirm New") << 1 << "Confirm 'New' Response." << "Okay to Clear responses?" << q
                                     << int(MsgButtons::OkCancel);
        QTest::newRow("replace") << 2 << "Replace %1/keep.ode file?" << "File exists, want to replace it?" << q
                                 << int(MsgButtons::YesNo);
        QTest::newRow("delete") << 3 << "Confirm Delete?" << "Delete '%1/keep.ode' File." << q
                                << int(MsgButtons::YesNo);
        QTest::newRow("drive not ready") << 4 << "In 'FileOld' routine ..."
            << "Put a floppy disk in the drive and cloce the drive door." << x << int(MsgButtons::OkCancel);
        QTest::newRow("device unavailable") << 5 << "In 'FileSaveAs' routine ..."
            << "This drive or path does not exist: run.ode" << x << int(MsgButtons::Ok);
        QTest::newRow("FileExists") << 6 << "In 'FileExists' routine ..." << bad << c << int(MsgButtons::Ok);
        QTest::newRow("dirExists") << 7 << "In 'dirExists' routine ..." << bad << c << int(MsgButtons::Ok);
    }
    void messages() {
        QFETCH(int, trigger);
        QFETCH(QString, title);
        QFETCH(QString, text);
        AppState &st = f_->state;
        const QString tooLong = file(QString(300, QLatin1Char('n')));
        QSignalSpy unloaded(f_->form.get(), &frmMain::unloaded);
        if (trigger == 0) f_->fill(f_->form->Equation, QStringLiteral("Y"));
        if (trigger == 2 || trigger == 3) f_->dialog.queuePath(file(QStringLiteral("keep.ode")));
        f_->msg.queueAnswer(MsgAnswer::Cancel);
        switch (trigger) {
        case 0: case 1: run(New); break;
        case 2: run(SaveAs); break;
        case 3: run(Delete); break;
        case 4:  // OK tries the dialog again (then cancelled); Cancel would skip it
            f_->msg.clear();
            f_->dialog.queueError(rterr::DiskNotReady);
            run(Open);
            QCOMPARE(f_->dialog.shown().size(), 2);
            break;
        case 5:
            st.fileTemp = QStringLiteral("run.ode");
            f_->dialog.queueError(rterr::DeviceUnavailable);
            FileSaveAs(st);
            break;
        case 6: QVERIFY(!FileExists(st, tooLong)); break;
        case 7:
            QVERIFY(!dirExists(st, tooLong));
            QCOMPARE(unloaded.size(), 1);  // the main form goes, which ends the program
            break;
        }
        QVERIFY(!f_->msg.shown().isEmpty());
        const MessageRequest &r = f_->msg.shown().constFirst();
        QCOMPARE(r.title, title.contains(QLatin1String("%1")) ? title.arg(tmp_.path().toLower()) : title);
        QCOMPARE(r.text, text.contains(QLatin1String("%1")) ? text.arg(tmp_.path()) : text);
        QTEST(int(r.icon), "icon");
        QTEST(int(r.buttons), "buttons");
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecmds.moc"
