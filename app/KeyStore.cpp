#include "app/KeyStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quadrel {

namespace {

QString fold(const QString &s) { return s.toCaseFolded(); }

// ---- writing -------------------------------------------------------------------------

bool isBareNameChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'.' || c == u'-';
}

const char kHex[] = "0123456789abcdef";

void appendHex2(QByteArray &out, uchar v) {
    out += kHex[v >> 4];
    out += kHex[v & 15];
}

// Length of the valid UTF-8 sequence at p (at most n bytes), or 0 when it is not valid.
int utf8Length(const uchar *p, qsizetype n, char32_t *cp) {
    const uchar c = p[0];
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    int len = 0;
    char32_t v = 0, min = 0;
    if ((c & 0xe0) == 0xc0) { len = 2; v = c & 0x1f; min = 0x80; }
    else if ((c & 0xf0) == 0xe0) { len = 3; v = c & 0x0f; min = 0x800; }
    else if ((c & 0xf8) == 0xf0) { len = 4; v = c & 0x07; min = 0x10000; }
    else return 0;
    if (n < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xc0) != 0x80)
            return 0;
        v = (v << 6) | (p[i] & 0x3f);
    }
    if (v < min || v > 0x10ffff || (v >= 0xd800 && v <= 0xdfff))
        return 0;
    *cp = v;
    return len;
}

bool isValidUtf8(const char *data, qsizetype n) {
    const uchar *p = reinterpret_cast<const uchar *>(data);
    char32_t cp = 0;
    for (qsizetype i = 0; i < n;) {
        const int len = utf8Length(p + i, n - i, &cp);
        if (!len)
            return false;
        i += len;
    }
    return true;
}

// Quotes valid UTF-8 text for the file: backslash, quote and control characters escaped,
// and the characters an editor may show as nothing or as a line break.
void appendQuoted(QByteArray &out, const char *utf8, qsizetype n) {
    out += '"';
    const uchar *p = reinterpret_cast<const uchar *>(utf8);
    char32_t cp = 0;
    for (qsizetype i = 0; i < n;) {
        const int len = utf8Length(p + i, n - i, &cp);
        switch (cp) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (cp < 0x20 || cp == 0x7f) {
                out += "\\x";
                appendHex2(out, uchar(cp));
            } else if ((cp >= 0x80 && cp <= 0x9f) || cp == 0x2028 || cp == 0x2029 || cp == 0xfeff) {
                out += "\\u";
                appendHex2(out, uchar(cp >> 8));
                appendHex2(out, uchar(cp & 0xff));
            } else {
                out.append(utf8 + i, len);
            }
        }
        i += len;
    }
    out += '"';
}

void appendName(QByteArray &out, const QString &name) {
    if (name.isEmpty()) {
        out += '@';
        return;
    }
    for (QChar c : name) {
        if (!isBareNameChar(c)) {
            const QByteArray utf8 = name.toUtf8();
            appendQuoted(out, utf8.constData(), utf8.size());
            return;
        }
    }
    for (QChar c : name)
        out += char(c.unicode());
}

void appendHexBytes(QByteArray &out, const QByteArray &data) {
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i)
            out += ' ';
        appendHex2(out, uchar(data[i]));
    }
}

void appendValue(QByteArray &out, const StoredValue &v) {
    if (v.type == regtype::Sz) {
        if (v.data.isEmpty()) {
            out += "sz:";
            return;
        }
        const qsizetype n = v.data.size() - 1;
        if (v.data.endsWith('\0') && isValidUtf8(v.data.constData(), n)) {
            out += "sz:";
            appendQuoted(out, v.data.constData(), n);
            return;
        }
    } else if (v.type == regtype::Dword && v.data.size() == 4) {
        const quint32 u = quint32(uchar(v.data[0])) | quint32(uchar(v.data[1])) << 8 |
                          quint32(uchar(v.data[2])) << 16 | quint32(uchar(v.data[3])) << 24;
        char digits[16];
        const int len = std::snprintf(digits, sizeof digits, "%d", qint32(u));
        out += "dword:";
        out.append(digits, len);
        return;
    } else if (v.type == regtype::Binary) {
        out += "hex:";
        appendHexBytes(out, v.data);
        return;
    }
    // Anything else keeps its exact type and bytes.
    out += "hex(";
    out += QByteArray::number(v.type);
    out += "):";
    appendHexBytes(out, v.data);
}

