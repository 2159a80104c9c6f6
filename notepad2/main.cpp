// notePad2: shows the text file named on the command line, read-only.
#include "notepad2/TextWindow.h"
#include "ui/QtMessageBoxes.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notePad2"));
    quadrel::QtMessageBoxes messages;
    quadrel::TextWindow window(messages);
    messages.setParent(&window);
    window.show();
    // The caller splits its command line at blanks, so a path with blanks comes in pieces.
    const QString path = QApplication::arguments().mid(1).join(QLatin1Char(' '));
    if (!path.isEmpty())
        QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
    return app.exec();
}
