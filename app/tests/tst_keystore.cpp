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
#include "platform/tests/TestFiles.h"

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
using quadrel::testing::readTestFile;

Q_DECLARE_METATYPE(quadrel::RegValue)

namespace {

QByteArray sz(const QString &s) {
    QByteArray b = s.toUtf8();
    b.append('\0');
    return b;
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
    return readTestFile(storeFileForRoot(HKEY_CURRENT_USER));
}

QString text(const RegValue &v) { return valueToText(v); }
QString text(const QString &key, const QString &name) {
    return text(GetRegistryValue(HKEY_CURRENT_USER, key, name, REG_SZ, QStringLiteral("none")));
}

const QString kTestKey = QStringLiteral("Software\\Test");

int errorOf(const std::function<void()> &f) {
    try {
        f();
    } catch (const RtError &e) {
        return e.number();
    }
    return 0;
}

const QString kRoot = QStringLiteral("-2147483648");

QString readText(const QString &path) { return QString::fromUtf8(readTestFile(path)); }

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
        QTest::newRow("quotes, backslashes, line breaks, tabs") << "p" << regtype::Sz
                                                                << sz("C:\\a \"b\"\\\nb\r\nc\td");
        QTest::newRow("embedded NUL") << "p" << regtype::Sz << QByteArray("a\0b\0", 4);
        QTest::newRow("line separator") << "p" << regtype::Sz
                                        << sz(QString(QChar(0x2028)) + QChar(0x85));
        QTest::newRow("text without data") << "p" << regtype::Sz << QByteArray();
        QTest::newRow("text without terminator") << "p" << regtype::Sz << QByteArray("abc");
        QTest::newRow("invalid UTF-8 text") << "p" << regtype::Sz << QByteArray("\xff\xfe\0", 3);
        QTest::newRow("other type") << "b" << quint32(2) << QByteArray("%x%\0", 4);
        QTest::newRow("unnamed value") << "" << regtype::Sz << sz("notePad2");
        QTest::newRow("name with blanks, = and quotes") << "a \"b\"=c" << regtype::Dword << QByteArray(4, '\0');
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
        const QString text = readText(storePath());
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
        prepare(st);
        QByteArray said = stderrOf([&] {
            QCOMPARE(GetFileInRegistry(st), QStringLiteral("myprob.ode"));
            QCOMPARE(text(kProductKey, "RunCount"), QStringLiteral("12"));
            QCOMPARE(text(companyKey(), "note"), QStringLiteral("Zeile \"1\"\nGrüße\\"));
        });
        QVERIFY(boxes_.shown().isEmpty());
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
        QCOMPARE(readTestFile(storePath() + ".corrupt-1"), reported ? edited : QByteArray());
        QCOMPARE(text(kProductKey, "RunCount"), QStringLiteral("13"));
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
    // the cut file aside byte for byte, beside (never over) those kept before.
    void everyTruncationKeepsItsWholeLines() {
        const auto memory = configInMemory();
        const QByteArray full = realStore();
        StoreContents all;
        QVERIFY(all.parse(full));
        AppState st;
        st.RunCount = 12;
        int damaged = 0;
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
            damaged += state == KeyStore::LoadState::Damaged;
            QCOMPARE(setAsideFiles(storePath()).size(), damaged);
            if (state == KeyStore::LoadState::Damaged)
                QCOMPARE(readTestFile(storePath() + ".corrupt-" + QByteArray::number(damaged)), part);
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
        const QByteArray before = readTestFile(storePath());
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
        QCOMPARE(readTestFile(storePath()), before);
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

    // Reading a value stored with one type code (0: nothing stored) with another code; the
    // bytes are read as the read code says, whatever type they were stored with.
    void readRules_data() {
        QTest::addColumn<int>("writeCode");
        QTest::addColumn<RegValue>("stored");
        QTest::addColumn<int>("readCode");
        QTest::addColumn<RegValue>("fallback");
        QTest::addColumn<RegValue>("expected");
        const auto row = [](const char *name, int writeCode, const RegValue &stored, int readCode,
                            const RegValue &fallback, const RegValue &expected) {
            QTest::newRow(name) << writeCode << stored << readCode << fallback << expected;
        };
        const auto t = [](const QString &s) { return RegValue(s); };
        const auto bytes = [](int size) {
            QByteArray data(size, '\0');
            for (int i = 0; i < size; ++i) data[i] = char(i * 7);
            return RegValue(data);
        };
        const RegValue dflt = t("dflt"), none;
        row("1024 characters do not fit", REG_SZ, t(QString(1024, 'x')), REG_SZ, dflt, dflt);
        // The limit counts characters, not the bytes of their UTF-8 form.
        row("1023 x \u00e9 read whole", REG_SZ, t(QString(1023, QChar(0xe9))), REG_SZ, dflt,
            t(QString(1023, QChar(0xe9))));
        row("1024 x \u00e9 do not fit", REG_SZ, t(QString(1024, QChar(0xe9))), REG_SZ, dflt, dflt);
        row("stored empty text", REG_SZ, t(""), REG_SZ, dflt, t(""));
        row("missing text", 0, none, REG_SZ, dflt, dflt);
        row("\\Qu becomes \\Quadrel", REG_SZ, t("\\Qu"), REG_SZ, dflt, t("\\Quadrel"));
        row("\\Qu as default too", 0, none, REG_SZ, t("\\Qu"), t("\\Quadrel"));
        row("\\Qux unchanged", REG_SZ, t("\\Qux"), REG_SZ, dflt, t("\\Qux"));
        row("\\qu unchanged", REG_SZ, t("\\qu"), REG_SZ, dflt, t("\\qu"));
        row("blanks kept", REG_SZ, t("  a b  "), REG_SZ, dflt, t("  a b  "));
        const RegValue dfltBytes(QByteArray("default"));
        row("empty bytes", REG_BINARY, bytes(0), REG_BINARY, dfltBytes, bytes(0));
        row("4096 bytes", REG_BINARY, bytes(4096), REG_BINARY, dfltBytes, bytes(4096));
        row("4097 bytes do not fit", REG_BINARY, bytes(4097), REG_BINARY, dfltBytes, dfltBytes);
        row("negative integer", REG_DWORD, qint32(-1), REG_DWORD, none, qint32(-1));
        row("largest integer", REG_DWORD, qint32(INT_MAX), REG_DWORD, none, qint32(INT_MAX));
        row("integer from text", REG_DWORD, t(" 17 "), REG_DWORD, none, qint32(17));
        row("integer from empty", REG_DWORD, none, REG_DWORD, none, qint32(0));
        row("text as integer", REG_SZ, t("12"), REG_DWORD, none, qint32('1' | '2' << 8));
        row("text as bytes", REG_SZ, t("12"), REG_BINARY, none, RegValue(QByteArray("12\0", 3)));
        row("integer as text", REG_DWORD, qint32(0x00636261), REG_SZ, none, t("abc"));
        // Text without data keeps the default; without one the result is the empty value.
        row("no data read as text", REG_BINARY, bytes(0), REG_SZ, t("d"), t("d"));
        row("no data read as text, no default", REG_BINARY, bytes(0), REG_SZ, none, none);
        row("text too long for an integer", REG_SZ, t("12345"), REG_DWORD, qint32(-9), qint32(-9));
    }
    void readRules() {
        QFETCH(int, writeCode);
        QFETCH(RegValue, stored);
        QFETCH(int, readCode);
        QFETCH(RegValue, fallback);
        QFETCH(RegValue, expected);
        CreateRegistryKey(HKEY_CURRENT_USER, kTestKey);
        if (writeCode)
            SetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", writeCode, stored);
        const RegValue got = GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "V", readCode, fallback);
        QVERIFY2(got == expected, qPrintable(text(got)));
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
        QCOMPARE(text(kTestKey, "v") + text(kTestKey, "w"), QStringLiteral("keptnone"));
        // Reading with it is an error once the key is open...
        try {
            GetRegistryValue(HKEY_CURRENT_USER, kTestKey, "v", code);
            QFAIL("no error");
        } catch (const RtError &e) {
            QCOMPARE(e.number(), 1001);
            QCOMPARE(e.description(), QStringLiteral("Unsupported value type"));
        }
        // ...while a key that cannot be opened simply gives the default.
        QCOMPARE(text(GetRegistryValue(HKEY_CURRENT_USER, "Software\\None", "v", code, QStringLiteral("d"))),
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

    // Saving the last file shows error 1001 and goes on; the plot file and run counter pass
    // it on to their caller; file-type registration fails quietly.
    void unusableSettingsFolder() {
        // A plain file where the company folder belongs: no store can be created below it.
        QDir().mkpath(configHome());
        QVERIFY(QFile(configHome() + QStringLiteral("/Harrowfield Research Group")).open(QIODevice::WriteOnly));
        AppState st;
        prepare(st);
        st.fileName = QStringLiteral("a.ode");
        QCOMPARE(errorOf([] { PutPlotFileInRegistry(QStringLiteral("~4plots.plt")); }), 1001);
        QCOMPARE(errorOf([&st] { PutRunCountInRegistry(st); }), 1001);
        QVERIFY(WriteKeyString(kRoot, ".VX", "", "notePad2") != 0);
        QString folder = QStringLiteral("/opt");
        AssociateExtension("VX", folder, "notePad2", "VX source code", QString());
        QCOMPARE(GetExtensionAssociation("VX"), QString());
        QVERIFY(boxes_.shown().isEmpty());
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
        QTest::newRow("empty writes only ProgramPath") << "";
        QTest::newRow("named") << "~4plots.plt";
    }
    void plotFile() {
        QFETCH(QString, plotFile);
        PutPlotFileInRegistry(plotFile);
        QVERIFY(!RegistryKeyExists(HKEY_CURRENT_USER, kProductKey));  // the company key alone
        QCOMPARE(text(companyKey(), "ProgramPath"), QStringLiteral("\\Quadrel"));
        QCOMPARE(text(companyKey(), "plotFile"), plotFile.isEmpty() ? QStringLiteral("none") : plotFile);
    }

    // ---- file-type registration ----

    // Without the desktop's refresh tools registration still works, and everything lands in
    // the configuration and data folders, nothing in home or beside.
    void firstRunEntries() {
        QTemporaryDir emptyBin;
        qputenv("PATH", QFile::encodeName(emptyBin.path()));
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
        QVERIFY(QFileInfo::exists(mimePackagePath("plt")) && QFileInfo::exists(desktopEntryPath("Lumaplots")));
        QVERIFY(!QFileInfo::exists(xdg_->data() + QStringLiteral("/mime/mime.cache")));
        QVERIFY(filesBelow(xdg_->home()).isEmpty());
        for (const QString &f : filesBelow(xdg_->root()))
            QVERIFY2(f.startsWith(xdg_->config() + '/') || f.startsWith(xdg_->data() + '/'), qPrintable(f));
        // A folder that already ends in "/" is kept as it is.
        AssociateExtension("VX", basePath, "notePad2", "VX source code", QString());
        QCOMPARE(basePath, QStringLiteral("/opt/qd/Quadrel/../"));
    }

    // The root comes as decimal text; a missing value or a text too long gives the default.
    void readKeyStringRules_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("stored");  // null: the key alone
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty value") << kRoot << "" << "";
        QTest::newRow("missing value") << kRoot << QString() << "dflt";
        QTest::newRow("leading blanks dropped") << kRoot << "   lead" << "lead";
        QTest::newRow("trailing blanks kept") << kRoot << "trail  " << "trail  ";
        QTest::newRow("254 characters (508 bytes)") << kRoot << QString(254, QChar(0xe9)) << QString(254, QChar(0xe9));
        QTest::newRow("255 characters do not fit") << kRoot << QString(255, QChar(0xe9)) << "dflt";
        QTest::newRow("current user") << "-2147483647" << "v" << "v";
        QTest::newRow("unknown root") << "1" << "v" << "dflt";
        QTest::newRow("root not a number") << "HKCR" << "v" << "dflt";
    }
    void readKeyStringRules() {
        QFETCH(QString, root);
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        QCOMPARE(ReadKeyString(root, ".VX", "", "dflt"), QStringLiteral("dflt"));  // no key
        if (stored.isNull())
            CreateRegistryKey(HKEY_CLASSES_ROOT, ".VX");
        else
            QCOMPARE(WriteKeyString(root, ".VX", "", stored) == 0, root.startsWith("-"));
        QCOMPARE(ReadKeyString(root, ".VX", "", "dflt"), expected);
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

    // A path quoted for a desktop entry's Exec line: $, " and \ escaped, the escapes doubled
    // again as the entry file reads them, % doubled, a line break written as \n.
    void execQuoting() {
        const std::pair<const char *, const char *> cases[] = {
            {"/a$HOME/x", "\"/a\\\\$HOME/x\""}, {"/a\"b/x", "\"/a\\\\\"b/x\""},
            {"/a\\b/x", "\"/a\\\\\\\\b/x\""}, {"/100%/x", "\"/100%%/x\""}, {"/a\nb/x", "\"/a\\nb/x\""}};
        for (const auto &[path, value] : cases) QCOMPARE(desktopExecArgument(path), QString(value));
    }
};

QTEST_GUILESS_MAIN(TstKeyStore)
#include "tst_keystore.moc"
