#pragma once
// Looking at results: the solver's text output in the text viewer, the plots in the plot
// viewer, and an example response file in the editor.
#include "model/AppState.h"
#include "platform/RtError.h"

namespace quadrel {

// The absolute, canonical form of path with its case kept: a text that follows a program
// name on a command line. Empty when the file does not exist or the form is longer than
// 164 characters.
QString ShortLowerPath(const QString &path);

// Starts the text viewer on path (relative to the current folder or full). A missing file
// is reported with a message. A viewer that cannot be started raises RtError 53 naming it;
// callers without a trap of their own use showViewerError.
void ShowTextFile(AppState &st, const QString &path);
// Tells the user that a viewer could not be started (the error ShowTextFile raises).
void showViewerError(AppState &st, const RtError &e);
// ShowTextFile with a failed start reported: for the menu commands.
void ShowTextFileReported(AppState &st, const QString &path);

// Starts the plot viewer in the current folder on "~4plots.plt", or says it is missing.
void ShowPlots(AppState &st);

// Lets the user pick an example file (the demos folder, example files first) and opens it
// in the editor. Cancel opens nothing and puts the dialog's initial folder back.
void ViewExampleFile(AppState &st);

}  // namespace quadrel
