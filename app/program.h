#pragma once
// The program's entry: start-up, the windows, the message loop.
//   tarvel                              the grading station
//   tarvel --screenshots DIR [--run RUN.yj]
//                                       pictures of the real windows (help pages, README);
//                                       page 6 over that raw grading file
//   tarvel --quit-after-first-paint     prints "painted" once the main window is on screen, then ends
namespace tarvel::app {

int runProgram(int argc, char** argv);

}  // namespace tarvel::app
