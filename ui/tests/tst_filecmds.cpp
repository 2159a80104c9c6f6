// File menu commands on the real main window: prompts, dialogs and files on disk.
#include "FormFixture.h"

#include "app/RegistryApi.h"
#include "model/FileCommands.h"
#include "platform/RtError.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quadrel;
using quadrel::test::FormFixture;

namespace {
using Answers = QList<int>;
enum Command { New, Open, Save, SaveAs, Delete };

const Qt::Key kItemKey[] = {Qt::Key_N, Qt::Key_O, Qt::Key_S, Qt::Key_A, Qt::Key_D};
}  // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::unique_ptr<FormFixture> f_;

    QString dir() const { return tmp_.path(); }
    QString file(const QString &name) const { return dir() + QLatin1Char('/') + name; }
    void run(Command c) { f_->menu(Qt::Key_F, kItemKey[c]); }
    void queue(const Answers &answers) {
        for (int a : answers) f_->msg.queueAnswer(MsgAnswer(a));
    }
    void typeEquation(const QString &text) {
        f_->showPage(frmMain::TabEquation);
        QTest::mouseClick(f_->form->Equation, Qt::LeftButton);
        f_->key(Qt::Key_A, Qt::ControlModifier);
        f_->type(text);
    }
    static QByteArray contents(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() {
        QVERIFY(tmp_.isValid());
        QDir(dir()).removeRecursively();
        QDir().mkpath(dir());
        QVERIFY(QDir::setCurrent(dir()));
        f_ = std::make_unique<FormFixture>();
        f_->state.fileName = QStringLiteral("New data");
        f_->state.filePath = dir();
    }
    void cleanup() { f_.reset(); }

    void newWithUnsavedChanges_data() {
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("Cancel keeps all") << Answers{int(MsgAnswer::Cancel)} << false << false;
        QTest::newRow("No, then clear") << Answers{int(MsgAnswer::No), int(MsgAnswer::Ok)} << false << true;
        QTest::newRow("Yes saves, then clear") << Answers{int(MsgAnswer::Yes), int(MsgAnswer::Ok)} << true << true;
        QTest::newRow("No, then Cancel") << Answers{int(MsgAnswer::No), int(MsgAnswer::Cancel)} << false << false;
    }
    void newWithUnsavedChanges() {
        QFETCH(Answers, answers);
        QFETCH(bool, saved);
        QFETCH(bool, cleared);
        typeEquation(QStringLiteral("Y' = X"));
        queue(answers);
        f_->dialog.queuePath(file(QStringLiteral("p.ode")));
        run(New);
        QCOMPARE(f_->msg.shown().size(), answers.size());
        QCOMPARE(QFile::exists(file(QStringLiteral("p.ode"))), saved);
        QCOMPARE(f_->form->Equation->text(), cleared ? QString() : QStringLiteral("Y' = X"));
        if (cleared) {
            QCOMPARE(f_->state.fileName, QStringLiteral("New data"));
            QVERIFY(f_->form->windowTitle().startsWith(QLatin1String("New data ... ")));
            QVERIFY(!f_->state.dataChanged);
        }
    }

    // Save As, clear, edit, and open the saved file again: the form still showing
    // "New data" is never asked about.
    void openOverNewDataNeverPrompts() {
        typeEquation(QStringLiteral("Y'' = -Y"));
        f_->dialog.queuePath(file(QStringLiteral("a.ode")));
        run(SaveAs);
        run(New);
        typeEquation(QStringLiteral("Y' = 1"));
        f_->msg.clear();
        f_->dialog.queuePath(file(QStringLiteral("a.ode")));
        run(Open);
        QVERIFY(f_->msg.shown().isEmpty());
        QCOMPARE(f_->form->Equation->text(), QStringLiteral("Y'' = -Y"));
        QCOMPARE(f_->state.fileName, QStringLiteral("a.ode"));
        QCOMPARE(f_->state.filePath, dir());
        QVERIFY(!f_->state.dataChanged);
        QCOMPARE(f_->dialog.InitDir, dir());
    }

    // What each command's dialog is set up with.
    void dialogSettings_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("offered");
        const QString ode = QStringLiteral("All Files (*.*)|*.*|Quadrel Files (*.ode)|*.ode");
        const QString saveAs = QStringLiteral("Save Input File As ...");
        QTest::newRow("Open") << int(Open) << "x.ode" << "Select Response (Input) File to Open"
                              << "All Files (*.*)|*.*|Input Files (*.ode)|*.ode|Example Input Files (Ex*.ode)|Ex*.ode"
                              << 2 << "*.ode";
        QTest::newRow("Save of New data") << int(Save) << "New data" << saveAs << ode << 1 << "New data.ode";
        QTest::newRow("Save As Beam.ODE") << int(SaveAs) << "Beam.ODE" << saveAs << ode << 1 << "Beam.ode";
        QTest::newRow("Save As ~~none") << int(SaveAs) << "~~none" << saveAs << ode << 1 << "none.txt";
        QTest::newRow("Delete") << int(Delete) << "x.ode" << "Select File to be Deleted" << ode << 3 << "x.ode";
    }
    void dialogSettings() {
        QFETCH(int, command);
        QFETCH(QString, fileName);
        f_->state.fileName = fileName;
        run(Command(command));
        QCOMPARE(f_->dialog.shown().size(), 1);
        const auto &r = f_->dialog.shown().constFirst();
        QCOMPARE(r.kind, command == Save || command == SaveAs ? CommonDialog::Kind::Save
                                                             : CommonDialog::Kind::Open);
        QTEST(r.title, "title");
        QTEST(r.filter, "filter");
        QTEST(r.filterIndex, "filterIndex");
        QTEST(r.fileName, "offered");
        if (command == SaveAs || command == Save) QCOMPARE(r.initDir, dir());
    }

    // A cancelled dialog changes nothing on disk, in the form or in the settings.
    void cancelChangesNothing_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<Answers>("answers");
        QTest::newRow("Open") << int(Open) << Answers{};
        QTest::newRow("Save") << int(Save) << Answers{};
        QTest::newRow("Save As") << int(SaveAs) << Answers{};
        QTest::newRow("Delete") << int(Delete) << Answers{};
        QTest::newRow("New, saving first") << int(New) << Answers{int(MsgAnswer::Yes)};
    }
    void cancelChangesNothing() {
        QFETCH(int, command);
        QFETCH(Answers, answers);
        QFile keep(file(QStringLiteral("keep.ode")));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        typeEquation(QStringLiteral("Y' = Y"));
        queue(answers);
        run(Command(command));
        QCOMPARE(f_->msg.shown().size(), answers.size());
        QCOMPARE(QDir(dir()).entryList(QDir::Files), QStringList{QStringLiteral("keep.ode")});
        QVERIFY(contents(keep.fileName()).isEmpty());
        QCOMPARE(f_->form->Equation->text(), QStringLiteral("Y' = Y"));
        QVERIFY(f_->state.dataChanged);
        QVERIFY(!QFile::exists(storeFileForRoot(HKEY_CURRENT_USER)));
    }

    void saveAsOntoExistingAnsweredNo() {
        QFile existing(file(QStringLiteral("old.ode")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("keep");
        existing.close();
        f_->dialog.queuePath(existing.fileName());
        f_->msg.queueAnswer(MsgAnswer::No);
        QVERIFY(!FileSaveAs(f_->state));
        QCOMPARE(f_->msg.shown().size(), 1);
        QCOMPARE(contents(existing.fileName()), QByteArray("keep"));
    }

    void deleteFile_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("prompts");
        QTest::newRow("typed name of a missing file") << false << int(MsgAnswer::Yes) << 0;
        QTest::newRow("existing, No") << true << int(MsgAnswer::No) << 1;
        QTest::newRow("existing, Yes") << true << int(MsgAnswer::Yes) << 1;
    }
    void deleteFile() {
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(int, prompts);
        const QString target = file(QStringLiteral("gone.ode"));
        if (exists) {
            QFile t(target);
            QVERIFY(t.open(QIODevice::WriteOnly));
        }
        f_->state.fileName = QStringLiteral("gone.ode");
        f_->dialog.queuePath(target);
        f_->msg.queueAnswer(MsgAnswer(answer));
        run(Delete);
        QCOMPARE(f_->msg.shown().size(), prompts);
        QCOMPARE(QFile::exists(target), exists && answer == int(MsgAnswer::No));
        QCOMPARE(f_->state.fileName, QStringLiteral("gone.ode"));
        QCOMPARE(f_->dialog.InitDir, dir());
    }

    void fileExistsMatches_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain name") << "a.ode" << true;
        QTest::newRow("folder is no file") << "sub" << false;
        QTest::newRow("*.* also without a dot") << "sub/*.*" << true;
        QTest::newRow("? is one character") << "?.ode" << true;
        QTest::newRow("? is not two") << "?.od" << false;
        QTest::newRow("case counts") << "A.ODE" << false;
        QTest::newRow("Ex*.ode") << "Ex*.ode" << false;
        QTest::newRow("missing folder") << "nope/*.*" << false;
    }
    void fileExistsMatches() {
        QFETCH(QString, name);
        QDir(dir()).mkpath(QStringLiteral("sub/inner"));
        for (const char *n : {"a.ode", "sub/README"}) {
            QFile t(file(QLatin1String(n)));
            QVERIFY(t.open(QIODevice::WriteOnly));
        }
        QTEST(FileExists(f_->state, name), "found");
        QVERIFY(f_->msg.shown().isEmpty());
    }

    // Every prompt and failure message of the file commands, word for word.
    void messages_data() {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        const int q = int(MsgIcon::Question), x = int(MsgIcon::Exclamation), c = int(MsgIcon::Critical);
        QTest::newRow("save changes") << 0 << "Data in form has changed!" << "Save current data?" << q
                                      << int(MsgButtons::YesNoCancel);
        QTest::newRow("confirm new") << 1 << "Confirm 'New' Response." << "Okay to Clear responses?" << q
                                     << int(MsgButtons::OkCancel);
        QTest::newRow("replace") << 2 << "Replace %1/mixed.ode file?" << "File exists, want to replace it?"
                                 << q << int(MsgButtons::YesNo);
        QTest::newRow("delete") << 3 << "Confirm Delete?" << "Delete '%1/Mixed.ode' File." << q
                                << int(MsgButtons::YesNo);
        QTest::newRow("drive not ready") << 4 << "In 'FileOld' routine ..."
                                         << "Put a floppy disk in the drive and cloce the drive door." << x
                                         << int(MsgButtons::OkCancel);
        QTest::newRow("device unavailable") << 5 << "In 'FileSaveAs' routine ..."
                                            << "This drive or path does not exist: run.ode" << x
                                            << int(MsgButtons::Ok);
        QTest::newRow("bad name in FileExists") << 6 << "In 'FileExists' routine ..."
                                                << "Unexpected error # 52 occured: Bad file name or number"
                                                << c << int(MsgButtons::Ok);
        QTest::newRow("bad name in dirExists") << 7 << "In 'dirExists' routine ..."
                                               << "Unexpected error # 52 occured: Bad file name or number"
                                               << c << int(MsgButtons::Ok);
    }
    void messages() {
        QFETCH(int, trigger);
        QFETCH(QString, title);
        QFETCH(QString, text);
        AppState &st = f_->state;
        const QString mixed = file(QStringLiteral("Mixed.ode"));
        QFile m(mixed);
        QVERIFY(m.open(QIODevice::WriteOnly));
        m.close();
        const QString tooLong = QString(300, QLatin1Char('n'));
        QSignalSpy unloaded(f_->form.get(), &frmMain::unloaded);
        switch (trigger) {
        case 0: typeEquation(QStringLiteral("Y")); f_->msg.queueAnswer(MsgAnswer::Cancel); run(New); break;
        case 1: run(New); break;
        case 2: f_->dialog.queuePath(mixed); f_->msg.queueAnswer(MsgAnswer::No); run(SaveAs); break;
        case 3: f_->dialog.queuePath(mixed); f_->msg.queueAnswer(MsgAnswer::No); run(Delete); break;
        case 4:  // OK retries the dialog, which is then cancelled
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
            QVERIFY(!dirExists(st, file(tooLong)));
            QCOMPARE(unloaded.size(), 1);  // the main form goes, which ends the program
            break;
        }
        QVERIFY(!f_->msg.shown().isEmpty());
        const MessageRequest &r = f_->msg.shown().constFirst();
        QCOMPARE(r.title, title.contains(QLatin1String("%1")) ? title.arg(dir().toLower()) : title);
        QCOMPARE(r.text, text.contains(QLatin1String("%1")) ? text.arg(dir()) : text);
        QTEST(int(r.icon), "icon");
        QTEST(int(r.buttons), "buttons");
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecmds.moc"
