#include "platform/CodePage.h"

#include "model/ResponseRecord.h"

#include <QList>

namespace quadrel {

namespace {

// Every byte has one character (see response::ansiChar); characters outside the code page
// have no byte.
char encodeOne(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (unsigned b = 0x80; b < 0xA0; ++b)
        if (response::ansiChar(static_cast<unsigned char>(b)) == c) return static_cast<char>(b);
    return '?';
}

}  // namespace

QByteArray toAnsi(const QString &text) {
    QByteArray out;
    out.reserve(text.size());
    // One byte per character: a surrogate pair is one character and becomes one "?".
    for (char32_t c : text.toUcs4()) out.append(encodeOne(c));
    return out;
}

QString fromAnsi(const QByteArray &bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        out.append(QChar(response::ansiChar(static_cast<unsigned char>(b))));
    }
    return out;
}

}  // namespace quadrel
