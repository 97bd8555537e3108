#pragma once
// Small helpers for the number boxes of the pages: a box that takes only what
// a core rule allows (typed or pasted), with the input method off so that
// digits can be typed directly; and a check that runs when the focus leaves a
// control (or a group of controls) for another control of the same window.
#include <QLineEdit>
#include <functional>
#include <string>

namespace tarvel::app {

using TextRule = bool (*)(const std::string& text);

QLineEdit* makeNumberBox(const char* objectName, int maxLength, TextRule accepts, QWidget* parent);

// Runs `check` whenever the focus moves from `area` (or a control inside it)
// to a control outside it in the same window. Moves to a message box, a
// drop-down list or another program do not count: the user has not left.
void whenLeft(QWidget* area, std::function<void()> check);

}  // namespace tarvel::app
