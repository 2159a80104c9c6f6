// File-type registration: the class-store entries, their read rules and the MIME package
// and desktop entries produced for the desktop.
#include "app/DesktopTypes.h"
#include "app/FileAssoc.h"
#include "app/KeyStore.h"
#include "app/RegistryApi.h"
#include "TempXdg.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

using namespace quadrel;

namespace {

const QString kRoot = QStringLiteral("-2147483648");

QString readText(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The three registrations of a first run.
void registerFirstRun(QString &basePath) {
    AssociateExtension("VX", basePath, "notePad2", "VX source code", QString());
    AssociateExtension("Out", basePath, "notePad2", "VX Output", QString());
    AssociateExtension("plt", basePath, "Lumaplots", "XYplot file", QString());
}

QStringList filesBelow(const QString &dir) {
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next();
    return out;
}

}  // namespace

class TstFileAssoc : public QObject {
    Q_OBJECT
    std::unique_ptr<TempXdg> xdg_;
    QByteArray savedPath_;

private slots:
    void initTestCase() { savedPath_ = qgetenv("PATH"); }
    void init() {
        xdg_ = std::make_unique<TempXdg>();
        QVERIFY(xdg_->isValid());
        qputenv("PATH", savedPath_);
    }
    void cleanup() { xdg_.reset(); }

    void firstRunEntries() {
        QString basePath = QStringLiteral("/opt/qd/Quadrel/..");
        registerFirstRun(basePath);
        QCOMPARE(basePath, QStringLiteral("/opt/qd/Quadrel/../"));
        QCOMPARE(GetExtensionAssociation("VX"), QStringLiteral("notePad2"));
        QCOMPARE(GetExtensionAssociation("out"), QStringLiteral("notePad2"));
        QCOMPARE(GetExtensionAssociation("plt"), QStringLiteral("Lumaplots"));
        QCOMPARE(GetExtensionAssociation("ode"), QString());
        QCOMPARE(ReadKeyString(kRoot, "notePad2", "", "?"), QStringLiteral("VX Output"));
        QCOMPARE(ReadKeyString(kRoot, "Lumaplots\\shell\\open\\command", "", "?"),
                 QStringLiteral("\"/opt/qd/Quadrel/../Lumaplots\" %1"));
        QVERIFY(!RegistryKeyExists(HKEY_CLASSES_ROOT, "notePad2\\DefaultIcon"));
        // The user's own settings are untouched.
        QVERIFY(!QFileInfo::exists(storeFileForRoot(HKEY_CURRENT_USER)));
        // A folder that already ends in "/" is kept as it is.
        AssociateExtension("VX", basePath, "notePad2", "VX source code", QString());
        QCOMPARE(basePath, QStringLiteral("/opt/qd/Quadrel/../"));
    }

    void readKeyStringRules_data() {
        QTest::addColumn<bool>("store");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty value") << true << "" << "";
        QTest::newRow("missing value") << false << "" << "dflt";
        QTest::newRow("leading blanks dropped") << true << "   lead" << "lead";
        QTest::newRow("trailing blanks kept") << true << "trail  " << "trail  ";
        QTest::newRow("254 characters (508 bytes)") << true << QString(254, QChar(0xe9)) << QString(254, QChar(0xe9));
        QTest::newRow("255 characters do not fit") << true << QString(255, QChar(0xe9)) << "dflt";
    }
    void readKeyStringRules() {
        QFETCH(bool, store);
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        QCOMPARE(ReadKeyString(kRoot, ".VX", "", "dflt"), QStringLiteral("dflt"));  // no key
        if (store)
            QCOMPARE(WriteKeyString(kRoot, ".VX", "", stored), 0L);
        else
            CreateRegistryKey(HKEY_CLASSES_ROOT, ".VX");
        QCOMPARE(ReadKeyString(kRoot, ".VX", "", "dflt"), expected);
    }

    void rootGivenAsText_data() {
        QTest::addColumn<QString>("rootText");
        QTest::addColumn<bool>("works");
        QTest::newRow("classes root") << "-2147483648" << true;
        QTest::newRow("current user") << "-2147483647" << true;
        QTest::newRow("unknown root") << "1" << false;
        QTest::newRow("not a number") << "HKCR" << false;
    }
    void rootGivenAsText() {
        QFETCH(QString, rootText);
        QFETCH(bool, works);
        QCOMPARE(WriteKeyString(rootText, "K", "", "v") == 0, works);
        QCOMPARE(ReadKeyString(rootText, "K", "", "dflt"), works ? QStringLiteral("v") : QStringLiteral("dflt"));
    }

