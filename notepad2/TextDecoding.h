#pragma once
// Turning the bytes of a text file into text: UTF-8 when the bytes are valid UTF-8,
// otherwise Windows-1252, the single-byte code page the solver's listings and older
// example files are written in (so that "»" shows as itself in both).
#include <QByteArray>
#include <QString>

namespace quadrel {

enum class TextEncoding { Utf8, Windows1252 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

DecodedText decodeText(const QByteArray &bytes);
QString decodeWindows1252(const QByteArray &bytes);
QString encodingName(TextEncoding encoding);

}  // namespace quadrel
