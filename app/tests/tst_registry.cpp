// The settings operations' read rules and the settings routines over AppState.
#include "app/KeyStore.h"
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"
#include "platform/RtError.h"
#include "TempXdg.h"

#include <QtTest>

#include <functional>
#include <memory>

using namespace quadrel;

Q_DECLARE_METATYPE(quadrel::RegValue)

namespace {

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

}  // namespace

class TstRegistry : public QObject {
    Q_OBJECT
    std::unique_ptr<TempXdg> xdg_;
    ScriptedMessageBoxes boxes_;

    void prepare(AppState &st) {
        st.msg = &boxes_;
        st.appPath = QStringLiteral("/opt/qd/Quadrel");
        st.basePath.clear();
    }

private slots:
    void init() {
        xdg_ = std::make_unique<TempXdg>();
        QVERIFY(xdg_->isValid());
        boxes_.clear();
    }
    void cleanup() { xdg_.reset(); }

    void textReadRules_data() {
        QTest::addColumn<bool>("store");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1024 characters do not fit") << true << QString(1024, 'x') << "dflt" << "dflt";
        // The limit counts characters, not the bytes of their UTF-8 form.
        QTest::newRow("600 x é read whole") << true << QString(600, QChar(0xe9)) << "dflt"
                                          << QString(600, QChar(0xe9));
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
        QTest::newRow("smallest") << RegValue(qint32(INT_MIN)) << qint32(INT_MIN);
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
        QTest::newRow("-1") << -1;
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
    }
    void lastFileAndUserFolder() {
        QFETCH(RegValue, fileIn);
        QFETCH(RegValue, userPath);
        QFETCH(QString, expectedFile);
        QFETCH(QString, expectedUserPath);
        CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
        if (!isEmptyValue(fileIn))
            SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "FileIn", REG_SZ, fileIn);
        if (!isEmptyValue(userPath))
            SetRegistryValue(HKEY_CURRENT_USER, kProductKey, "userPath", REG_SZ, userPath);
        AppState st;
        prepare(st);
        st.userPath = QStringLiteral("before");
        QCOMPARE(GetFileInRegistry(st), expectedFile);
        QCOMPARE(st.fileIn, expectedFile);
        QCOMPARE(st.userPath, expectedUserPath);
        QCOMPARE(st.basePath, QStringLiteral("/opt/qd/Quadrel/.."));
        QVERIFY(boxes_.shown().isEmpty());
    }

    void withoutProductKeyNothingIsSet() {
        CreateRegistryKey(HKEY_CURRENT_USER, companyKey());
        AppState st;
        prepare(st);
        st.userPath = QStringLiteral("kept");
        st.fileIn = QStringLiteral("kept.ode");
        QCOMPARE(GetFileInRegistry(st), QString());
        QCOMPARE(st.userPath, QStringLiteral("kept"));
        QCOMPARE(st.fileIn, QStringLiteral("kept.ode"));
        QCOMPARE(st.basePath, QString());
    }

    void putFileThenGetFile() {
        AppState st;
        prepare(st);
        st.fileName = QStringLiteral("my prob.ode");
        st.userPath = QStringLiteral("User");
        PutFileInRegistry(st);  // creates the product key
        QVERIFY(boxes_.shown().isEmpty());
        AppState back;
        prepare(back);
        QCOMPARE(GetFileInRegistry(back), QStringLiteral("my prob.ode"));
        QCOMPARE(back.userPath, QStringLiteral("User"));
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

};

QTEST_GUILESS_MAIN(TstRegistry)
#include "tst_registry.moc"
