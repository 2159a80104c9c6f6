#include "app/RegistryApi.h"

#include "app/KeyStore.h"
#include "platform/RtError.h"

#include <cstring>

namespace quadrel {

namespace {

QByteArray valueToBytes(const RegValue &v) {
    if (std::holds_alternative<std::monostate>(v))
        return {};
    if (const auto *s = std::get_if<QString>(&v))
        return s->toUtf8();
    if (const auto *b = std::get_if<QByteArray>(&v))
        return *b;
    throw RtError(rterr::TypeMismatch);
}

qint32 valueToInt32(const RegValue &v) {
    if (std::holds_alternative<std::monostate>(v))
        return 0;
    if (const auto *i = std::get_if<qint32>(&v))
        return *i;
    if (const auto *s = std::get_if<QString>(&v)) {
        bool ok = false;
        const qlonglong n = s->trimmed().toLongLong(&ok);
        if (!ok)
            throw RtError(rterr::TypeMismatch);
        if (n < -2147483648LL || n > 2147483647LL)
            throw RtError(rterr::Overflow);
        return qint32(n);
    }
    throw RtError(rterr::TypeMismatch);
}

}  // namespace

bool isEmptyValue(const RegValue &v) { return std::holds_alternative<std::monostate>(v); }

QString valueToText(const RegValue &v) {
    if (const auto *s = std::get_if<QString>(&v))
        return *s;
    if (const auto *i = std::get_if<qint32>(&v))
        return QString::number(*i);
    if (const auto *b = std::get_if<QByteArray>(&v))
        return QString::fromUtf8(*b);
    return {};
}

QString storeFileForRoot(qint32 root) {
    switch (root) {
    case HKEY_CURRENT_USER: return settingsFolder() + QStringLiteral("/user-settings.conf");
    case HKEY_CLASSES_ROOT: return settingsFolder() + QStringLiteral("/classes.conf");
    default: return {};
    }
}

bool RegistryKeyExists(qint32 root, const QString &path) {
    const QString file = storeFileForRoot(root);
    if (file.isEmpty())
        return false;
    KeyStore store(file);
    KeyStore::Key key;
    if (store.open(path, KeyStore::Access::Read, &key) != KeyStore::Ok)
        return false;
    store.close(key);
    return true;
}

void CreateRegistryKey(qint32 root, const QString &path) {
    const QString file = storeFileForRoot(root);
    KeyStore store(file);
    KeyStore::Key key;
    if (file.isEmpty() || store.create(path, &key) != KeyStore::Ok)
        throw RtError(rterr::Settings, QStringLiteral("Unable to create the registry key"));
    store.close(key);
}

RegValue GetRegistryValue(qint32 root, const QString &path, const QString &valueName,
                          int typeCode, const RegValue &defaultValue) {
    RegValue result = defaultValue;
    const QString file = storeFileForRoot(root);
    if (file.isEmpty())
        return result;
    KeyStore store(file);
    KeyStore::Key key;
    if (store.open(path, KeyStore::Access::Read, &key) != KeyStore::Ok)
        return result;

    switch (typeCode) {
    case REG_SZ: {
        QString text;
        if (store.queryText(key, valueName, int(kTextBufferSize), &text) == KeyStore::Ok &&
            !text.isEmpty())
            result = text.chopped(1);  // drop the terminator
        if (const auto *s = std::get_if<QString>(&result); s && *s == QLatin1String("\\Qu"))
            result = QStringLiteral("\\Quadrel");
        break;
    }
    case REG_BINARY: {
        QByteArray buffer(int(kBinaryBufferSize), '\0');
        quint32 size = kBinaryBufferSize;
        if (store.query(key, valueName, buffer.data(), &size) == KeyStore::Ok)
            result = buffer.left(int(size));
        break;
    }
    case REG_DWORD: {
        unsigned char bytes[4] = {0, 0, 0, 0};
        quint32 size = 4;
        if (store.query(key, valueName, reinterpret_cast<char *>(bytes), &size) == KeyStore::Ok)
            result = qint32(quint32(bytes[0]) | quint32(bytes[1]) << 8 |
                            quint32(bytes[2]) << 16 | quint32(bytes[3]) << 24);
        break;
    }
    default:
        store.close(key);
        throw RtError(rterr::Settings, QStringLiteral("Unsupported value type"));
    }
    store.close(key);
    return result;
}

void SetRegistryValue(qint32 root, const QString &path, const QString &valueName, int typeCode,
                      const RegValue &value) {
    const QString file = storeFileForRoot(root);
    if (file.isEmpty())
        return;
    KeyStore store(file);
    KeyStore::Key key;
    if (store.open(path, KeyStore::Access::Write, &key) != KeyStore::Ok)
        return;
    switch (typeCode) {
    case REG_SZ: {
        QByteArray data = valueToText(value).toUtf8();
        data.append('\0');  // the store keeps the terminator, so the read gives the text back
        store.set(key, valueName, regtype::Sz, data);
        break;
    }
    case REG_BINARY:
        store.set(key, valueName, regtype::Binary, valueToBytes(value));
        break;
    case REG_DWORD: {
        const quint32 u = quint32(valueToInt32(value));
        QByteArray data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[i] = char((u >> (8 * i)) & 0xff);
        store.set(key, valueName, regtype::Dword, data);
        break;
    }
    default:
        break;  // unsupported code: nothing is written
    }
    store.close(key);
}

}  // namespace quadrel
