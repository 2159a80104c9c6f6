#pragma once
// Makes a registered file type real on the desktop: a shared-MIME-info package per
// extension under $XDG_DATA_HOME/mime/packages and a desktop entry per program identifier
// under $XDG_DATA_HOME/applications, then refreshes the desktop's databases.
#include <QString>
#include <QStringList>

namespace quadrel {

// "VX" -> "application/x-quadrel-vx".
QString mimeTypeForExtension(const QString &extension);
QString mimePackagePath(const QString &extension);
QString desktopEntryPath(const QString &programId);

// One argument of a desktop entry's Exec key, quoted by the desktop-entry rules and
// escaped for the key's string value ("%" doubled, backslashes and line breaks escaped).
QString desktopExecArgument(const QString &arg);
// Escapes a text for a desktop entry's string value.
QString desktopStringValue(const QString &text);

bool writeMimePackage(const QString &extension, const QString &description);
// program is the absolute path of the tool; mimeTypes the types it opens.
bool writeDesktopEntry(const QString &programId, const QString &description,
                       const QString &program, const QStringList &mimeTypes,
                       const QString &iconFile);

// Runs update-mime-database and update-desktop-database on the folders above, each only
// when it is installed; started directly (no shell) and never an error when missing.
void refreshDesktopDatabases();

}  // namespace quadrel
