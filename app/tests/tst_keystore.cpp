// The store file: its format, damaged files, the lock and atomic replacement.
#include "app/KeyStore.h"
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "platform/RtError.h"
#include "TempXdg.h"

#include <QElapsedTimer>
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

// The runs with thousands of writes check the lock, the replacement and the parser, not
// the disk: on a memory file system their flushes to disk cost nothing. Moves
// XDG_CONFIG_HOME there when one is available.
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

    void storeLivesUnderConfigHome() {
        QCOMPARE(storePath(), xdg_->config() +
                                  QStringLiteral("/Harrowfield Research Group/Quadrel/user-settings.conf"));
        QCOMPARE(storeFileForRoot(HKEY_CLASSES_ROOT),
                 xdg_->config() + QStringLiteral("/Harrowfield Research Group/Quadrel/classes.conf"));
        qputenv("XDG_CONFIG_HOME", "relative/ignored");
        QCOMPARE(configHome(), xdg_->home() + QStringLiteral("/.config"));
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(dataHome(), xdg_->home() + QStringLiteral("/.local/share"));
    }

    // Every kind of value survives a write and a read of the file unchanged.
    void valuesSurviveTheFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("plain text") << "RunCount" << regtype::Sz << sz("3");
        QTest::newRow("quotes and backslashes") << "p" << regtype::Sz << sz("C:\\a \"b\"\\");
        QTest::newRow("line breaks and tabs") << "p" << regtype::Sz << sz("a\nb\r\nc\td");
        QTest::newRow("control characters") << "p" << regtype::Sz << sz(QString("\x01\x1f\x7f"));
        QTest::newRow("embedded NUL") << "p" << regtype::Sz << QByteArray("a\0b\0", 4);
        QTest::newRow("non-ASCII") << "p" << regtype::Sz << sz(QStringLiteral("Grüße ∂y/∂x"));
        QTest::newRow("line separator") << "p" << regtype::Sz
                                        << sz(QString(QChar(0x2028)) + QChar(0x85));
        QTest::newRow("empty text") << "p" << regtype::Sz << sz(QString());
        QTest::newRow("text without data") << "p" << regtype::Sz << QByteArray();
        QTest::newRow("text without terminator") << "p" << regtype::Sz << QByteArray("abc");
        QTest::newRow("invalid UTF-8 text") << "p" << regtype::Sz << QByteArray("\xff\xfe\0", 3);
        QTest::newRow("dword") << "submit" << regtype::Dword << QByteArray("\x10\xb4\0\0", 4);
        QTest::newRow("negative dword") << "d" << regtype::Dword << QByteArray("\xff\xff\xff\xff", 4);
        QTest::newRow("short dword") << "d" << regtype::Dword << QByteArray("\x01", 1);
        QTest::newRow("bytes") << "b" << regtype::Binary << QByteArray("\x01\x02\xff", 3);
        QTest::newRow("no bytes") << "b" << regtype::Binary << QByteArray();
        QTest::newRow("other type") << "b" << quint32(2) << QByteArray("%x%\0", 4);
        QTest::newRow("unnamed value") << "" << regtype::Sz << sz("notePad2");
        QTest::newRow("name @") << "@" << regtype::Sz << sz("at");
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
        QString error;
        QCOMPARE(store.load(&contents, &error), KeyStore::LoadState::Ok);
        const StoredKey *k = contents.find(kProductKey);
        QVERIFY(k);
        const StoredValue *v = k->find(name);
        QVERIFY(v);
        QCOMPARE(v->name, name);
        QCOMPARE(v->type, type);
        QCOMPARE(v->data, data);
        QCOMPARE(k->values.size(), size_t(1));
    }

    void fileReadsAsWritten() {
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "RunCount", REG_SZ, QStringLiteral("3"));
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

    // Files a person may have written or fixed by hand.
    void handEditedFilesParse_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("minimal") << QByteArray("[A]\nx = sz:\"1\"\n.end\n") << "x" << sz("1");
        QTest::newRow("CR LF line ends") << QByteArray("[A]\r\nx = sz:\"1\"\r\n.end\r\n") << "x" << sz("1");
        QTest::newRow("comments and blanks")
            << QByteArray("# hi\n; there\n\n  [A]  \n\t x=sz:\"1\"   \n\n.end\n\n\n") << "x" << sz("1");
        QTest::newRow("quoted name") << QByteArray("[A]\n\"x y\" = dword:7\n.end\n") << "x y"
                                     << QByteArray("\x07\0\0\0", 4);
        QTest::newRow("unsigned dword") << QByteArray("[A]\nd = dword:4294967295\n.end\n") << "d"
                                        << QByteArray("\xff\xff\xff\xff", 4);
        QTest::newRow("upper-case type") << QByteArray("[A]\nx = SZ:\"u\"\n.end\n") << "x" << sz("u");
        QTest::newRow("hex with commas") << QByteArray("[A]\nb = hex:0A,0b, ff\n.end\n") << "b"
                                         << QByteArray("\x0a\x0b\xff");
        QTest::newRow("text without data") << QByteArray("[A]\nx = sz:\n.end\n") << "x" << QByteArray();
        QTest::newRow("escapes") << QByteArray("[A]\nx = sz:\"\\x41\\u00e9\\t\"\n.end\n") << "x"
                                 << sz(QStringLiteral("Aé\t"));
        QTest::newRow("key given twice") << QByteArray("[A]\nx = sz:\"1\"\n[a]\ny = sz:\"2\"\n.end\n")
                                         << "y" << sz("2");
        QTest::newRow("unquoted text") << QByteArray("[A]\nx = sz: 1 \"2\" \n.end\n") << "x" << sz("1 \"2\"");
        QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf[A]\nx = sz:\"1\"\n.end\n") << "x" << sz("1");
        QTest::newRow(".END in capitals") << QByteArray("[A]\nx = sz:\"1\"\n.END\n") << "x" << sz("1");
        QTest::newRow("value after .end") << QByteArray("[A]\n.end\nx = sz:\"1\"\n") << "x" << sz("1");
        QTest::newRow("value given twice") << QByteArray("[A]\nx = sz:\"1\"\nX = sz:\"2\"\n.end\n")
                                           << "x" << sz("2");
    }
    void handEditedFilesParse() {
        QFETCH(QByteArray, text);
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        StoreContents c;
        QString error;
        QVERIFY2(c.parse(text, &error), qPrintable(error));
        QCOMPARE(c.keys().size(), size_t(1));
        const StoredValue *v = c.find("a")->find(name);
        QVERIFY(v);
        QCOMPARE(v->data, data);
    }

    // A line that cannot be read is skipped and named; the good line above it is kept.
    void badLinesAreSkipped_data() {
        QTest::addColumn<QByteArray>("tail");  // what follows [A] and its good line 2
        QTest::addColumn<int>("line");         // the first line reported
        QTest::newRow("no .end line") << QByteArray() << 2;
        QTest::newRow("cut short in a value") << QByteArray("x = dword:460") << 3;
        QTest::newRow("value before a key") << QByteArray(".end\n") << 0;  // see below
        QTest::newRow("key without ] takes its values along")
            << QByteArray("[B\nx = sz:\"1\"\n.end\n") << 3;
        QTest::newRow("empty key level") << QByteArray("[A\\\\B]\nx = sz:\"1\"\n.end\n") << 3;
        QTest::newRow("unterminated text") << QByteArray("x = sz:\"1\n.end\n") << 3;
        QTest::newRow("text after the quote") << QByteArray("x = sz:\"1\" 2\n.end\n") << 3;
        QTest::newRow("unknown escape") << QByteArray("x = sz:\"\\q\"\n.end\n") << 3;
        QTest::newRow("short \\x escape") << QByteArray("x = sz:\"\\x4\"\n.end\n") << 3;
        QTest::newRow("surrogate \\u escape") << QByteArray("x = sz:\"\\ud800\"\n.end\n") << 3;
        QTest::newRow("no =") << QByteArray("x sz:\"1\"\n.end\n") << 3;
        QTest::newRow("no type") << QByteArray("x = \"1\"\n.end\n") << 3;
        QTest::newRow("unknown type") << QByteArray("x = qword:1\n.end\n") << 3;
        QTest::newRow("dword too large") << QByteArray("x = dword:4294967296\n.end\n") << 3;
        QTest::newRow("dword not a number") << QByteArray("x = dword:12a\n.end\n") << 3;
        QTest::newRow("dword empty") << QByteArray("x = dword:\n.end\n") << 3;
        QTest::newRow("odd hex digit") << QByteArray("b = hex:01 0\n.end\n") << 3;
        QTest::newRow("not hex") << QByteArray("b = hex:zz\n.end\n") << 3;
        QTest::newRow("empty quoted name") << QByteArray("\"\" = sz:\"1\"\n.end\n") << 3;
    }
    void badLinesAreSkipped() {
        QFETCH(QByteArray, tail);
        QFETCH(int, line);
        QByteArray text = "[A]\nok = sz:\"1\"\n" + tail;
        if (line == 0) {  // a value line before the first key line
            text = "x = sz:\"2\"\n" + text;
            line = 1;
        }
        StoreContents c;
        QString error;
        int first = -1;
        QVERIFY(!c.parse(text, &error, &first));
        QCOMPARE(first, line);
        QVERIFY2(error.startsWith(QStringLiteral("line %1: ").arg(line)), qPrintable(error));
        QCOMPARE(c.find("a")->values.size(), size_t(1));
        QCOMPARE(c.find("a")->find("ok")->data, sz("1"));
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
        QTest::newRow("cut short") << QByteArray("\n.end\n") << QByteArray("\nsubmit = dword:4") << true;
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
        KeyStore::Key key;
        QCOMPARE(store.create(QStringLiteral("Software\\Harrowfield Research Group\\Quadrel"), &key),
                 KeyStore::Ok);
        QCOMPARE(store.set(key, "FileIn", regtype::Sz, sz("a.ode")), KeyStore::Ok);
        KeyStore::Key again;
        QCOMPARE(store.create(QStringLiteral("SOFTWARE\\harrowfield research group\\QUADREL"), &again),
                 KeyStore::Ok);
        QCOMPARE(store.set(again, "FILEIN", regtype::Sz, sz("b.ode")), KeyStore::Ok);

        StoreContents c;
        QCOMPARE(store.load(&c), KeyStore::LoadState::Ok);
        QCOMPARE(c.keys().size(), size_t(1));
        QCOMPARE(c.keys()[0].path, QStringLiteral("Software\\Harrowfield Research Group\\Quadrel"));
        QCOMPARE(c.keys()[0].values.size(), size_t(1));
        QCOMPARE(c.keys()[0].values[0].name, QStringLiteral("FileIn"));
        QCOMPARE(c.keys()[0].values[0].data, sz("b.ode"));
    }

    void queryHonoursTheDeclaredSize_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<quint32>("declared");
        QTest::addColumn<long>("status");
        QTest::newRow("fits exactly") << 8 << 8u << long(KeyStore::Ok);
        QTest::newRow("smaller") << 3 << 8u << long(KeyStore::Ok);
        QTest::newRow("one too many") << 9 << 8u << long(KeyStore::MoreData);
        QTest::newRow("nothing stored") << 0 << 0u << long(KeyStore::Ok);
    }
    void queryHonoursTheDeclaredSize() {
        QFETCH(int, stored);
        QFETCH(quint32, declared);
        QFETCH(long, status);
        KeyStore store(storePath());
        KeyStore::Key key;
        QCOMPARE(store.create("K", &key), KeyStore::Ok);
        QCOMPARE(store.set(key, "v", regtype::Binary, QByteArray(stored, 'x')), KeyStore::Ok);
        KeyStore::Key reader;
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
        KeyStore::Key key;
        QCOMPARE(store.create("K", &key), KeyStore::Ok);
        KeyStore::Key reader;
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
        QTest::newRow("trailing backslash") << "A\\";
        QTest::newRow("empty level") << "A\\\\B";
        QTest::newRow("line break") << "A\nB";
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

    // A write replaces the file by a new one (never rewrites it in place) and leaves no
    // temporary file behind.
    void writesReplaceTheFile() {
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        struct stat before {}, after {};
        QCOMPARE(::stat(QFile::encodeName(storePath()).constData(), &before), 0);
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "x", REG_SZ, QStringLiteral("1"));
        QCOMPARE(::stat(QFile::encodeName(storePath()).constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);
        const QStringList files = QFileInfo(storePath()).dir().entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files, QStringList({"user-settings.conf", "user-settings.conf.lock"}));
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
        QCOMPARE(setAsideFiles(storePath()), QStringList{"user-settings.conf.corrupt-1"});
        QCOMPARE(readAll(storePath() + ".corrupt-1"), junk);
        StoreContents c;
        QCOMPARE(KeyStore(storePath()).load(&c), KeyStore::LoadState::Ok);

        // A second damaged file does not replace the first one set aside.
        writeAll(storePath(), "garbage");
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        QCOMPARE(setAsideFiles(storePath()),
                 QStringList({"user-settings.conf.corrupt-1", "user-settings.conf.corrupt-2"}));
        QCOMPARE(readAll(storePath() + ".corrupt-2"), QByteArray("garbage"));
    }

    void unreadableStoreIsNeverOverwritten() {
        // A folder where the file should be cannot be read as a store.
        QVERIFY(QDir().mkpath(storePath()));
        QVERIFY(!RegistryKeyExists(HKEY_CURRENT_USER, kProductKey));
        try {
            CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
            QFAIL("the key was created");
        } catch (const RtError &e) {
            QCOMPARE(e.number(), 1001);
        }
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
        for (const QString &path : {xdg_->root(), barrier.path()})
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(storePath() + ".lock").constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(storePath()).constData(), folderReadOnly ? 0666 : 0444) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), folderReadOnly ? 0555 : 0777) == 0);

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
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    }

    // Two processes write 1,000 distinct values each into the same key at the same time.
    void twoProcessesWritingAtOnceLoseNothing() {
        const int perProcess = 1000;
        const auto memory = configInMemory();
        QTemporaryDir barrier;
        QVERIFY(barrier.isValid());
        QElapsedTimer timer;
        timer.start();
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
        const QString helper = QStringLiteral(STORE_WRITER_PATH);
        a.start(helper, {"a", QString::number(perProcess), barrier.path(), "2"});
        b.start(helper, {"b", QString::number(perProcess), barrier.path(), "2"});
        QVERIFY(a.waitForFinished(120000));
        QVERIFY(b.waitForFinished(120000));
        const qint64 ms = timer.elapsed();
        QCOMPARE(a.exitStatus(), QProcess::NormalExit);
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitStatus(), QProcess::NormalExit);
        QCOMPARE(b.exitCode(), 0);

        StoreContents c;
        QString error;
        QCOMPARE(KeyStore(storePath()).load(&c, &error), KeyStore::LoadState::Ok);
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
                const StoredValue expected =
                    i % 3 == 0   ? StoredValue{name, regtype::Sz, sz(QStringLiteral("text \"%1\"\n").arg(i))}
                    : i % 3 == 1 ? StoredValue{name, regtype::Dword, QByteArray(reinterpret_cast<const char *>(&i), 4)}
                                 : StoredValue{name, regtype::Binary, QByteArray::number(i)};
                QCOMPARE(v->type, expected.type);
                QCOMPARE(v->data, expected.data);
            }
        }
        qInfo("2 x %d concurrent writes in %lld ms; the writers took turns %d times", perProcess,
              ms, switches);
        QVERIFY(switches > 0);
    }
};

QTEST_GUILESS_MAIN(TstKeyStore)
#include "tst_keystore.moc"
