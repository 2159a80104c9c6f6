#include "app/FileAssoc.h"

#include "app/DesktopTypes.h"
#include "app/KeyStore.h"
#include "app/RegistryApi.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace quadrel {

namespace {

constexpr quint32 kKeyStringBufferSize = 255;

QString classesRootText() { return QString::number(HKEY_CLASSES_ROOT); }

// The store behind a root given as text; empty when the text names no root.
QString storeFileForRootText(const QString &rootText) {
    bool ok = false;
    const qint32 root = rootText.trimmed().toInt(&ok);
    return ok ? storeFileForRoot(root) : QString();
}

// The extensions (without ".") registered to programId.
QStringList extensionsOf(const QString &programId) {
    QStringList out;
    StoreContents contents;
    KeyStore(storeFileForRoot(HKEY_CLASSES_ROOT)).load(&contents);
    for (const StoredKey &k : contents.keys()) {
        if (!k.path.startsWith(u'.') || k.path.contains(u'\\'))
            continue;
        const StoredValue *v = k.find(QString());
        if (v && v->type == regtype::Sz &&
            QString::fromUtf8(v->data).remove(QChar(0)).compare(programId, Qt::CaseInsensitive) == 0)
            out << k.path.mid(1);
    }
    return out;
}

// The tool's path as the desktop should start it: absolute, links resolved when it exists.
QString toolPath(const QString &folder, const QString &programId) {
    const QFileInfo info(QDir::current().absoluteFilePath(folder + programId));
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

}  // namespace

void AssociateExtension(const QString &extension, QString &folder, const QString &programId,
                        const QString &description, const QString &iconFile) {
    const QString root = classesRootText();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    WriteKeyString(root, QStringLiteral(".") + extension, QString(), programId);
    WriteKeyString(root, programId, QString(), description);
    if (!iconFile.isEmpty())
        WriteKeyString(root, programId + QStringLiteral("\\DefaultIcon"), QString(),
                       iconFile + QStringLiteral(",0"));
    const QString command = QStringLiteral("\"") + folder + programId + QStringLiteral("\" %1");
    WriteKeyString(root, programId + QStringLiteral("\\shell\\open\\command"), QString(), command);

    // The desktop side; like the entries above, a failure here is not reported.
    writeMimePackage(extension, description);
    QStringList types;
    for (const QString &ext : extensionsOf(programId))
        types << mimeTypeForExtension(ext);
    writeDesktopEntry(programId, description, toolPath(folder, programId), types, iconFile);
    refreshDesktopDatabases();
}

QString GetExtensionAssociation(const QString &extension) {
    return ReadKeyString(classesRootText(), QStringLiteral(".") + extension, QString(), QString());
}

QString ReadKeyString(const QString &rootText, const QString &subKey, const QString &valueName,
                      const QString &defaultValue) {
    // A buffer of 255 blanks that the value, its terminator included, fills from the start
    // when it fits (counted in characters).
    QString buffer;
    const QString file = storeFileForRootText(rootText);
    if (!file.isEmpty()) {
        KeyStore store(file);
        KeyStore::Key key;
        if (store.open(subKey, KeyStore::Access::Read, &key) == KeyStore::Ok) {
            store.queryText(key, valueName, int(kKeyStringBufferSize), &buffer);
            store.close(key);
        }
    }
    buffer += QString(qsizetype(kKeyStringBufferSize) - buffer.size(), u' ');
    // What is left after trimming blanks ends with the value's terminator.
    qsizetype from = 0, to = buffer.size();
    while (from < to && buffer[from] == u' ')
        ++from;
    while (to > from && buffer[to - 1] == u' ')
        --to;
    if (from == to)
        return defaultValue;
    return buffer.mid(from, to - from - 1);
}

long WriteKeyString(const QString &rootText, const QString &subKey, const QString &valueName,
                    const QString &value) {
    const QString file = storeFileForRootText(rootText);
    if (file.isEmpty())
        return KeyStore::InvalidHandle;
    KeyStore store(file);
    KeyStore::Key key;
    const KeyStore::Status opened = store.create(subKey, &key);
    if (opened != KeyStore::Ok)
        return opened;
    QByteArray data = value.toUtf8();
    data.append('\0');
    const KeyStore::Status st = store.set(key, valueName, regtype::Sz, data);
    store.close(key);
    return st;
}

}  // namespace quadrel
