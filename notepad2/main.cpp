// notePad2: shows the text file named on the command line, read-only.
#include "notepad2/TextWindow.h"
#include "platform/ViewerMain.h"

int main(int argc, char *argv[]) {
    return quadrel::runViewer<quadrel::TextWindow>(argc, argv, QStringLiteral("notePad2"));
}
