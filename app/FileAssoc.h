#pragma once
// Registration of the program's file types in the file-class store (HKEY_CLASSES_ROOT),
// made real on the desktop by a MIME type and a desktop entry for each tool.
//
// Entries (each the unnamed text value of the key):
//   "." + extension                    program identifier ("notePad2")
//   programId                          description ("VX Output")
//   programId\DefaultIcon              icon file + ",0" (only when an icon is given)
//   programId\shell\open\command       "<folder>/<programId>" %1
#include <QString>

namespace quadrel {

// Registers one file type. When folder does not end in "/", one is appended to the
// caller's variable (the main window passes basePath).
void AssociateExtension(const QString &extension, QString &folder, const QString &programId,
                        const QString &description, const QString &iconFile);
// The program identifier "." + extension names, or "" when none is registered.
QString GetExtensionAssociation(const QString &extension);

// rootText is the decimal text of the root key's handle value (HKEY_CLASSES_ROOT is
// "-2147483648"). The read goes through a 255-byte buffer: a value of 255 characters or
// more reads as default, leading blanks are dropped.
QString ReadKeyString(const QString &rootText, const QString &subKey, const QString &valueName,
                      const QString &defaultValue);
// Creates subKey when needed and sets its text value; returns 0 or the failure status.
long WriteKeyString(const QString &rootText, const QString &subKey, const QString &valueName,
                    const QString &value);

}  // namespace quadrel
