#pragma once
// The few text styles the pages share, so that every page reads as part of one design.
class QWidget;

namespace quadrel::style {

void heading(QWidget *w);       // bold column and section headings
void question(QWidget *w);      // question captions
void note(QWidget *w);          // instructions and hints: a muted colour
void help(QWidget *w);          // notation help: muted, inset
void warning(QWidget *w);       // the run notice: bold dark red
void equationFont(QWidget *w);  // fixed-pitch text for equations and data

}  // namespace quadrel::style
