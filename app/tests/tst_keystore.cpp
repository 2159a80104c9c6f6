// The settings store: its file format, damaged files, the lock and atomic replacement; the
// settings operations' read rules, the settings routines over AppState, and file-type
// registration with the MIME packages and desktop entries made for the desktop.
#include "app/DesktopTypes.h"
#include "app/FileAssoc.h"
#include "app/KeyStore.h"
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "platform/RtError.h"
#include "TempXdg.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace quadrel;

Q_DECLARE_METATYPE(quadrel::RegValue)

namespace {

QByteArray sz(const QString &s) {
    QByteArray b = s.toUtf8();
    b.append('\0');
    return b;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QStringList setAsideFiles(const QString &store) {
    const QFileInfo info(store);
    return info.dir().entryList({info.fileName() + QStringLiteral(".corrupt-*")}, QDir::Files,
                                QDir::Name);
}

// Moves XDG_CONFIG_HOME to a memory file system, if any, for runs of thousands of writes.
std::unique_ptr<QTemporaryDir> configInMemory() {
    if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        return nullptr;
    auto dir = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/quadrel-test-XXXXXX"));
    if (!dir->isValid())
        return nullptr;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir->path()));
    return dir;
}

// What f writes to standard error.
QByteArray stderrOf(const std::function<void()> &f) {
    QTemporaryFile capture;
    if (!capture.open())
        return "no capture";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    f();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

// A store such as the program leaves after some runs.
QByteArray realStore() {
    AppState st;
    st.fileName = QStringLiteral("myprob.ode");
    st.userPath = QStringLiteral("User");
    st.RunCount = 12;
    PutFileInRegistry(st);
    PutRunCountInRegistry(st);
    PutPlotFileInRegistry(QStringLiteral("~4plots.plt"));
    SetRegistryValue(HKEY_CURRENT_USER, companyKey(), "tPause", REG_SZ, QStringLiteral("20"));
    SetRegistryValue(HKEY_CURRENT_USER, companyKey(), "submit", REG_DWORD, qint32(46000));
    SetRegistryValue(HKEY_CURRENT_USER, companyKey(), "blob", REG_BINARY, QByteArray("\x00\x7f\xff", 3));
    SetRegistryValue(HKEY_CURRENT_USER, companyKey(), "note", REG_SZ,
                     QStringLiteral("Zeile \"1\"\nGrüße\\"));
    return readAll(storeFileForRoot(HKEY_CURRENT_USER));
}

QString text(const QString &key, const QString &name) {
    return valueToText(GetRegistryValue(HKEY_CURRENT_USER, key, name, REG_SZ, QStringLiteral("none")));
}

const QString kTestKey = QStringLiteral("Software\\Test");

void makeFolderUnusable() {
    // A plain file where the company folder belongs: no store can be created below it.
    const QString company = configHome() + QStringLiteral("/Harrowfield Research Group");
    QDir().mkpath(configHome());
    QFile f(company);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QString text(const RegValue &v) { return valueToText(v); }

int errorOf(const std::function<void()> &f) {
    try {
        f();
    } catch (const RtError &e) {
        return e.number();
    }
    return 0;
}

const QString kRoot = QStringLiteral("-2147483648");

QString readText(const QString &path) { return QString::fromUtf8(readAll(path)); }

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

class TstKeyStore : public QObject {
    Q_OBJECT
    std::unique_ptr<TempXdg> xdg_;
    ScriptedMessageBoxes boxes_;
    QByteArray savedPath_;
    QString storePath() const { return storeFileForRoot(HKEY_CURRENT_USER); }

    void prepare(AppState &st) {
        st.msg = &boxes_;
        st.appPath = QStringLiteral("/opt/qd/Quadrel");
        st.basePath.clear();
    }

private slots:
    void initTestCase() { savedPath_ = qgetenv("PATH"); }
    void init() {
        xdg_ = std::make_unique<TempXdg>();
        QVERIFY(xdg_->isValid());
        boxes_.clear();
        qputenv("PATH", savedPath_);
    }
    void cleanup() { xdg_.reset(); }

    // Every kind of value survives a write and a read of the file unchanged.
    void valuesSurviveTheFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("quotes and backslashes") << "p" << regtype::Sz << sz("C:\\a \"b\"\\");
        QTest::newRow("line breaks and tabs") << "p" << regtype::Sz << sz("a\nb\r\nc\td");
        QTest::newRow("embedded NUL") << "p" << regtype::Sz << QByteArray("a\0b\0", 4);
        QTest::newRow("line separator") << "p" << regtype::Sz
                                        << sz(QString(QChar(0x2028)) + QChar(0x85));
        QTest::newRow("text without data") << "p" << regtype::Sz << QByteArray();
        QTest::newRow("text without terminator") << "p" << regtype::Sz << QByteArray("abc");
        QTest::newRow("invalid UTF-8 text") << "p" << regtype::Sz << QByteArray("\xff\xfe\0", 3);
        QTest::newRow("other type") << "b" << quint32(2) << QByteArray("%x%\0", 4);
        QTest::newRow("unnamed value") << "" << regtype::Sz << sz("notePad2");
        QTest::newRow("name with blanks and =") << "a b=c" << regtype::Sz << sz("x");
        QTest::newRow("name with quote") << "say \"hi\"" << regtype::Dword << QByteArray(4, '\0');
    }
    void valuesSurviveTheFile() {
        QFETCH(QString, name);
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        KeyStore store(storePath());
        KeyStore::Key key;
        QCOMPARE(store.create(kProductKey, &key), KeyStore::Ok);
        QCOMPARE(store.set(key, name, type, data), KeyStore::Ok);
        StoreContents contents;
        QCOMPARE(store.load(&contents), KeyStore::LoadState::Ok);
        const StoredValue *v = contents.find(kProductKey)->find(name);
        QVERIFY(v);
        QCOMPARE(v->name, name);
        QCOMPARE(v->type, type);
        QCOMPARE(v->data, data);
    }

    // The file reads as written, and a write replaces it by a new one (never in place).
    void fileReadsAsWritten() {
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        struct stat before {}, after {};
        QCOMPARE(::stat(QFile::encodeName(storePath()).constData(), &before), 0);
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "RunCount", REG_SZ, QStringLiteral("3"));
        QCOMPARE(::stat(QFile::encodeName(storePath()).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "FileIn", REG_SZ,
                         QStringLiteral("say \"x\"\\y.ode"));
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "submit", REG_DWORD, qint32(46000));
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "blob", REG_BINARY, QByteArray("\x01\x02\xff"));
        const QString text = QString::fromUtf8(readAll(storePath()));
        QVERIFY2(text.contains("\n[Software\\Harrowfield Research Group\\Quadrel]\n"), qPrintable(text));
        QVERIFY(text.contains("\nRunCount = sz:\"3\"\n"));
        QVERIFY(text.contains("\nFileIn = sz:\"say \\\"x\\\"\\\\y.ode\"\n"));
        QVERIFY(text.contains("\nsubmit = dword:46000\n"));
        QVERIFY(text.contains("\nblob = hex:01 02 ff\n"));
        QVERIFY(text.endsWith("\n.end\n"));
    }

    // Files fixed by hand: each line that cannot be read is skipped and named (badLine),
    // and the value asked for is still read.
    void handEditedFilesParse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("badLine");  // 0: the whole file parses
        const auto good = [](const char *row, const QByteArray &text, const QString &name,
                             const QByteArray &data) { QTest::newRow(row) << text << name << data << 0; };
        good("CR LF line ends", "[A]\r\nx = sz:\"1\"\r\n.end\r\n", "x", sz("1"));
        good("comments and blanks", "# hi\n; there\n\n  [A]  \n\t x=sz:\"1\"   \n\n.end\n\n\n", "x", sz("1"));
        good("quoted name", "[A]\n\"x y\" = dword:7\n.end\n", "x y", QByteArray("\x07\0\0\0", 4));
        good("unsigned dword", "[A]\nd = dword:4294967295\n.end\n", "d", QByteArray("\xff\xff\xff\xff", 4));
        good("hex with commas", "[A]\nb = hex:0A,0b, ff\n.end\n", "b", "\x0a\x0b\xff");
        good("text without data", "[A]\nx = sz:\n.end\n", "x", QByteArray());
        good("escapes", "[A]\nx = sz:\"\\x41\\u00e9\\t\"\n.end\n", "x", sz(QStringLiteral("Aé\t")));
        good("key given twice", "[A]\nx = sz:\"1\"\n[a]\ny = sz:\"2\"\n.end\n", "y", sz("2"));
        good("value after .end", "[A]\n.end\nx = sz:\"1\"\n", "x", sz("1"));
        good("value given twice", "[A]\nx = sz:\"1\"\nX = sz:\"2\"\n.end\n", "x", sz("2"));
        const auto bad = [](const char *row, const QByteArray &tail, int line) {
            QTest::newRow(row) << "[A]\nok = sz:\"1\"\n" + tail << "ok" << sz("1") << line;
        };
        bad("no .end line", "", 2);
        bad("cut short in a value", "x = dword:460", 3);
        bad("key without ] takes its values along", "[B\nx = sz:\"1\"\n.end\n", 3);
        bad("unterminated text", "x = sz:\"1\n.end\n", 3);
        bad("text after the quote", "x = sz:\"1\" 2\n.end\n", 3);
        bad("unknown escape", "x = sz:\"\\q\"\n.end\n", 3);
        bad("surrogate \\u escape", "x = sz:\"\\ud800\"\n.end\n", 3);
        bad("no =", "x sz:\"1\"\n.end\n", 3);
        bad("unknown type", "x = qword:1\n.end\n", 3);
        bad("dword too large", "x = dword:4294967296\n.end\n", 3);
        bad("odd hex digit", "b = hex:01 0\n.end\n", 3);
        bad("empty quoted name", "\"\" = sz:\"1\"\n.end\n", 3);
        QTest::newRow("value before a key") << QByteArray("x = sz:\"2\"\n[A]\nok = sz:\"1\"\n.end\n") << "ok"
                                            << sz("1") << 1;
    }
    void handEditedFilesParse() {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QFETCH(int, badLine);
        StoreContents c;
        QString error;
        int first = -1;
        QCOMPARE(c.parse(text, &error, &first), badLine == 0);
        if (badLine) {
            QCOMPARE(first, badLine);
            QVERIFY2(error.startsWith(QStringLiteral("line %1: ").arg(badLine)), qPrintable(error));
            QCOMPARE(c.find("a")->values.size(), size_t(1));
        }
        QCOMPARE(c.keys().size(), size_t(1));
        const StoredValue *v = c.find("a")->find(name);
        QVERIFY(v);
        QCOMPARE(v->data, data);
    }

    // One hand edit of a real store loses only what it touched.
    void oneBadEditLosesOnlyItsLine_data() {
        QTest::addColumn<QByteArray>("find");
        QTest::addColumn<QByteArray>("replace");
        QTest::addColumn<bool>("reported");  // skipped lines: reported and kept aside
        QTest::newRow("byte-order mark") << QByteArray("# user-settings.conf (")
                                         << QByteArray("\xef\xbb\xbf# user-settings.conf (") << false;
        QTest::newRow("Latin-1 byte") << QByteArray("ProgramPath") << QByteArray("caf\xe9 = sz:\"x\"\nProgramPath")
                                      << true;
        QTest::newRow("unquoted value") << QByteArray("tPause = sz:\"20\"") << QByteArray("tPause = sz:20") << false;
        QTest::newRow(".END in capitals") << QByteArray(".end") << QByteArray(".END") << false;
        QTest::newRow("oversized dword") << QByteArray("dword:46000") << QByteArray("dword:99999999999") << true;
    }
    void oneBadEditLosesOnlyItsLine() {
        QFETCH(QByteArray, find);
        QFETCH(QByteArray, replace);
        QFETCH(bool, reported);
        QByteArray edited = realStore();
        QVERIFY(edited.contains(find));
        edited.replace(find, replace);
        writeAll(storePath(), edited);

        AppState st;
        ScriptedMessageBoxes boxes;
        st.msg = &boxes;
        QByteArray said = stderrOf([&] {
            QCOMPARE(GetFileInRegistry(st), QStringLiteral("myprob.ode"));
            QCOMPARE(text(kProductKey, "RunCount"), QStringLiteral("12"));
            QCOMPARE(text(companyKey(), "note"), QStringLiteral("Zeile \"1\"\nGrüße\\"));
        });
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(said.count("cannot be read"), reported ? 1 : 0);  // once for all those reads

        // The next write keeps the file as it was beside the clean one it writes, and
        // removes what a writer killed before its rename left.
        writeAll(storePath() + ".Ab12Zq", "[half");
        st.RunCount = 13;
        said = stderrOf([&] { PutRunCountInRegistry(st); });
        QVERIFY2(said.isEmpty(), said.constData());
        QCOMPARE(QFileInfo(storePath()).dir().entryList(QDir::Files | QDir::Hidden),
                 QStringList({"user-settings.conf"}) + setAsideFiles(storePath()) +
                     QStringList({"user-settings.conf.lock"}));
        QCOMPARE(setAsideFiles(storePath()), reported ? QStringList{"user-settings.conf.corrupt-1"} : QStringList());
        QCOMPARE(readAll(storePath() + ".corrupt-1"), reported ? edited : QByteArray());
        QCOMPARE(text(kProductKey, "RunCount"), QStringLiteral("13"));
    }

    void namesMatchWithoutCaseAndKeepTheirCase() {
        KeyStore store(storePath());
        KeyStore::Key key, again;
        QCOMPARE(store.create(kProductKey, &key), KeyStore::Ok);
        QCOMPARE(store.set(key, "FileIn", regtype::Sz, sz("a.ode")), KeyStore::Ok);
        QCOMPARE(store.create(kProductKey.toUpper(), &again), KeyStore::Ok);
        QCOMPARE(store.set(again, "FILEIN", regtype::Sz, sz("b.ode")), KeyStore::Ok);
        StoreContents c;
        QCOMPARE(store.load(&c), KeyStore::LoadState::Ok);
        QCOMPARE(c.keys().size(), size_t(1));
        QCOMPARE(c.keys()[0].path, kProductKey);
        QCOMPARE(c.keys()[0].values.size(), size_t(1));
        QCOMPARE(c.keys()[0].values[0].name, QStringLiteral("FileIn"));
        QCOMPARE(c.keys()[0].values[0].data, sz("b.ode"));
    }

    void badKeyPathsAreRefused_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty") << "";
        QTest::newRow("leading backslash") << "\\A";
        QTest::newRow("empty level") << "A\\\\B";
        QTest::newRow("bracket") << "A]";
        QTest::newRow("outer blank") << "A\\ B";
        QTest::newRow("level of 256") << QString(256, 'k');
    }
    void badKeyPathsAreRefused() {
        QFETCH(QString, path);
        KeyStore store(storePath());
        KeyStore::Key key;
        QCOMPARE(store.create(path, &key), KeyStore::Failed);
        QVERIFY(!QFileInfo::exists(storePath()));
    }

    void damagedStoreIsSetAsideBeforeAWrite() {
        const QByteArray junk("[Software\\Harrowfield Research Group\\Quadrel]\nRunCount = sz:\"7");
        writeAll(storePath(), junk);
        // Reading sees the key but not the value cut short, and changes nothing.
        QVERIFY(RegistryKeyExists(HKEY_CURRENT_USER, kProductKey));
        QCOMPARE(text(kProductKey, "RunCount"), QStringLiteral("none"));
        QVERIFY(readAll(storePath()) == junk && setAsideFiles(storePath()).isEmpty());
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        // A second damaged file does not replace the first one set aside.
        writeAll(storePath(), "garbage");
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        QCOMPARE(setAsideFiles(storePath()),
                 QStringList({"user-settings.conf.corrupt-1", "user-settings.conf.corrupt-2"}));
        QCOMPARE(readAll(storePath() + ".corrupt-1"), junk);
        QCOMPARE(readAll(storePath() + ".corrupt-2"), QByteArray("garbage"));
    }

    void unreadableStoreIsNeverOverwritten() {
        // A folder where the file should be cannot be read as a store.
        QVERIFY(QDir().mkpath(storePath()));
        QVERIFY(!RegistryKeyExists(HKEY_CURRENT_USER, kProductKey));
        QVERIFY_THROWS_EXCEPTION(RtError, CreateRegistryKey(HKEY_CURRENT_USER, kProductKey));
        QVERIFY(QFileInfo(storePath()).isDir());
        QVERIFY(setAsideFiles(storePath()).isEmpty());
    }

    // Cuts a real store short at every byte offset: each cut keeps exactly the values whose
    // lines it holds whole (never a value cut to another one), and the next write keeps
    // the cut file aside byte for byte.
    void everyTruncationKeepsItsWholeLines() {
        const auto memory = configInMemory();
        const QByteArray full = realStore();
        StoreContents all;
        QVERIFY(all.parse(full));
        AppState st;
        st.RunCount = 12;

        for (int cut = 0; cut < full.size(); ++cut) {
            const QByteArray part = full.left(cut);
            writeAll(storePath(), part);
            StoreContents c;
            const KeyStore::LoadState state = KeyStore(storePath()).load(&c);
            QCOMPARE(state, cut == full.size() - 1 ? KeyStore::LoadState::Ok : KeyStore::LoadState::Damaged);
            int whole = 0;  // value lines the part holds with their line end
            for (const QByteArray &l : part.left(part.lastIndexOf('\n') + 1).split('\n'))
                whole += !l.startsWith('#') && l.contains(" = ");
            QCOMPARE(c.valueCount(), whole);
            for (const StoredKey &k : c.keys())
                for (const StoredValue &v : k.values)
                    QCOMPARE(all.find(k.path)->find(v.name)->data, v.data);

            PutRunCountInRegistry(st);
            if (state == KeyStore::LoadState::Damaged) {
                QCOMPARE(setAsideFiles(storePath()), QStringList{"user-settings.conf.corrupt-1"});
                QCOMPARE(readAll(storePath() + ".corrupt-1"), part);
                QVERIFY(QFile::remove(storePath() + ".corrupt-1"));
            }
            QCOMPARE(KeyStore(storePath()).load(&c), KeyStore::LoadState::Ok);
            QCOMPARE(text(kProductKey, "RunCount"), QStringLiteral("12"));
        }
    }

    // A store that cannot be written stays exactly as it was, and a second Quadrel writing
    // into it says so once on standard error (never in a window). The writer runs as an
    // unprivileged user when the tests run as root, for whom nothing is read-only.
    void unwritableStoreChangesNothing_data() {
        QTest::addColumn<bool>("folderReadOnly");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void unwritableStoreChangesNothing() {
        QFETCH(bool, folderReadOnly);
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "RunCount", REG_SZ, QStringLiteral("3"));
        const QByteArray before = readAll(storePath());
        const QString folder = QFileInfo(storePath()).path();
        QTemporaryDir barrier;
        const auto mode = [](const QString &path, mode_t m) {
            return ::chmod(QFile::encodeName(path).constData(), m) == 0;
        };
        QVERIFY(mode(xdg_->root(), 0777) && mode(barrier.path(), 0777) && mode(storePath() + ".lock", 0666));
        QVERIFY(mode(storePath(), folderReadOnly ? 0666 : 0444) && mode(folder, folderReadOnly ? 0555 : 0777));

        QProcess writer;
        writer.setChildProcessModifier([] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(9);
        });
        writer.start(QStringLiteral(STORE_WRITER_PATH), {"w", "2", barrier.path(), "1"});
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitCode(), 0);
        const QByteArray said = writer.readAllStandardError();
        QCOMPARE(said.count("cannot be written"), 1);
        QVERIFY2(folderReadOnly || said.contains("the file is read-only"), said.constData());
        QCOMPARE(readAll(storePath()), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"user-settings.conf", "user-settings.conf.lock"}));
        QVERIFY(mode(folder, 0755));
    }

    // Two processes write 300 distinct values each into the same key at the same time.
    void twoProcessesWritingAtOnceLoseNothing() {
        const int perProcess = 300;
        const auto memory = configInMemory();
        QTemporaryDir barrier;
        QVERIFY(barrier.isValid());
        // Under AddressSanitizer the writers' read-modify-writes are mostly allocator
        // bookkeeping: keep its stack records, fill and quarantine small (checks stay on).
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") +
                                       ":malloc_context_size=2:max_malloc_fill_size=0:quarantine_size_mb=16");
        QProcess a, b;
        for (QProcess *p : {&a, &b}) {
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->setProcessEnvironment(env);
        }
        a.start(STORE_WRITER_PATH, {"a", QString::number(perProcess), barrier.path(), "2"});
        b.start(STORE_WRITER_PATH, {"b", QString::number(perProcess), barrier.path(), "2"});
        for (QProcess *p : {&a, &b}) {
            QVERIFY(p->waitForFinished(-1));  // the test's own time limit bounds it
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 0);
        }
        StoreContents c;
        QCOMPARE(KeyStore(storePath()).load(&c), KeyStore::LoadState::Ok);
        QVERIFY(setAsideFiles(storePath()).isEmpty());
        const StoredKey *k = c.find(kProductKey);
        QVERIFY(k);
        QCOMPARE(int(k->values.size()), 2 * perProcess);
        int switches = 0;
        for (size_t i = 1; i < k->values.size(); ++i)
            switches += k->values[i].name[0] != k->values[i - 1].name[0];
        for (const QString prefix : {"a", "b"}) {
            for (int i = 0; i < perProcess; ++i) {
                const StoredValue *v = k->find(prefix + QString::number(i));
                QVERIFY2(v, qPrintable(prefix + QString::number(i)));
                QCOMPARE(v->data, sz(QStringLiteral("text \"%1\"\n").arg(i)));
            }
        }
        QVERIFY2(switches > 0, "the writers never took turns");
    }

    // ---- the settings operations' read rules ----

    void textReadRules_data() {
        QTest::addColumn<bool>("store");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1024 characters do not fit") << true << QString(1024, 'x') << "dflt" << "dflt";
        // The limit counts characters, not the bytes of their UTF-8 form.
        QTest::newRow("1023 x é read whole") << true << QString(1023, QChar(0xe9)) << "dflt"
                                           << QString(1023, QChar(0xe9));
        QTest::newRow("1024 x é do not fit") << true << QString(1024, QChar(0xe9)) << "dflt" << "dflt";
        QTest::newRow("stored empty text") << true << "" << "dflt" << "";
        QTest::newRow("missing value") << false << "" << "dflt" << "dflt";
        QTest::newRow("\\Qu becomes \\Quadrel") << true << "\\Qu" << "dflt" << "\\Quadrel";
        QTest::newRow("\\Qu as default too") << false << "" << "\\Qu" << "\\Quadrel";
        QTest::newRow("\\Qux unchanged") << true << "\\Qux" << "dflt" << "\\Qux";
        QTest::newRow("\\qu unchanged") << true << "\\qu" << "dflt" << "\\qu";
        QTest::newRow("blanks kept") << true << "  a b  " << "dflt" << "  a b  ";
    }
    void textReadRules() {
        QFETCH(bool, store);
        QFETCH(QString, stored);
        QFETCH(QString, fallback);
        QFETCH(QString, expected);
        CreateRegistryKey(HKEY_CURRENT_USER, kTestKey);
        if (store)
            SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", REG_SZ, stored);
        const RegValue got = GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "V", REG_SZ, fallback);
        QVERIFY(std::holds_alternative<QString>(got));
        QCOMPARE(std::get<QString>(got), expected);
    }

    void textWithoutDataKeepsDefault() {
        KeyStore store(storeFileForRoot(HKEY_CURRENT_USER));
        KeyStore::Key key;
        QCOMPARE(store.create(kTestKey, &key), KeyStore::Ok);
        QCOMPARE(store.set(key, "v", regtype::Sz, QByteArray()), KeyStore::Ok);
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", REG_SZ, QStringLiteral("d"))),
                 QStringLiteral("d"));
        // Without a default the result is the empty value, not an empty text.
        QVERIFY(isEmptyValue(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", REG_SZ)));
        QVERIFY(isEmptyValue(GetRegistryValue(HKEY_CURRENT_USER, "Software\\None", "v", REG_SZ)));
    }

    void binaryReadRules_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("readBack");
        QTest::newRow("empty") << 0 << true;
        QTest::newRow("4096 bytes") << 4096 << true;
        QTest::newRow("4097 bytes do not fit") << 4097 << false;
    }
    void binaryReadRules() {
        QFETCH(int, size);
        QFETCH(bool, readBack);
        QByteArray data(size, '\0');
        for (int i = 0; i < size; ++i)
            data[i] = char(i * 7);
        CreateRegistryKey(HKEY_CURRENT_USER, kTestKey);
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "b", REG_BINARY, data);
        const RegValue got =
            GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "b", REG_BINARY, QByteArray("default"));
        QCOMPARE(std::get<QByteArray>(got), readBack ? data : QByteArray("default"));
    }

    void integerValues_data() {
        QTest::addColumn<RegValue>("written");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("negative") << RegValue(qint32(-1)) << -1;
        QTest::newRow("largest") << RegValue(qint32(INT_MAX)) << qint32(INT_MAX);
        QTest::newRow("from text") << RegValue(QStringLiteral(" 17 ")) << 17;
        QTest::newRow("from empty") << RegValue() << 0;
    }
    void integerValues() {
        QFETCH(RegValue, written);
        QFETCH(qint32, expected);
        CreateRegistryKey(HKEY_CURRENT_USER, kTestKey);
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "submit", REG_DWORD, written);
        QCOMPARE(std::get<qint32>(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "submit", REG_DWORD)),
                 expected);
    }

    void conversionErrorsOnWrite_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<RegValue>("value");
        QTest::addColumn<int>("error");
        QTest::newRow("text that is no number") << REG_DWORD << RegValue(QStringLiteral("x1")) << 13;
        QTest::newRow("number too large") << REG_DWORD << RegValue(QStringLiteral("2147483648")) << 6;
        QTest::newRow("bytes as integer") << REG_DWORD << RegValue(QByteArray("1")) << 13;
        QTest::newRow("integer as bytes") << REG_BINARY << RegValue(qint32(1)) << 13;
    }
    void conversionErrorsOnWrite() {
        QFETCH(int, code);
        QFETCH(RegValue, value);
        QFETCH(int, error);
        CreateRegistryKey(HKEY_CURRENT_USER, kTestKey);
        QCOMPARE(errorOf([&] { SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", code, value); }), error);
        QVERIFY(isEmptyValue(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", REG_BINARY)));
    }

    // The stored type is not compared with the code asked for: the bytes are read as the
    // code says.
    void bytesAreReadAsTheCodeSays() {
        CreateRegistryKey(HKEY_CURRENT_USER, kTestKey);
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "t", REG_SZ, QStringLiteral("12"));
        QCOMPARE(std::get<qint32>(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "t", REG_DWORD)),
                 qint32('1' | '2' << 8));
        QCOMPARE(std::get<QByteArray>(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "t", REG_BINARY)),
                 QByteArray("12\0", 3));
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "n", REG_DWORD, qint32(0x00636261));
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "n", REG_SZ)), QStringLiteral("abc"));
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "long", REG_SZ, QStringLiteral("12345"));
        QCOMPARE(std::get<qint32>(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "long", REG_DWORD,
                                                   qint32(-9))),
                 -9);
    }

    void unsupportedTypeCodes_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("0") << 0;
        QTest::newRow("2 (expandable text)") << 2;
    }
    void unsupportedTypeCodes() {
        QFETCH(int, code);
        CreateRegistryKey(HKEY_CURRENT_USER, kTestKey);
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", REG_SZ, QStringLiteral("kept"));
        // Writing with the code writes nothing and reports nothing.
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", code, QStringLiteral("new"));
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "w", code, QStringLiteral("new"));
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", REG_SZ)), QStringLiteral("kept"));
        QVERIFY(isEmptyValue(GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "w", REG_SZ)));
        // Reading with it is an error once the key is open...
        try {
            GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", code);
            QFAIL("no error");
        } catch (const RtError &e) {
            QCOMPARE(e.number(), 1001);
            QCOMPARE(e.description(), QStringLiteral("Unsupported value type"));
        }
        // ...while a key that cannot be opened simply gives the default.
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, "Software\\None", "v", code,
                                       QStringLiteral("d"))),
                 QStringLiteral("d"));
    }

    void keysExistWithTheirLevelsAbove_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QTest::newRow("product") << kProductKey << true;
        QTest::newRow("company") << companyKey() << true;
        QTest::newRow("other case") << "SOFTWARE\\harrowfield research group\\QUADREL" << true;
        QTest::newRow("sibling") << "Software\\Harrowfield Research Group\\Other" << false;
        QTest::newRow("prefix of a level") << "Software\\Harrowfield" << false;
        QTest::newRow("below") << kProductKey + "\\Sub" << false;
    }
    void keysExistWithTheirLevelsAbove() {
        QFETCH(QString, path);
        QFETCH(bool, exists);
        QVERIFY(!RegistryKeyExists(HKEY_CURRENT_USER, path));
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        QCOMPARE(RegistryKeyExists(HKEY_CURRENT_USER, path), exists);
        QVERIFY(!RegistryKeyExists(HKEY_CLASSES_ROOT, path));  // a store of its own
    }

    void writesToAMissingKeyDoNothing() {
        SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", REG_SZ, QStringLiteral("x"));
        QVERIFY(!QFileInfo::exists(storeFileForRoot(HKEY_CURRENT_USER)));
        SetRegistryValue(12345, kTestKey, "v", REG_SZ, QStringLiteral("x"));  // no such root
        QVERIFY(!RegistryKeyExists(12345, kTestKey));
    }

    // ---- the settings routines ----------------------------------------------------------

    void lastFileAndUserFolder_data() {
        QTest::addColumn<RegValue>("fileIn");
        QTest::addColumn<RegValue>("userPath");
        QTest::addColumn<QString>("expectedFile");
        QTest::addColumn<QString>("expectedUserPath");
        QTest::newRow("nothing stored") << RegValue() << RegValue() << "" << "demos";
        QTest::newRow("folder dropped") << RegValue(QStringLiteral("C:\\Work\\demo\\myprob.ode"))
                                        << RegValue(QStringLiteral("User")) << "myprob.ode" << "User";
        QTest::newRow("no backslash") << RegValue(QStringLiteral("myprob.ode")) << RegValue(QStringLiteral("demos"))
                                      << "myprob.ode" << "demos";
        QTest::newRow("ends in backslash") << RegValue(QStringLiteral("a\\b\\")) << RegValue() << "" << "demos";
        QTest::newRow("slash is no separator") << RegValue(QStringLiteral("a/b.ode")) << RegValue()
                                               << "a/b.ode" << "demos";
        QTest::newRow("empty user folder") << RegValue(QString()) << RegValue(QString()) << "" << "demos";
        QTest::newRow("drive-qualified") << RegValue() << RegValue(QStringLiteral("D:\\data")) << "" << "demos";
        QTest::newRow("colon alone") << RegValue() << RegValue(QStringLiteral(":")) << "" << "demos";
        QTest::newRow("colon third") << RegValue() << RegValue(QStringLiteral("ab:c")) << "" << "ab:c";
        QTest::newRow("no product key: nothing changes") << RegValue() << RegValue() << "" << "before";
    }
    void lastFileAndUserFolder() {
        QFETCH(RegValue, fileIn);
        QFETCH(RegValue, userPath);
        QFETCH(QString, expectedFile);
        QFETCH(QString, expectedUserPath);
        const bool keyed = expectedUserPath != "before";
        CreateRegistryKey(HKEY_CURRENT_USER, keyed ? kProductKey : companyKey());
        if (!isEmptyValue(fileIn))
            SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "FileIn", REG_SZ, fileIn);
        if (!isEmptyValue(userPath))
            SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "userPath", REG_SZ, userPath);
        AppState st;
        prepare(st);
        st.userPath = QStringLiteral("before");
        st.fileIn = QStringLiteral("before.ode");
        QCOMPARE(GetFileInRegistry(st), expectedFile);
        QCOMPARE(st.fileIn, keyed ? expectedFile : QStringLiteral("before.ode"));
        QCOMPARE(st.userPath, expectedUserPath);
        QCOMPARE(st.basePath, keyed ? QStringLiteral("/opt/qd/Quadrel/..") : QString());
        QVERIFY(boxes_.shown().isEmpty());
    }

    void putFileReportsAndGoesOn() {
        makeFolderUnusable();
        AppState st;
        prepare(st);
        st.fileName = QStringLiteral("a.ode");
        PutFileInRegistry(st);
        QCOMPARE(boxes_.shown().size(), 1);
        const MessageRequest &m = boxes_.shown()[0];
        QCOMPARE(m.title, QStringLiteral("In 'PutFileInRegistry'"));
        QCOMPARE(m.text, QStringLiteral("Unexpected error # 1001 occured: Unable to create the registry "
                                        "key\r\nIt seems some Registry entry is corrupt!  Re-installing "
                                        "this \r\nQuadrel™ program is the easiest fix."));
        QCOMPARE(m.icon, MsgIcon::Critical);
        QCOMPARE(m.buttons, MsgButtons::Ok);
    }

    void plotFile_data() {
        QTest::addColumn<QString>("plotFile");
        QTest::addColumn<int>("values");
        QTest::newRow("empty writes only ProgramPath") << "" << 1;
        QTest::newRow("named") << "~4plots.plt" << 2;
    }
    void plotFile() {
        QFETCH(QString, plotFile);
        QFETCH(int, values);
        PutPlotFileInRegistry(plotFile);
        StoreContents c;
        QCOMPARE(KeyStore(storeFileForRoot(HKEY_CURRENT_USER)).load(&c), KeyStore::LoadState::Ok);
        QCOMPARE(c.keys().size(), size_t(1));  // the company key alone
        QCOMPARE(int(c.find(companyKey())->values.size()), values);
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, companyKey(), "ProgramPath", REG_SZ)),
                 QStringLiteral("\\Quadrel"));
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, companyKey(), "plotFile", REG_SZ,
                                       QStringLiteral("none"))),
                 plotFile.isEmpty() ? QStringLiteral("none") : plotFile);
    }

    void runCount_data() {
        QTest::addColumn<qint16>("count");
        QTest::addColumn<QString>("stored");
        QTest::newRow("first") << qint16(1) << "1";
        QTest::newRow("largest") << qint16(32767) << "32767";
        QTest::newRow("negative") << qint16(-3) << "-3";
    }
    void runCount() {
        QFETCH(qint16, count);
        QFETCH(QString, stored);
        // Missing, the counter reads as the empty value, which counts as 0: a first run.
        QVERIFY(text(GetRegistryValue(HKEY_CURRENT_USER, kProductKey, "RunCount", REG_SZ)).isEmpty());
        AppState st;
        prepare(st);
        st.RunCount = count;
        PutRunCountInRegistry(st);
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, kProductKey, "runcount", REG_SZ)), stored);
    }

    // These two pass error 1001 on to their caller instead of showing it.
    void plotFileAndRunCountPassErrorsOn() {
        makeFolderUnusable();
        AppState st;
        QCOMPARE(errorOf([] { PutPlotFileInRegistry(QStringLiteral("~4plots.plt")); }), 1001);
        QCOMPARE(errorOf([&st] { PutRunCountInRegistry(st); }), 1001);
    }

    // ---- file-type registration ----

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
        makeFolderUnusable();
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

QTEST_GUILESS_MAIN(TstKeyStore)
#include "tst_keystore.moc"
