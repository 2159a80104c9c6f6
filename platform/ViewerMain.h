#pragma once
// The shared main of the file viewers: one window, real message boxes, and the file named
// on the command line opened once the event loop runs.
#include "platform/QtMessageBoxes.h"

#include <QApplication>
#include <QTimer>

namespace quadrel {

template <class Window>
int runViewer(int argc, char *argv[], const QString &applicationName) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationName);
    QtMessageBoxes messages;
    Window window(messages);
    messages.setParent(&window);
    window.show();
    // The caller splits its command line at blanks, so a path with blanks comes in pieces.
    const QString path = QApplication::arguments().mid(1).join(QLatin1Char(' '));
    if (!path.isEmpty())
        QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
    return app.exec();
}

}  // namespace quadrel
