// The store file: its format, damaged files, the lock and atomic replacement.
#include "app/KeyStore.h"
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "platform/RtError.h"
#include "TempXdg.h"

#include <QProcess>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace quadrel;

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

}  // namespace

class TstKeyStore : public QObject {
    Q_OBJECT
    std::unique_ptr<TempXdg> xdg_;
    QString storePath() const { return storeFileForRoot(HKEY_CURRENT_USER); }

private slots:
    void init() {
        xdg_ = std::make_unique<TempXdg>();
        QVERIFY(xdg_->isValid());
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

    void queryHonoursTheDeclaredSize_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<quint32>("declared");
        QTest::addColumn<long>("status");
        QTest::newRow("fits exactly") << 8 << 8u << long(KeyStore::Ok);
        QTest::newRow("one too many") << 9 << 8u << long(KeyStore::MoreData);
        QTest::newRow("nothing stored") << 0 << 0u << long(KeyStore::Ok);
    }
    void queryHonoursTheDeclaredSize() {
        QFETCH(int, stored);
        QFETCH(quint32, declared);
        QFETCH(long, status);
        KeyStore store(storePath());
        KeyStore::Key key, reader;
        QCOMPARE(store.create("K", &key), KeyStore::Ok);
        QCOMPARE(store.set(key, "v", regtype::Binary, QByteArray(stored, 'x')), KeyStore::Ok);
        QCOMPARE(store.open("k", KeyStore::Access::Read, &reader), KeyStore::Ok);
        QByteArray buffer(16, '-');
        quint32 size = declared;
        QCOMPARE(long(store.query(reader, "v", buffer.data(), &size)), status);
        QCOMPARE(size, quint32(stored));
        const int copied = status == KeyStore::Ok ? stored : 0;
        QCOMPARE(buffer, QByteArray(copied, 'x') + QByteArray(16 - copied, '-'));
        size = 0;
        QCOMPARE(store.query(reader, "missing", buffer.data(), &size), KeyStore::NotFound);
    }

    void keysOpenedForReadingCannotBeWritten() {
        KeyStore store(storePath());
        KeyStore::Key key, reader;
        QCOMPARE(store.create("K", &key), KeyStore::Ok);
        QCOMPARE(store.open("K", KeyStore::Access::Read, &reader), KeyStore::Ok);
        QCOMPARE(store.set(reader, "v", regtype::Sz, sz("x")), KeyStore::AccessDenied);
        quint32 size = 0;
        QCOMPARE(store.query(key, "v", nullptr, &size), KeyStore::AccessDenied);
        store.close(reader);
        QCOMPARE(store.set(reader, "v", regtype::Sz, sz("x")), KeyStore::InvalidHandle);
        QCOMPARE(store.open("Missing", KeyStore::Access::Read, &reader), KeyStore::NotFound);
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
        QCOMPARE(valueToText(GetRegistryValue(HKEY_CURRENT_USER, kProductKey, "RunCount", REG_SZ)),
                 QString());
        QCOMPARE(readAll(storePath()), junk);
        QVERIFY(setAsideFiles(storePath()).isEmpty());

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

    // Two processes write 1,000 distinct values each into the same key at the same time.
    void twoProcessesWritingAtOnceLoseNothing() {
        const int perProcess = 1000;
        const auto memory = configInMemory();
        QTemporaryDir barrier;
        QVERIFY(barrier.isValid());
        // Under AddressSanitizer the writers' 2,000 read-modify-writes are mostly allocator
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
            QVERIFY(p->waitForFinished(120000));
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
                const QString name = prefix + QString::number(i);
                const StoredValue *v = k->find(name);
                QVERIFY2(v, qPrintable(name));
                QCOMPARE(v->type, i % 3 == 0 ? regtype::Sz : i % 3 == 1 ? regtype::Dword : regtype::Binary);
                QCOMPARE(v->data, i % 3 == 0   ? sz(QStringLiteral("text \"%1\"\n").arg(i))
                                  : i % 3 == 1 ? QByteArray(reinterpret_cast<const char *>(&i), 4)
                                               : QByteArray::number(i));
            }
        }
        QVERIFY2(switches > 0, "the writers never took turns");
    }
};

QTEST_GUILESS_MAIN(TstKeyStore)
#include "tst_keystore.moc"
