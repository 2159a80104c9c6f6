// The Help and Web Links menus and the About box, chosen with the mouse as a user does, with
// a recording launcher in place of the desktop.
#include "FormFixture.h"
#include "model/Product.h"
#include "ui/HelpMenu.h"
#include "ui/frmAbout.h"

#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QUrl>
#include <QtTest>

using namespace quadrel;
using Request = RecordingLauncher::Request;

namespace {

const QString kApp = QStringLiteral("/opt/q/Quadrel");

struct HelpFixture : test::FormFixture {
    RecordingLauncher launcher;
    explicit HelpFixture(const QString &appPath = kApp) {
        state.launcher = &launcher;
        state.appPath = appPath;
        state.basePath = appPath + "/..";
    }

    // Opens the menus along path (menu entry names) with mouse clicks and clicks its last
    // entry.
    void choose(const QStringList &path) {
        QAction *top = form->menuAction(path.first());
        QMenuBar *bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
        QMenu *menu = top->menu();
        for (const QString &name : path.mid(1)) {
            QTRY_VERIFY(menu->isVisible());
            QAction *a = form->menuAction(name);
            QVERIFY2(a, qPrintable(name));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            if (a->menu()) menu = a->menu();
        }
    }
};

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void entryHandsOver_data() {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("showMode");
        const auto page = [](const QString &p) { return QUrl::fromLocalFile(kApp + "/" + p).toString(); };
        const auto row = [](const char *name, const QString &path, int kind, const QString &target,
                            int mode) { QTest::newRow(name) << path.split(' ') << kind << target << mode; };
        using namespace product;
        const int open = Request::Open;
        row("editor", "mnuWeb mnuWebLinkEd", open, "https://notepad-plus-plus.org/", 3);
        row("product", "mnuWeb mnuWebLink", open, "file:///opt/q/Quadrel/web/quadrel.html", 3);
        row("textbook", "mnuWeb mnuWebLink3", open, page(kTextbookPage), 3);
        row("compiler", "mnuWeb mnuWebLinkComp", open, page(kCompilerPage), 3);
        row("app plots", "mnuWeb mnuWebLinkApp mnuWebLinkAppPlots", open, page(kPlotsPage), 1);
        row("app text", "mnuWeb mnuWebLinkApp mnuWebLinkAppText", open, page(kTextPage), 1);
        row("app solver", "mnuWeb mnuWebLinkApp mnuWebLinkAppSolver", open, page(kSolverPage), 1);
        row("other app", "mnuWeb mnuWebLinkApp2 mnuWebLinkAppEditor", open, page(kEditorPage), 3);
        row("manual", "mnuHelp mnuHelpManual", open, "/opt/q/Quadrel/manual.pdf", 3);
        row("source", "mnuHelp mnuHelpSource", Request::Start,
            "/opt/q/Quadrel/../MyEditor /opt/q/Quadrel/ODE4user.vx", 3);
        row("donate", "mnuHelp mnuHelpDonate", open, page(kDonatePage), 3);
    row("slogan does nothing", "mnuWeb mnuWebLink4", -1, "", 0);
    }
    void entryHandsOver() {
        QFETCH(QStringList, path);
        QFETCH(int, kind);
        QFETCH(QString, target);
        QFETCH(int, showMode);
        HelpFixture f;
        f.choose(path);
        QTRY_VERIFY(!f.form->menuAction(path.first())->menu()->isVisible());
        QVERIFY(f.msg.shown().isEmpty());
        QCOMPARE(f.launcher.requests.size(), kind < 0 ? 0 : 1);
        if (kind < 0) return;
        const Request &r = f.launcher.requests[0];
        QCOMPARE(int(r.kind), kind);
        QCOMPARE(r.target, target);
        QCOMPARE(r.showMode, showMode);
    }
    void emailWithoutMailProgram() {
        HelpFixture f;
        f.launcher.openResult = OpenNoAssociation;
        QGuiApplication::clipboard()->setText("something else");
        f.choose({"mnuHelp", "mnuHelpEmail"});
        QTRY_COMPARE(f.msg.shown().size(), 1);
        const QString address = product::supportEmail();
        QCOMPARE(f.launcher.requests.size(), 1);
        QCOMPARE(f.launcher.requests[0].target,
                 "mailto:" + address +
                     "?subject=Quadrel%206.701%20questions/problems.&body=How%20can%20we%20help?");
        QCOMPARE(f.launcher.requests[0].showMode, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), address);
        const MessageRequest &m = f.msg.shown()[0];
        QCOMPARE(m.title, QString("If default e-Mail program was Not found."));
        QVERIFY(m.text.contains("e-mail us at " + address));
        QCOMPARE(m.icon, MsgIcon::Exclamation);
        QCOMPARE(m.buttons, MsgButtons::Ok);
    }
    void sourceThatCannotStartIsReported() {
        HelpFixture f;
        f.launcher.startResult = 0;
        f.choose({"mnuHelp", "mnuHelpSource"});
        QTRY_COMPARE(f.msg.shown().size(), 1);
        QVERIFY(f.msg.shown()[0].text.contains("/opt/q/Quadrel/../MyEditor"));
        QVERIFY(f.form->isEnabled());
    }
    void aboutLoadsOnce() {
        HelpFixture f;
        for (int round = 0; round < 2; ++round) {
            f.choose({"mnuHelp", "mnuHelpAbout"});
            frmAbout *about = f.form->helpMenu()->about();
            QVERIFY(about);
            QTRY_VERIFY(about->isVisible());
            QCOMPARE(about->windowModality(), Qt::ApplicationModal);
            QCOMPARE(about->txtTitle->text(), QString("Quadrel (Version 6.701)"));
            QTest::mouseClick(about->cmdOkay, Qt::LeftButton);
            QVERIFY(about->isHidden());
        }
    }
    // Every page, document and program the menus and the About box name exists in the
    // assembled program folder.
    void shippedTargetsExist() {
        const QString app = QDir::cleanPath(QStringLiteral(QUADREL_DIST_DIR "/Quadrel"));
        if (!QFileInfo::exists(app + "/quadrel")) QSKIP("dist/ is not assembled");
        HelpFixture f(app);
        for (QAction *a : f.form->findChildren<QAction *>()) {
            const QString name = a->objectName();
            if ((name.startsWith("mnuWebLink") || name.startsWith("mnuHelp")) && !a->menu() &&
                name != "mnuHelpAbout")
                a->trigger();
        }
        QStringList files;
        for (const Request &r : f.launcher.requests) {
            if (r.kind == Request::Start) files += r.target.split(' ');
            else if (!r.target.startsWith("https:") && !r.target.startsWith("mailto:"))
                files += r.target.startsWith("file:") ? QUrl(r.target).toLocalFile() : r.target;
        }
        QCOMPARE(files.size(), 11);
        // The About box's links, and the links between the shipped pages.
        const QRegularExpression href("href=\"([^\":]+|file:[^\"]+)\"");
        for (auto m = href.globalMatch(frmAbout::involvedHtml(app)); m.hasNext();)
            files += QUrl(m.next().captured(1)).toLocalFile();
        for (const QString &page : QDir(app + "/web").entryList({"*.html"})) {
            QFile in(app + "/web/" + page);
            QVERIFY(in.open(QIODevice::ReadOnly));
            for (auto m = href.globalMatch(QString::fromUtf8(in.readAll())); m.hasNext();)
                files += app + "/web/" + m.next().captured(1);
        }
        for (const QString &file : files) QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    }
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
