#include "model/Product.h"

#include <QUrl>

namespace quadrel::product {

QString supportEmail() { return QStringLiteral(QUADREL_SUPPORT_EMAIL); }

QString pageUrl(const QString &appPath, const QString &page) {
    return QUrl::fromLocalFile(appPath + QLatin1Char('/') + page).toString();
}

}  // namespace quadrel::product