// ---- reading -------------------------------------------------------------------------

void appendUtf8(QByteArray &out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xc0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3f));
    } else {
        out += char(0xe0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3f));
        out += char(0x80 | (cp & 0x3f));
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One line of the file, read from left to right.
struct Cursor {
    const char *p;
    const char *end;
    bool atEnd() const { return p >= end; }
    char peek() const { return p < end ? *p : '\0'; }
    void skipBlanks() {
        while (p < end && isBlank(*p))
            ++p;
    }
    bool readHex(int digits, uint *value) {
        uint v = 0;
        for (int i = 0; i < digits; ++i) {
            const int d = p < end ? hexDigit(*p) : -1;
            if (d < 0)
                return false;
            v = v * 16 + uint(d);
            ++p;
        }
        *value = v;
        return true;
    }
};

// Reads a quoted text starting at the opening quote into UTF-8 bytes.
bool readQuoted(Cursor &c, QByteArray *out, const char **error) {
    ++c.p;  // the opening quote
    out->clear();
    while (true) {
        const char *start = c.p;
        while (c.p < c.end && *c.p != '"' && *c.p != '\\')
            ++c.p;
        out->append(start, c.p - start);
        if (c.atEnd()) {
            *error = "unterminated quoted text";
            return false;
        }
        if (*c.p++ == '"')
            return true;
        if (c.atEnd()) {
            *error = "unterminated quoted text";
            return false;
        }
        uint v = 0;
        switch (*c.p++) {
        case '\\': *out += '\\'; break;
        case '"': *out += '"'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        case 't': *out += '\t'; break;
        case 'x':
            if (!c.readHex(2, &v)) {
                *error = "\\x needs two hex digits";
                return false;
            }
            appendUtf8(*out, v);
            break;
        case 'u':
            if (!c.readHex(4, &v) || (v >= 0xd800 && v <= 0xdfff)) {
                *error = "\\u needs four hex digits (no surrogates)";
                return false;
            }
            appendUtf8(*out, v);
            break;
        default:
            *error = "unknown escape";
            return false;
        }
    }
}

bool readHexBytes(Cursor &c, QByteArray *out) {
    out->clear();
    while (true) {
        while (c.p < c.end && (isBlank(*c.p) || *c.p == ','))
            ++c.p;
        if (c.atEnd())
            return true;
        if (c.end - c.p < 2)
            return false;
        const int hi = hexDigit(c.p[0]), lo = hexDigit(c.p[1]);
        if (hi < 0 || lo < 0)
            return false;
        c.p += 2;
        if (c.p < c.end && !isBlank(*c.p) && *c.p != ',')
            return false;
        out->append(char(hi * 16 + lo));
    }
}

// A whole number in [min, max] filling the rest of the line (blanks around allowed).
bool readNumber(Cursor &c, qlonglong min, qlonglong max, qlonglong *value) {
    c.skipBlanks();
    bool negative = false;
    if (c.peek() == '-') {
        negative = true;
        ++c.p;
    }
    qlonglong v = 0;
    int digits = 0;
    while (c.p < c.end && *c.p >= '0' && *c.p <= '9') {
        v = v * 10 + (*c.p++ - '0');
        if (++digits > 10)
            return false;
    }
    c.skipBlanks();
    if (!digits || !c.atEnd())
        return false;
    v = negative ? -v : v;
    if (v < min || v > max)
        return false;
    *value = v;
    return true;
}

