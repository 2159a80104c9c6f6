#pragma once
// The single-byte code page of response files and other texts shared with the outside
// tools (Windows-1252). The program's strings are Unicode; on disk each character is one
// byte, and a character the code page lacks is written as "?".
#include <QByteArray>
#include <QString>

namespace quadrel {

QByteArray toAnsi(const QString &text);
QString fromAnsi(const QByteArray &bytes);

}  // namespace quadrel
