#pragma once
// The per-user settings store as the program's settings code sees it: root keys, typed
// values and the four operations of mdlRegistryAPI, over the KeyStore files.
#include <QByteArray>
#include <QString>
#include <variant>

namespace quadrel {

// Root keys by the decimal value of their 32-bit handles.
constexpr qint32 HKEY_CLASSES_ROOT = -2147483647 - 1;  // 0x80000000
constexpr qint32 HKEY_CURRENT_USER = -2147483647;      // 0x80000001

// Type codes the operations accept.
constexpr int REG_SZ = 1;
constexpr int REG_BINARY = 3;
constexpr int REG_DWORD = 4;

// Buffer sizes of the reads: a text of 1023 characters (counted as characters, whatever
// their UTF-8 length) plus its terminator fits, a longer one does not and reads as missing.
constexpr quint32 kTextBufferSize = 1024;
constexpr quint32 kBinaryBufferSize = 4096;

// A value as it passes through the operations: empty, text, bytes or a 32-bit integer.
using RegValue = std::variant<std::monostate, QString, QByteArray, qint32>;

bool isEmptyValue(const RegValue &v);
// The value converted to text (empty gives "", an integer its decimal text).
QString valueToText(const RegValue &v);

// The file behind a root key: HKEY_CURRENT_USER is user-settings.conf, HKEY_CLASSES_ROOT
// classes.conf, both in settingsFolder(). Any other root has no store (empty text).
QString storeFileForRoot(qint32 root);

// True when path can be opened for reading under root.
bool RegistryKeyExists(qint32 root, const QString &path);
// Creates the key and every missing level; RtError 1001 "Unable to create the registry key"
// when that fails.
void CreateRegistryKey(qint32 root, const QString &path);
// Reads one value as typeCode says (1 text, 3 bytes, 4 integer), whatever type the store
// recorded. A missing key or value, or one too large for the buffer, gives defaultValue.
// Another code on an existing key raises RtError 1001 "Unsupported value type".
RegValue GetRegistryValue(qint32 root, const QString &path, const QString &valueName,
                          int typeCode, const RegValue &defaultValue = RegValue());
// Writes one value into an existing key; a key that cannot be opened, or another type
// code, writes nothing. Converting the value may raise RtError 13 (type mismatch) or 6.
void SetRegistryValue(qint32 root, const QString &path, const QString &valueName, int typeCode,
                      const RegValue &value);

}  // namespace quadrel
