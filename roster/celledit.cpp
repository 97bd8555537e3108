#include "roster/celledit.h"

#include <algorithm>

namespace tarvel {
namespace {

// Keeps caret and selection inside the text, whatever the caller passed.
EditorText clamped(const EditorText& in) {
    EditorText e = in;
    const int size = int(e.text.size());
    e.selStart = std::clamp(e.selStart, 0, size);
    e.selLength = std::clamp(e.selLength, 0, size - e.selStart);
    return e;
}

EditorChange refused(const EditorText& e) { return {false, e}; }

EditorChange removed(EditorText e, int from, int count) {
    e.text.erase(size_t(from), size_t(count));
    e.selStart = from;
    e.selLength = 0;
    return {true, e};
}

}  // namespace

bool acceptDigitKey(const std::string& text, bool hasSelection, char key, int maxLength) {
    if (key == '\b') return true;
    if (key < '0' || key > '9') return false;
    return hasSelection || int(text.size()) < maxLength;
}

EditorChange editCell(const EditorText& before, EditorAction action, const std::string& input, const KeyRule& rule,
                      int protectedLength) {
    const EditorText e = clamped(before);
    const int lead = std::clamp(protectedLength, 0, int(e.text.size()));
    const bool selected = e.selLength > 0;
    // Anything that starts inside the lead is dropped and the caret goes to
    // the lead's end, where typing may go on.
    EditorText toLeadEnd = e;
    toLeadEnd.selStart = lead;
    toLeadEnd.selLength = 0;

    switch (action) {
        case EditorAction::Type: {
            if (input.size() != 1 || !rule(e.text, selected, input[0])) return refused(e);
            if (e.selStart < lead) return refused(toLeadEnd);
            EditorText after = e;
            after.text.replace(size_t(e.selStart), size_t(e.selLength), input);
            after.selStart = e.selStart + 1;
            after.selLength = 0;
            return {true, after};
        }
        case EditorAction::Paste: {
            if (e.selStart < lead) return refused(toLeadEnd);
            EditorText after = e;
            bool any = false;
            for (char c : input) {
                if (!rule(after.text, after.selLength > 0, c)) continue;
                after.text.replace(size_t(after.selStart), size_t(after.selLength), 1, c);
                after.selStart += 1;
                after.selLength = 0;
                any = true;
            }
            return any ? EditorChange{true, after} : refused(e);
        }
        case EditorAction::Backspace:
            if (selected || e.selStart < lead) break;
            if (e.selStart == lead) return refused(e);  // at the lead's end (or at the start)
            return removed(e, e.selStart - 1, 1);
        case EditorAction::Delete:
            if (selected || e.selStart < lead) break;
            if (e.selStart == int(e.text.size())) return refused(e);
            return removed(e, e.selStart, 1);
        case EditorAction::Cut:
            if (!selected) return refused(e);
            break;
    }
    // A selection is removed, or the caret lies inside the lead.
    if (e.selStart < lead) return refused(toLeadEnd);
    return removed(e, e.selStart, e.selLength);
}

}  // namespace tarvel
