#include "run/EquationTest.h"

#include "model/FileCommands.h"
#include "platform/CodePage.h"
#include "platform/RtError.h"
#include "run/Tools.h"
#include "run/Viewing.h"

#include <QDir>
#include <QLibrary>

namespace quadrel {

namespace {

using VetrixEntry = int (*)(const char *text, qint32 *one, qint32 length);

void checkEquation(AppState &st, const QString &equation) {
    QLibrary library(st.appPath + QLatin1Char('/') + tools::checkerLibrary);
    const auto entry = reinterpret_cast<VetrixEntry>(library.resolve("Vetrix"));
    if (!entry) throw RtError(rterr::FileNotFound, library.errorString());
    const QByteArray text = toAnsi(equation);
    qint32 one = 1;
    const int status = entry(text.constData(), &one, qint32(equation.size()));
    library.unload();  // the next test loads the library afresh
    if (status != 0) throw RtError(rterr::InvalidArgument, QStringLiteral("the checker reported a fault"));
}

}  // namespace

void cmdTestIt(AppState &st, const QString &equation) {
    try {
        const QString remembered = QDir::currentPath();
        ChDir(st.basePath + QStringLiteral("/Quadrel"));
        checkEquation(st, equation);
        ChDir(remembered);
        ShowTextFile(st, st.appPath + QLatin1Char('/') + tools::checkerListing);
    } catch (const RtError &) {
        st.msg->show(QStringLiteral("Quadrel"), QStringLiteral("Check for error in your equation."),
                     MsgIcon::None, MsgButtons::Ok);
        ShowTextFileReported(st, st.appPath + QLatin1Char('/') + tools::parseListing);
    }
}

}  // namespace quadrel
