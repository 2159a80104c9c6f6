#pragma once
// Writes a test input file into a temporary folder and returns its path; a file that
// cannot be written ends the test run at once, since every later check would be void.
// Reads a file whole, or gives nothing when it cannot be read.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace quadrel::testing {

inline QString writeTestFile(const QTemporaryDir &dir, const QString &name,
                             const QByteArray &content) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(content);
    return path;
}

inline QByteArray readTestFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace quadrel::testing
