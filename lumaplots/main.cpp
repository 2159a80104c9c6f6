// Lumaplots: shows the plot file named on the command line ("~4plots.plt" after a run).
#include "lumaplots/PlotWindow.h"
#include "platform/ViewerMain.h"

int main(int argc, char *argv[]) {
    return quadrel::runViewer<quadrel::PlotWindow>(argc, argv, QStringLiteral("Lumaplots"));
}
