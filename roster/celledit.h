#pragma once
// What typing, Backspace, Delete, cutting and pasting do inside the cell
// editor of a filtered grid cell (admission numbers, grade codes, the exam
// page's numbers). A cell's key rule decides whether one typed character may
// go in; a paste is typed character by character, so it can bring in nothing
// that typing could not, and a protected lead (the admission prefix) can be
// neither overwritten nor deleted by any of them.
#include <functional>
#include <string>

namespace tarvel {

// The editor's text and selection. Positions count bytes: the filtered cells
// take ASCII characters only.
struct EditorText {
    std::string text;
    int selStart = 0;  // the caret when nothing is selected
    int selLength = 0;
    bool operator==(const EditorText& o) const {
        return text == o.text && selStart == o.selStart && selLength == o.selLength;
    }
};

enum class EditorAction { Type, Backspace, Delete, Cut, Paste };

// May `key` be typed into a cell that holds `text`? `hasSelection`: some of
// the text is selected in the editor (the key then replaces it).
using KeyRule = std::function<bool(const std::string& text, bool hasSelection, char key)>;

// The result of one editor action. When it is refused the editor keeps its
// text and only the caret goes where `after` says (a refusal inside the
// protected lead moves it to the lead's end).
struct EditorChange {
    bool accepted = false;
    EditorText after;
};

// `input` is the typed character for Type and the clipboard text for Paste.
// The first `protectedLength` bytes may not change.
EditorChange editCell(const EditorText& before, EditorAction action, const std::string& input, const KeyRule& rule,
                      int protectedLength = 0);

// Digits and Backspace; a digit only while the text is shorter than
// `maxLength` or a selection will be replaced.
bool acceptDigitKey(const std::string& text, bool hasSelection, char key, int maxLength);

}  // namespace tarvel