bool parseValueLine(Cursor c, StoredValue *v, const char **error) {
    // Name: @, a quoted text or a bare word.
    if (c.peek() == '@') {
        ++c.p;
        v->name.clear();
    } else if (c.peek() == '"') {
        QByteArray name;
        if (!readQuoted(c, &name, error))
            return false;
        if (name.isEmpty()) {
            *error = "empty quoted name (the unnamed value is written @)";
            return false;
        }
        v->name = QString::fromUtf8(name);
    } else {
        const char *start = c.p;
        while (c.p < c.end && *c.p != '=' && !isBlank(*c.p) && *c.p != '"')
            ++c.p;
        if (c.p == start) {
            *error = "a value line needs a name";
            return false;
        }
        v->name = QString::fromUtf8(start, c.p - start);
    }
    c.skipBlanks();
    if (c.atEnd() || *c.p++ != '=') {
        *error = "expected name = type:value";
        return false;
    }
    c.skipBlanks();
    const char *tagStart = c.p;
    while (c.p < c.end && *c.p != ':')
        ++c.p;
    if (c.atEnd()) {
        *error = "expected type:value";
        return false;
    }
    const QByteArray tag = QByteArray(tagStart, c.p - tagStart).trimmed().toLower();
    ++c.p;  // ':'

    if (tag == "sz") {
        v->type = regtype::Sz;
        c.skipBlanks();
        if (c.atEnd()) {  // a text value without any data
            v->data.clear();
            return true;
        }
        if (c.peek() != '"') {  // written by hand without quotes: the rest of the line
            v->data = QByteArray(c.p, c.end - c.p);
            v->data.append('\0');
            return true;
        }
        if (!readQuoted(c, &v->data, error))
            return false;
        c.skipBlanks();
        if (!c.atEnd()) {
            *error = "unexpected text after the closing quote";
            return false;
        }
        v->data.append('\0');
        return true;
    }
    if (tag == "dword") {
        qlonglong n = 0;
        if (!readNumber(c, -2147483648LL, 4294967295LL, &n)) {
            *error = "dword needs a whole number";
            return false;
        }
        const quint32 u = quint32(n);
        v->type = regtype::Dword;
        v->data = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            v->data[i] = char((u >> (8 * i)) & 0xff);
        return true;
    }
    quint32 type = regtype::Binary;
    if (tag != "hex") {
        qlonglong n = 0;
        Cursor t{tag.constData(), tag.constData() + tag.size()};
        if (!tag.startsWith("hex(") || !tag.endsWith(')')) {
            *error = "unknown type";
            return false;
        }
        t.p += 4;
        t.end -= 1;
        if (!readNumber(t, 0, 4294967295LL, &n)) {
            *error = "unknown type";
            return false;
        }
        type = quint32(n);
    }
    v->type = type;
    if (!readHexBytes(c, &v->data)) {
        *error = "bytes are written as pairs of hex digits";
        return false;
    }
    return true;
}

// Says a thing about the store once per process on standard error: the store has no
// window of its own and its callers show nothing, by design.
void reportOnce(const QString &key, const QString &message) {
    static QMutex mutex;
    static QSet<QString> said;
    const QMutexLocker lock(&mutex);
    if (said.contains(key))
        return;
    said.insert(key);
    std::fprintf(stderr, "%s: %s\n", qPrintable(kProductName), qPrintable(message));
}

QString xdgDir(const char *var, const char *fallback) {
    const QString v = qEnvironmentVariable(var);
    if (!v.isEmpty() && QDir::isAbsolutePath(v))
        return QDir::cleanPath(v);
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        home = QDir::homePath();
    return QDir::cleanPath(home + QLatin1Char('/') + QLatin1String(fallback));
}

}  // namespace

// ---- StoredKey / StoreContents ---------------------------------------------------------

const StoredValue *StoredKey::find(const QString &name) const {
    const auto it = index_.constFind(fold(name));
    return it == index_.constEnd() ? nullptr : &values[size_t(*it)];
}

void StoredKey::reserve(size_t count) {
    values.reserve(count);
    index_.reserve(qsizetype(count));
}

