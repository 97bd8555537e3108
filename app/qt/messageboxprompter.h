#pragma once
// The program's message boxes: every message and question of the cores and
// the windows goes through Prompter; this one shows it as a QMessageBox over
// the active window, with the button texts of a Chinese system.
#include "base/prompter.h"

namespace tarvel::app {

class MessageBoxPrompter : public Prompter {
public:
    void message(const std::string& text) override;
    void notice(const std::string& text) override;
    Answer askYesNo(const std::string& text) override;
    Answer askYesNoCancel(const std::string& text) override;
    Answer askOkCancel(const std::string& text) override;
};

}  // namespace tarvel::app
