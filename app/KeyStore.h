#pragma once
// A typed key/value store kept in one human-readable text file: the per-user settings and
// the file-class entries each live in one such file under $XDG_CONFIG_HOME.
//
// Keys are backslash-separated paths ("Software\Harrowfield Research Group\Quadrel"); each key
// holds named values of a registry-style type (1 text, 3 bytes, 4 32-bit integer; the empty
// name is the key's unnamed default value). Key paths and value names are matched without
// regard to case and kept with the case they were first written with.
//
// The file looks like this and may be fixed by hand in any editor:
//
//   [Software\Harrowfield Research Group\Quadrel]
//   RunCount = sz:"3"
//   submit = dword:46000
//   blob = hex:01 02 ff
//   @ = sz:"the key's unnamed value"
//   .end
//
// Every write is a read-modify-write under an advisory lock (flock on "<file>.lock") that
// replaces the file atomically (temporary file in the same folder, flush, rename), so a
// crash never leaves half a file and two processes writing at once lose nothing; temporary
// files a killed writer left behind are removed by the next write.
//
// The file invites hand edits, so reading keeps every line it can parse and skips the
// others: a byte-order mark is ignored, ".end" may be written in any case, a text may go
// unquoted, a line that is not UTF-8 is read as Latin-1, and a line without its line end
// (a file cut short) is skipped. The skipped lines are reported once on standard error,
// and before the next write the file as it was is kept as "<file>.corrupt-<n>". A store
// that cannot be written (read-only file or folder, full disk) is left as it is; that too
// is reported once on standard error and never to the form.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <vector>

namespace quadrel {

// Value types as the store records them.
namespace regtype {
constexpr quint32 None = 0;
constexpr quint32 Sz = 1;
constexpr quint32 Binary = 3;
constexpr quint32 Dword = 4;
}  // namespace regtype

struct StoredValue {
    QString name;     // as first written; empty = the key's unnamed value
    quint32 type = regtype::None;
    QByteArray data;  // raw bytes; text is UTF-8 followed by its terminating NUL
};

struct StoredKey {
    QString path;  // as first written
    std::vector<StoredValue> values;

    const StoredValue *find(const QString &name) const;
    // Adds the value or replaces its type and data (keeping the stored name's case).
    // Returns false when nothing changed.
    bool set(const QString &name, quint32 type, const QByteArray &data);
    void reserve(size_t count);

private:
    QHash<QString, int> index_;  // case-folded name -> position in values
};

class StoreContents {
public:
    const std::vector<StoredKey> &keys() const { return keys_; }
    const StoredKey *find(const QString &path) const;
    StoredKey *find(const QString &path);
    // True when the key exists itself or as a level above an existing key.
    bool exists(const QString &path) const;
    // Returns the key, adding it when missing (levels above exist through it).
    StoredKey &ensure(const QString &path, bool *added = nullptr);
    int valueCount() const;

    // Parses the file text, keeping every line it can. False when lines were skipped or the
    // .end line is missing; *error then lists them ("line 3: reason; ...") and *errorLine
    // is the first.
    bool parse(const QByteArray &text, QString *error = nullptr, int *errorLine = nullptr);
    QByteArray serialize(const QString &title) const;

private:
    std::vector<StoredKey> keys_;
    QHash<QString, int> index_;  // case-folded path -> position in keys
};

// A key path the store accepts: not empty, no empty level, no control characters,
// no level longer than 255 characters.
bool isValidKeyPath(const QString &path);

class KeyStore {
public:
    // Status numbers as the calling code expects them from the registry functions.
    enum Status : long {
        Ok = 0,
        NotFound = 2,
        AccessDenied = 5,
        InvalidHandle = 6,
        MoreData = 234,
        Failed = 1010,
    };
    enum class Access { Read, Write };
    enum class LoadState { Missing, Ok, Damaged, Unreadable };

    // An open key: the path it was opened with and its access. A key opened for reading
    // holds the values it had when opened (reads see that snapshot, as a handle would);
    // one opened for writing can only be written.
    struct Key {
        QString path;
        Access access = Access::Read;
        bool open = false;
        StoredKey snapshot;
    };

    explicit KeyStore(QString filePath);
    const QString &filePath() const { return file_; }

    // Opens an existing key.
    Status open(const QString &path, Access access, Key *key) const;
    // Opens the key for writing, creating it and every missing level.
    Status create(const QString &path, Key *key);
    // Copies the value's bytes into buffer when *size (the declared size) is large
    // enough; *size is set to the value's size either way. A null buffer asks for the
    // size only. The stored type goes to *type when asked. Needs a key opened for reading.
    Status query(const Key &key, const QString &name, char *buffer, quint32 *size,
                 quint32 *type = nullptr) const;
    // Reads a value as text into a buffer that holds maxCharacters characters: the stored
    // bytes decoded from UTF-8, the terminator included, go to *text when they make at
    // most that many characters (MoreData otherwise, *text untouched). A text buffer's
    // size counts characters, so a limit means the same for "e" and for an accented one.
    Status queryText(const Key &key, const QString &name, int maxCharacters, QString *text) const;
    Status set(Key &key, const QString &name, quint32 type, const QByteArray &data);
    void close(Key &key) const;

    // Reads the whole file. A missing file gives empty contents, a damaged one the lines
    // that could be read.
    LoadState load(StoreContents *out, QString *error = nullptr) const;
    // Applies change under the lock and writes the result when change reports a change
    // (or the old file was damaged and is rewritten clean). A damaged file is kept aside
    // first; a file that exists but cannot be read is never overwritten.
    Status modify(const std::function<bool(StoreContents &)> &change);

    QString lockPath() const { return file_ + QStringLiteral(".lock"); }

private:
    bool setAside() const;
    void removeStaleTemporaries() const;
    // Reports (once per process) that the store cannot be written; returns Failed.
    Status failWrite(const QString &why) const;
    // True when a key line names path or a key below it (the values are not read).
    bool keyLineExists(const QString &path) const;
    // Reads the file and brings memo_ up to date with it (empty unless Ok).
    LoadState refresh(QString *error = nullptr) const;

    QString file_;
    // The text last read or written and its contents, so that a write right after an
    // open need not parse the same text again.
    mutable QByteArray memoText_;
    mutable StoreContents memo_;
    mutable bool memoValid_ = false;
    mutable bool memoDamaged_ = false;  // lines of memoText_ were skipped
    mutable QString memoProblems_;
};

// The company and product the stores' folder is named after.
inline const QString kCompanyName = QStringLiteral("Harrowfield Research Group");
inline const QString kProductName = QStringLiteral("Quadrel");

// $XDG_CONFIG_HOME and $XDG_DATA_HOME with their documented defaults (~/.config and
// ~/.local/share; unset, empty or relative values fall back to the default).
QString configHome();
QString dataHome();
// The folder of the program's own stores: configHome()/<company>/<product>.
QString settingsFolder();

}  // namespace quadrel