bool StoredKey::set(const QString &name, quint32 type, const QByteArray &data) {
    const QString f = fold(name);
    const auto it = index_.constFind(f);
    if (it != index_.constEnd()) {
        StoredValue &v = values[size_t(*it)];
        if (v.type == type && v.data == data)
            return false;
        v.type = type;
        v.data = data;
        return true;
    }
    index_.insert(f, int(values.size()));
    values.push_back(StoredValue{name, type, data});
    return true;
}

const StoredKey *StoreContents::find(const QString &path) const {
    const auto it = index_.constFind(fold(path));
    return it == index_.constEnd() ? nullptr : &keys_[size_t(*it)];
}

StoredKey *StoreContents::find(const QString &path) {
    const auto it = index_.constFind(fold(path));
    return it == index_.constEnd() ? nullptr : &keys_[size_t(*it)];
}

bool StoreContents::exists(const QString &path) const {
    if (find(path))
        return true;
    const QString prefix = fold(path) + QLatin1Char('\\');
    for (const StoredKey &k : keys_)
        if (fold(k.path).startsWith(prefix))
            return true;
    return false;
}

StoredKey &StoreContents::ensure(const QString &path, bool *added) {
    const QString f = fold(path);
    const auto it = index_.constFind(f);
    if (added)
        *added = it == index_.constEnd();
    if (it != index_.constEnd())
        return keys_[size_t(*it)];
    index_.insert(f, int(keys_.size()));
    StoredKey k;
    k.path = path;
    keys_.push_back(std::move(k));
    return keys_.back();
}

int StoreContents::valueCount() const {
    int n = 0;
    for (const StoredKey &k : keys_)
        n += int(k.values.size());
    return n;
}

bool StoreContents::parse(const QByteArray &text, QString *error, int *errorLine) {
    keys_.clear();
    index_.clear();
    QStringList problems;
    int firstProblem = 0;
    int lineNo = 0;
    auto skip = [&](const char *reason) {
        if (!firstProblem)
            firstProblem = lineNo;
        problems << QStringLiteral("line %1: %2").arg(lineNo).arg(QLatin1String(reason));
    };

    const char *p = text.constData();
    const char *const end = p + text.size();
    if (text.startsWith("\xef\xbb\xbf"))  // a byte-order mark some editors put first
        p += 3;

    // Value lines after each key line, so that every key's table is sized once.
    std::vector<int> valueLines;
    for (const char *q = p; q < end;) {
        const char *eol = static_cast<const char *>(memchr(q, '\n', size_t(end - q)));
        if (!eol)
            eol = end;
        while (q < eol && isBlank(*q))
            ++q;
        if (q < eol && *q == '[')
            valueLines.push_back(0);
        else if (q < eol && *q != '#' && *q != ';' && !valueLines.empty())
            ++valueLines.back();
        q = eol + 1;
    }
    size_t section = 0;

    bool ended = false;
    int current = -1;
    bool keySkipped = false;  // the values below a key line that was skipped go with it
    QByteArray recoded;
    while (p < end) {
        ++lineNo;
        const char *eol = static_cast<const char *>(memchr(p, '\n', size_t(end - p)));
        const bool cutShort = !eol;
        if (!eol)
            eol = end;
        const char *b = p;
        const char *e = eol;
        p = eol + 1;
        while (b < e && isBlank(*b))
            ++b;
        while (e > b && isBlank(e[-1]))
            --e;
        if (b == e || *b == '#' || *b == ';')
            continue;
        if (e - b == 4 && qstrnicmp(b, ".end", 4) == 0) {
            ended = true;
            continue;
        }
        if (cutShort) {  // every line the store writes ends with a line end
            skip("the last line has no line end (cut short?)");
            continue;
        }
        if (!isValidUtf8(b, e - b)) {  // a hand edit in a single-byte editor
            skip("not UTF-8 text, read as Latin-1");
            recoded = QString::fromLatin1(b, e - b).toUtf8();
            b = recoded.constData();
            e = b + recoded.size();
        }
        if (*b == '[') {
            const QString path =
                e - b >= 2 && e[-1] == ']' ? QString::fromUtf8(b + 1, e - b - 2) : QString();
            if (!isValidKeyPath(path)) {
                skip(e[-1] == ']' ? "not a valid key path" : "a key line must end with ]");
                ++section;
                current = -1;
                keySkipped = true;
                continue;
            }
            StoredKey &k = ensure(path);
            if (section < valueLines.size())
                k.reserve(k.values.size() + size_t(valueLines[section++]));
            current = index_.value(fold(path));
            keySkipped = false;
            continue;
        }
        if (current < 0) {
            skip(keySkipped ? "a value of the key line skipped above" : "a value before the first [key] line");
            continue;
        }
        StoredValue v;
        const char *why = "";
        if (!parseValueLine(Cursor{b, e}, &v, &why)) {
            skip(why);
            continue;
        }
        keys_[size_t(current)].set(v.name, v.type, v.data);
    }
    if (!ended) {
        lineNo = qMax(lineNo, 1);
        skip("the .end line is missing (cut short?)");
    }
    if (error)
        *error = problems.join(QStringLiteral("; "));
    if (errorLine)
        *errorLine = firstProblem;
    return problems.isEmpty();
}

