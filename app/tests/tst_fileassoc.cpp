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

// Undoes the desktop-entry string escapes and then the quoting of one Exec argument, as a
// desktop reads them.
QString unquoteExecArgument(const QString &value) {
    QString s;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar e = value[++i];
            s += e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e == u'r' ? QChar(u'\r')
                 : e == u's' ? QChar(u' ') : e;
        } else {
            s += value[i];
        }
    }
    if (s.size() < 2 || !s.startsWith(u'"') || !s.endsWith(u'"'))
        return QStringLiteral("<not quoted>");
    s = s.mid(1, s.size() - 2);
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size())
            out += s[++i];
        else if (s[i] == u'%' && i + 1 < s.size() && s[i + 1] == u'%')
            out += s[i++];
        else
            out += s[i];
    }
    return out;
}

QStringList filesBelow(const QString &dir) {
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
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
        QCOMPARE(GetExtensionAssociation("Out"), QString());
        registerFirstRun(basePath);
        QCOMPARE(basePath, QStringLiteral("/opt/qd/Quadrel/../"));

        QCOMPARE(GetExtensionAssociation("VX"), QStringLiteral("notePad2"));
        QCOMPARE(GetExtensionAssociation("Out"), QStringLiteral("notePad2"));
        QCOMPARE(GetExtensionAssociation("out"), QStringLiteral("notePad2"));
        QCOMPARE(GetExtensionAssociation("plt"), QStringLiteral("Lumaplots"));
        QCOMPARE(GetExtensionAssociation("ode"), QString());
        QCOMPARE(ReadKeyString(kRoot, "notePad2", "", "?"), QStringLiteral("VX Output"));
        QCOMPARE(ReadKeyString(kRoot, "Lumaplots", "", "?"), QStringLiteral("XYplot file"));
        QCOMPARE(ReadKeyString(kRoot, "notePad2\\shell\\open\\command", "", "?"),
                 QStringLiteral("\"/opt/qd/Quadrel/../notePad2\" %1"));
        QCOMPARE(ReadKeyString(kRoot, "Lumaplots\\shell\\open\\command", "", "?"),
                 QStringLiteral("\"/opt/qd/Quadrel/../Lumaplots\" %1"));
        QVERIFY(!RegistryKeyExists(HKEY_CLASSES_ROOT, "notePad2\\DefaultIcon"));
        QVERIFY(!RegistryKeyExists(HKEY_CLASSES_ROOT, "Lumaplots\\DefaultIcon"));
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
        QTest::newRow("254 characters") << true << QString(254, 'k') << QString(254, 'k');
        QTest::newRow("255 characters do not fit") << true << QString(255, 'k') << "dflt";
        QTest::newRow("200 x é") << true << QString(200, QChar(0xe9)) << QString(200, QChar(0xe9));
        QTest::newRow("254 x é") << true << QString(254, QChar(0xe9)) << QString(254, QChar(0xe9));
        QTest::newRow("255 x é do not fit") << true << QString(255, QChar(0xe9)) << "dflt";
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

    void desktopFilesAfterFirstRun() {
        // A real tool folder with blanks in its name; the entry names the resolved tool.
        const QString base = xdg_->root() + QStringLiteral("/my apps/Quadrel/..");
        QVERIFY(QDir().mkpath(xdg_->root() + QStringLiteral("/my apps/Quadrel")));
        QFile tool(xdg_->root() + QStringLiteral("/my apps/notePad2"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.close();
        QString basePath = base;
        registerFirstRun(basePath);

        for (const auto &[ext, comment] : {std::pair<QString, QString>{"VX", "VX source code"},
                                          {"Out", "VX Output"}, {"plt", "XYplot file"}}) {
            const QString xml = readText(mimePackagePath(ext));
            QVERIFY2(xml.contains("<mime-type type=\"" + mimeTypeForExtension(ext) + "\">"), qPrintable(xml));
            QVERIFY(xml.contains("<glob pattern=\"*." + ext + "\""));
            QVERIFY(xml.contains("<comment>" + comment + "</comment>"));
        }
        QCOMPARE(mimeTypeForExtension("Out"), QStringLiteral("application/x-quadrel-out"));

        const QString notePad = readText(desktopEntryPath("notePad2"));
        QVERIFY2(notePad.startsWith("[Desktop Entry]\n"), qPrintable(notePad));
        QVERIFY(notePad.contains("\nName=notePad2\n"));
        QVERIFY(notePad.contains("\nComment=VX Output\n"));
        QVERIFY(notePad.contains("\nMimeType=application/x-quadrel-vx;application/x-quadrel-out;\n"));
        const QString exec = notePad.section("\nExec=", 1).section('\n', 0, 0);
        QVERIFY(exec.endsWith(" %f"));
        QCOMPARE(unquoteExecArgument(exec.chopped(3)), xdg_->root() + QStringLiteral("/my apps/notePad2"));

        const QString plots = readText(desktopEntryPath("Lumaplots"));
        QVERIFY(plots.contains("\nMimeType=application/x-quadrel-plt;\n"));
        QVERIFY(plots.contains("\nExec=\"" + xdg_->root() + "/my apps/Lumaplots\" %f\n"));

        if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
            for (const QString &entry : {desktopEntryPath("notePad2"), desktopEntryPath("Lumaplots")}) {
                QProcess v;
                v.start("desktop-file-validate", {entry});
                QVERIFY(v.waitForFinished(30000));
                const QString out = QString::fromUtf8(v.readAllStandardOutput() + v.readAllStandardError());
                QVERIFY2(v.exitCode() == 0 && !out.contains("error"), qPrintable(out));
            }
        }
        // The refreshed MIME database knows the three patterns.
        if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
            const QString globs = readText(xdg_->data() + QStringLiteral("/mime/globs2")).toLower();
            QVERIFY2(globs.contains("application/x-quadrel-vx:*.vx"), qPrintable(globs));
            QVERIFY(globs.contains("application/x-quadrel-out:*.out"));
            QVERIFY(globs.contains("application/x-quadrel-plt:*.plt"));
        } else {
            qInfo("update-mime-database is not installed: database refresh not checked");
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
        QCOMPARE(unquoteExecArgument(value), path);
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
            QVERIFY2(f.startsWith(xdg_->config() + '/') || f.startsWith(xdg_->data() + '/'),
                     qPrintable(f));
    }
};

QTEST_GUILESS_MAIN(TstFileAssoc)
#include "tst_fileassoc.moc"
