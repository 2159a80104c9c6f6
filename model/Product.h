#pragma once
// The product's name and version, its support address, and the pages the menus open. The
// product pages ship in the program folder's "web" folder and open as local files.
#include <QString>

namespace quadrel::product {

inline const QString kName = QStringLiteral("Quadrel");
inline const QString kVersion = QStringLiteral("6.701");

// Where support mail goes: the build's QUADREL_SUPPORT_EMAIL setting.
QString supportEmail();

// The home page of the code editor the Web Links menu recommends.
inline const QString kEditorHomePage = QStringLiteral("https://notepad-plus-plus.org/");

// The pages shipped with the program, relative to the program folder.
inline const QString kWebFolder = QStringLiteral("web");
inline const QString kProductPage = QStringLiteral("web/quadrel.html");
inline const QString kTextbookPage = QStringLiteral("web/textbook.html");
inline const QString kCompilerPage = QStringLiteral("web/vetrix.html");
inline const QString kDonatePage = QStringLiteral("web/donate.html");
inline const QString kPlotsPage = QStringLiteral("web/lumaplots.html");
inline const QString kTextPage = QStringLiteral("web/notepad2.html");
inline const QString kSolverPage = QStringLiteral("web/vade.html");
inline const QString kEditorPage = QStringLiteral("web/myeditor.html");

// The file:// address of a shipped page for the program folder appPath.
QString pageUrl(const QString &appPath, const QString &page);

}  // namespace quadrel::product