QByteArray StoreContents::serialize(const QString &title) const {
    QByteArray out;
    out.reserve(512 + valueCount() * 40);
    out += "# " + title.toUtf8() + " (" + kProductName.toUtf8() +
           " settings). Safe to edit in any text editor:\n"
           "#   [key\\path]          a key; the value lines below it belong to it\n"
           "#   name = sz:\"text\"    text; escapes \\\\ \\\" \\n \\r \\t \\xHH \\uHHHH\n"
           "#   name = dword:42     32-bit integer\n"
           "#   name = hex:01 ff    bytes\n"
           "#   @ = ...             the key's unnamed value\n"
           "# Names are matched without regard to case. The last line must be .end:\n"
           "# a file without it is taken as cut short and set aside.\n";
    for (const StoredKey &k : keys_) {
        out += "\n[" + k.path.toUtf8() + "]\n";
        for (const StoredValue &v : k.values) {
            appendName(out, v.name);
            out += " = ";
            appendValue(out, v);
            out += '\n';
        }
    }
    out += "\n.end\n";
    return out;
}

bool isValidKeyPath(const QString &path) {
    if (path.isEmpty())
        return false;
    for (const QString &level : path.split(u'\\')) {
        if (level.isEmpty() || level.size() > 255)
            return false;
        if (level.trimmed() != level)  // the file would not keep outer blanks
            return false;
        for (QChar c : level)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == u'[' || c == u']')
                return false;
    }
    return true;
}

// ---- KeyStore --------------------------------------------------------------------------

KeyStore::KeyStore(QString filePath) : file_(std::move(filePath)) {}

KeyStore::LoadState KeyStore::refresh(QString *error) const {
    QFile f(file_);
    if (!QFileInfo::exists(file_)) {
        memo_ = StoreContents();
        memoValid_ = false;
        return LoadState::Missing;
    }
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly))
        bytes = f.readAll();
    if (!f.isOpen() || f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        memo_ = StoreContents();
        memoValid_ = false;
        return LoadState::Unreadable;
    }
    if (!memoValid_ || bytes != memoText_) {
        memoDamaged_ = !memo_.parse(bytes, &memoProblems_);
        memoText_ = bytes;
        memoValid_ = true;
        if (memoDamaged_)
            reportOnce(QStringLiteral("read %1 %2").arg(file_).arg(qHash(bytes)),
                       QStringLiteral("the settings file %1 has lines that cannot be read; they "
                                      "are skipped and the rest is used (%2). The file as it is "
                                      "now is kept as %1.corrupt-<n> when settings are next "
                                      "saved.")
                           .arg(file_, memoProblems_));
    }
    if (!memoDamaged_)
        return LoadState::Ok;
    if (error)
        *error = memoProblems_;
    return LoadState::Damaged;
}

KeyStore::LoadState KeyStore::load(StoreContents *out, QString *error) const {
    const LoadState state = refresh(error);
    *out = memoValid_ ? memo_ : StoreContents();
    return state;
}

