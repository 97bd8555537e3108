#pragma once
// Pictures of the real windows, for the help pages (drawn at build time) and
// the README: page 1 after choosing the demo layout, the card chooser, page 2
// with the demo camera's live picture, the picture-quality dialog, the
// help window and page 6 (over a graded run when one is given, else over the
// sample roster). Runs without questions: messages go to stderr, the card
// chooser picks the demo layout, only the demo camera is offered.
#include <QString>
#include <QWidget>
#include <string>

namespace tarvel::app {

// Writes page1.png, chooser.png, page2.png, quality.png, help.png and
// page6.png into `folder`; 0 on success, 1 (told on stderr) otherwise.
int takeScreenshots(const QString& folder, const std::string& runFile = "");

// Writes a small PNG (256 colours) of `widget` as `name` in `folder`; false
// (told on stderr) when it cannot be written.
bool saveWindowPicture(QWidget& widget, const QString& folder, const char* name);

}  // namespace tarvel::app
