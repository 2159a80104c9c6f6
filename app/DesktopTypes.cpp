#include "app/DesktopTypes.h"

#include "app/KeyStore.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QXmlStreamWriter>

namespace quadrel {

namespace {

// Lower-case letters, digits and '-' only, so the result is safe in file and type names.
QString safeName(const QString &s) {
    QString out;
    for (QChar c : s.toLower()) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
        out += ok ? c : QChar(u'_');
    }
    return out.isEmpty() ? QStringLiteral("_") : out;
}

bool saveFile(const QString &path, const QByteArray &bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

void runTool(const QString &tool, const QStringList &args) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return;
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start();
    if (!p.waitForStarted(10000))
        return;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

}  // namespace

QString mimeTypeForExtension(const QString &extension) {
    return QStringLiteral("application/x-quadrel-") + safeName(extension);
}

QString mimePackagePath(const QString &extension) {
    return dataHome() + QStringLiteral("/mime/packages/quadrel-") + safeName(extension) +
           QStringLiteral(".xml");
}

QString desktopEntryPath(const QString &programId) {
    return dataHome() + QStringLiteral("/applications/quadrel-") + safeName(programId) +
           QStringLiteral(".desktop");
}

QString desktopStringValue(const QString &text) {
    QString out;
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        default: out += c;
        }
    }
    // A leading blank would be dropped by readers.
    if (out.startsWith(u' '))
        out.replace(0, 1, QStringLiteral("\\s"));
    return out;
}

QString desktopExecArgument(const QString &arg) {
    // Inside double quotes ", `, $ and \ are escaped with a backslash; "%" is doubled
    // because of the field codes; then the whole key value gets the string escapes.
    QString quoted = QStringLiteral("\"");
    for (QChar c : arg) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
        if (c == u'%')
            quoted += u'%';
    }
    quoted += u'"';
    return desktopStringValue(quoted);
}

bool writeMimePackage(const QString &extension, const QString &description) {
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDefaultNamespace(QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    w.writeStartElement(QStringLiteral("mime-info"));
    w.writeStartElement(QStringLiteral("mime-type"));
    w.writeAttribute(QStringLiteral("type"), mimeTypeForExtension(extension));
    w.writeTextElement(QStringLiteral("comment"), description);
    // Source, output and plot files are all plain text.
    w.writeEmptyElement(QStringLiteral("sub-class-of"));
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("text/plain"));
    w.writeEmptyElement(QStringLiteral("glob"));
    w.writeAttribute(QStringLiteral("pattern"), QStringLiteral("*.") + extension);
    w.writeAttribute(QStringLiteral("weight"), QStringLiteral("60"));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return saveFile(mimePackagePath(extension), xml);
}

bool writeDesktopEntry(const QString &programId, const QString &description,
                       const QString &program, const QStringList &mimeTypes,
                       const QString &iconFile) {
    QString d;
    d += QStringLiteral("[Desktop Entry]\n");
    d += QStringLiteral("Type=Application\n");
    d += QStringLiteral("Version=1.0\n");
    d += QStringLiteral("Name=") + desktopStringValue(programId) + u'\n';
    if (!description.isEmpty())
        d += QStringLiteral("Comment=") + desktopStringValue(description) + u'\n';
    d += QStringLiteral("TryExec=") + desktopStringValue(program) + u'\n';
    d += QStringLiteral("Exec=") + desktopExecArgument(program) + QStringLiteral(" %f\n");
    if (!mimeTypes.isEmpty())
        d += QStringLiteral("MimeType=") + mimeTypes.join(u';') + QStringLiteral(";\n");
    if (!iconFile.isEmpty())
        d += QStringLiteral("Icon=") + desktopStringValue(iconFile) + u'\n';
    d += QStringLiteral("Terminal=false\n");
    d += QStringLiteral("NoDisplay=true\n");
    return saveFile(desktopEntryPath(programId), d.toUtf8());
}

void refreshDesktopDatabases() {
    const QString mimeDir = dataHome() + QStringLiteral("/mime");
    if (QFileInfo(mimeDir + QStringLiteral("/packages")).isDir())
        runTool(QStringLiteral("update-mime-database"), {mimeDir});
    const QString appDir = dataHome() + QStringLiteral("/applications");
    if (QFileInfo(appDir).isDir())
        runTool(QStringLiteral("update-desktop-database"), {appDir});
}

}  // namespace quadrel