bool KeyStore::setAside() const {
    const QByteArray from = QFile::encodeName(file_);
    for (int n = 1; n < 100000; ++n) {
        const QString target = file_ + QStringLiteral(".corrupt-") + QString::number(n);
        // A second name for the same file: the store keeps its name until it is replaced.
        if (::link(from.constData(), QFile::encodeName(target).constData()) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        if (QFileInfo::exists(target))
            continue;
        return QFile::copy(file_, target);  // a file system without hard links
    }
    return false;
}

void KeyStore::removeStaleTemporaries() const {
    // A writer killed between creating its temporary file and renaming it leaves
    // "<file>.XXXXXX" behind; every writer holds the lock, so any such file is stale.
    const QFileInfo info(file_);
    const QDir dir = info.dir();
    const QString prefix = info.fileName() + QLatin1Char('.');
    for (const QString &name : dir.entryList({prefix + QStringLiteral("??????")},
                                             QDir::Files | QDir::Hidden | QDir::System)) {
        bool temporary = true;
        for (QChar c : QStringView(name).mid(prefix.size()))
            temporary = temporary && c.isLetterOrNumber() && c.unicode() < 0x80;
        if (temporary)
            QFile::remove(dir.filePath(name));
    }
}

KeyStore::Status KeyStore::failWrite(const QString &why) const {
    reportOnce(QStringLiteral("write ") + file_,
               QStringLiteral("the settings file %1 cannot be written (%2); settings changed "
                              "from now on are not saved.")
                   .arg(file_, why));
    return Failed;
}

KeyStore::Status KeyStore::modify(const std::function<bool(StoreContents &)> &change) {
    const QFileInfo info(file_);
    if (!QDir().mkpath(info.absolutePath()))
        return failWrite(QStringLiteral("its folder cannot be created"));

    const QByteArray lockName = QFile::encodeName(lockPath());
    const int fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return failWrite(QString::fromLocal8Bit(std::strerror(errno)));
    // The lock is held only for the read-modify-write of one small file.
    struct Unlock {
        int fd;
        ~Unlock() {
            ::flock(fd, LOCK_UN);
            ::close(fd);
        }
    } unlock{fd};
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return failWrite(QString::fromLocal8Bit(std::strerror(errno)));

    QString why;
    const LoadState state = refresh(&why);
    StoreContents contents = std::move(memo_);
    memo_ = StoreContents();
    memoValid_ = false;
    if (state == LoadState::Unreadable)
        return failWrite(why);  // never overwrite what could not be read
    const bool damaged = state == LoadState::Damaged;
    if (!change(contents) && !damaged) {
        if (state == LoadState::Ok) {  // the file still holds exactly these contents
            memo_ = std::move(contents);
            memoDamaged_ = false;
            memoValid_ = true;
        }
        return Ok;
    }
    if (state != LoadState::Missing && ::access(QFile::encodeName(file_).constData(), W_OK) != 0)
        return failWrite(QStringLiteral("the file is read-only"));
    if (damaged && !setAside())
        return failWrite(QStringLiteral("no copy of its unreadable lines can be kept"));
    removeStaleTemporaries();

    QSaveFile out(file_);
    if (!out.open(QIODevice::WriteOnly))
        return failWrite(out.errorString());
    const QByteArray bytes = contents.serialize(info.fileName());
    if (out.write(bytes) != bytes.size()) {
        const QString error = out.errorString();
        out.cancelWriting();
        return failWrite(error);
    }
    if (!out.commit())
        return failWrite(out.errorString());
    memo_ = std::move(contents);
    memoText_ = bytes;
    memoDamaged_ = false;
    memoValid_ = true;
    return Ok;
}

bool KeyStore::keyLineExists(const QString &path) const {
    QFile f(file_);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray text = f.readAll();
    if (text.startsWith("\xef\xbb\xbf"))
        text.remove(0, 3);
    const QString wanted = fold(path);
    const QString below = wanted + QLatin1Char('\\');
    for (const char *q = text.constData(), *qe = q + text.size(); q < qe;) {
        const char *eol = static_cast<const char *>(memchr(q, '\n', size_t(qe - q)));
        if (!eol)
            eol = qe;
        const char *b = q, *e = eol;
        q = eol + 1;
        while (b < e && isBlank(*b))
            ++b;
        while (e > b && isBlank(e[-1]))
            --e;
        if (e - b < 2 || *b != '[' || e[-1] != ']')
            continue;
        const QString key = fold(QString::fromUtf8(b + 1, e - b - 2));
        if (key == wanted || key.startsWith(below))
            return true;
    }
    return false;
}

KeyStore::Status KeyStore::open(const QString &path, Access access, Key *key) const {
    *key = Key();
    if (!isValidKeyPath(path))
        return NotFound;
    if (access == Access::Write) {
        // A key opened for writing needs no values: a scan of the key lines will do, and
        // each write checks again under the lock that the key is there.
        if (!keyLineExists(path))
            return NotFound;
    } else {
        refresh();
        if (!memo_.exists(path))
            return NotFound;
        if (const StoredKey *k = memo_.find(path))
            key->snapshot = *k;
    }
    key->path = path;
    key->access = access;
    key->open = true;
    return Ok;
}

KeyStore::Status KeyStore::create(const QString &path, Key *key) {
    *key = Key();
    if (!isValidKeyPath(path))
        return Failed;
    const Status st = modify([&](StoreContents &c) {
        bool added = false;
        c.ensure(path, &added);
        return added;
    });
    if (st != Ok)
        return st;
    key->path = path;
    key->access = Access::Write;
    key->open = true;
    return Ok;
}

KeyStore::Status KeyStore::query(const Key &key, const QString &name, char *buffer,
                                 quint32 *size, quint32 *type) const {
    if (!key.open)
        return InvalidHandle;
    if (key.access != Access::Read)
        return AccessDenied;
    const StoredValue *v = key.snapshot.find(name);
    if (!v)
        return NotFound;
    if (type)
        *type = v->type;
    const quint32 needed = quint32(v->data.size());
    if (!buffer) {
        *size = needed;
        return Ok;
    }
    if (*size < needed) {
        *size = needed;
        return MoreData;
    }
    if (needed)
        memcpy(buffer, v->data.constData(), needed);
    *size = needed;
    return Ok;
}

KeyStore::Status KeyStore::queryText(const Key &key, const QString &name, int maxCharacters,
                                     QString *text) const {
    quint32 size = 0;
    const Status st = query(key, name, nullptr, &size);
    if (st != Ok)
        return st;
    QByteArray data(qsizetype(size), '\0');
    query(key, name, data.data(), &size);
    const QString decoded = QString::fromUtf8(data);
    // Characters, not UTF-16 units: one outside the basic plane counts once.
    qsizetype characters = decoded.size();
    for (QChar c : decoded)
        characters -= c.isLowSurrogate();
    if (characters > maxCharacters)
        return MoreData;
    *text = decoded;
    return Ok;
}

KeyStore::Status KeyStore::set(Key &key, const QString &name, quint32 type,
                               const QByteArray &data) {
    if (!key.open)
        return InvalidHandle;
    if (key.access != Access::Write)
        return AccessDenied;
    bool missing = false;
    const Status st = modify([&](StoreContents &c) {
        if (!c.exists(key.path)) {  // gone with a damaged file that was set aside
            missing = true;
            return false;
        }
        return c.ensure(key.path).set(name, type, data);
    });
    return st == Ok && missing ? NotFound : st;
}

void KeyStore::close(Key &key) const { key = Key(); }

QString configHome() { return xdgDir("XDG_CONFIG_HOME", ".config"); }
QString dataHome() { return xdgDir("XDG_DATA_HOME", ".local/share"); }

QString settingsFolder() {
    return configHome() + QLatin1Char('/') + kCompanyName + QLatin1Char('/') + kProductName;
}

}  // namespace quadrel
