// Tarvel数码阅卷机: the grading station's window.
#include "program.h"

int main(int argc, char** argv) { return tarvel::app::runProgram(argc, argv); }