    void writeKeyStringFailsQuietly() {
        QDir().mkpath(configHome());
        QFile blocker(configHome() + QStringLiteral("/Harrowfield Research Group"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(WriteKeyString(kRoot, ".VX", "", "notePad2") != 0);
        QString folder = QStringLiteral("/opt");
        AssociateExtension("VX", folder, "notePad2", "VX source code", QString());
        QCOMPARE(GetExtensionAssociation("VX"), QString());
    }

    // A tool folder with blanks in its name: the MIME packages, the desktop entries (valid
    // for the desktop's own checker) and the refreshed MIME database.
    void desktopFilesAfterFirstRun() {
        const QString apps = xdg_->root() + QStringLiteral("/my apps");
        QVERIFY(QDir().mkpath(apps + QStringLiteral("/Quadrel")));
        QVERIFY(QFile(apps + QStringLiteral("/notePad2")).open(QIODevice::WriteOnly));  // a real tool
        QString basePath = apps + QStringLiteral("/Quadrel/..");
        registerFirstRun(basePath);

        for (const auto &[ext, comment] : {std::pair<QString, QString>{"VX", "VX source code"},
                                          {"Out", "VX Output"}, {"plt", "XYplot file"}}) {
            const QString xml = readText(mimePackagePath(ext));
            QVERIFY2(xml.contains("<mime-type type=\"application/x-quadrel-" + ext.toLower() + "\">"), qPrintable(xml));
            QVERIFY(xml.contains("<glob pattern=\"*." + ext + "\""));
            QVERIFY(xml.contains("<comment>" + comment + "</comment>"));
        }
        const QString notePad = readText(desktopEntryPath("notePad2"));
        QVERIFY2(notePad.startsWith("[Desktop Entry]\n"), qPrintable(notePad));
        QVERIFY(notePad.contains("\nName=notePad2\n"));
        QVERIFY(notePad.contains("\nComment=VX Output\n"));
        QVERIFY(notePad.contains("\nMimeType=application/x-quadrel-vx;application/x-quadrel-out;\n"));
        QVERIFY(notePad.contains("\nExec=\"" + apps + "/notePad2\" %f\n"));
        QVERIFY(readText(desktopEntryPath("Lumaplots"))
                    .contains("\nExec=\"" + apps + "/Lumaplots\" %f\nMimeType=application/x-quadrel-plt;\n"));

        if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
            for (const QString &entry : {desktopEntryPath("notePad2"), desktopEntryPath("Lumaplots")}) {
                QProcess v;
                v.start("desktop-file-validate", {entry});
                QVERIFY(v.waitForFinished(30000));
                const QString out = QString::fromUtf8(v.readAllStandardOutput() + v.readAllStandardError());
                QVERIFY2(v.exitCode() == 0 && !out.contains("error"), qPrintable(out));
            }
        }
        if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
            const QString globs = readText(xdg_->data() + QStringLiteral("/mime/globs2")).toLower();
            for (const char *g : {"application/x-quadrel-vx:*.vx", "application/x-quadrel-out:*.out",
                                  "application/x-quadrel-plt:*.plt"})
                QVERIFY2(globs.contains(QLatin1String(g)), qPrintable(globs));
        }
    }

    void execQuoting_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("value");
        QTest::newRow("dollar") << "/a$HOME/x" << "\"/a\\\\$HOME/x\"";
        QTest::newRow("double quote") << "/a\"b/x" << "\"/a\\\\\"b/x\"";
        QTest::newRow("backslash") << "/a\\b/x" << "\"/a\\\\\\\\b/x\"";
        QTest::newRow("percent") << "/100%/x" << "\"/100%%/x\"";
        QTest::newRow("line break") << "/a\nb/x" << "\"/a\\nb/x\"";
    }
    void execQuoting() {
        QFETCH(QString, path);
        QFETCH(QString, value);
        QCOMPARE(desktopExecArgument(path), value);
    }

    // Without the desktop's refresh tools registration still works, and everything lands in
    // the configuration and data folders, nothing in home or beside.
    void noRefreshToolsAndNothingOutsideTheXdgFolders() {
        QTemporaryDir emptyBin;
        qputenv("PATH", QFile::encodeName(emptyBin.path()));
        QString basePath = QStringLiteral("/opt/qd/Quadrel/..");
        registerFirstRun(basePath);
        QCOMPARE(GetExtensionAssociation("plt"), QStringLiteral("Lumaplots"));
        QVERIFY(QFileInfo::exists(mimePackagePath("plt")));
        QVERIFY(QFileInfo::exists(desktopEntryPath("Lumaplots")));
        QVERIFY(!QFileInfo::exists(xdg_->data() + QStringLiteral("/mime/mime.cache")));
        QVERIFY(filesBelow(xdg_->home()).isEmpty());
        for (const QString &f : filesBelow(xdg_->root()))
            QVERIFY2(f.startsWith(xdg_->config() + '/') || f.startsWith(xdg_->data() + '/'), qPrintable(f));
    }
};

QTEST_GUILESS_MAIN(TstFileAssoc)
#include "tst_fileassoc.moc"
