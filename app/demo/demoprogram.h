#pragma once
// `tarvel --demo`: the guided demo with services of its own. While the tour
// plays, questions are answered "是"/"确定" (the note shows them), the file
// dialogs give the sample roster and the demo's run file, "新阅卷" chooses the
// demo layout, the files written are not opened, and only the demo camera
// is offered. Afterwards the window stays open and behaves as the program
// does (message boxes, file dialogs, the card chooser).
//
// With `screens` set the demo runs as fast as the window goes (a manual
// clock, the camera delivering on each tick, no sound), writes a picture of
// every page there and ends; without it, at real speed with the note.
#include <QString>

namespace tarvel::app {

// 0 when the whole tour went through; 1 (told on stderr) otherwise.
int runDemo(const QString& screens);

}  // namespace tarvel::app
