#pragma once
// Card layouts as readable text: "key = value  # comment" lines naming the
// fields of the 392-byte layout record, "subject = 01 语文" lines for the
// subject table and an optional "title" used only for drawing.
#include <string>

#include "recognition/cardtemplate.h"

namespace tarvel::cards {

struct CardDesign {
    std::string name;   // layout name without ".dat", e.g. "DY标准85题自动AB卷"
    std::string title;  // printed title of the card
    CardTemplate layout;

    CardFamily family() const { return familyOf(name); }
    std::string datName() const { return name + ".dat"; }
};

// Parses layout text. Every record field must be given exactly once; unknown
// keys and malformed numbers are errors. Returns "" or a message.
std::string parseLayoutText(const std::string& text, CardDesign& out);

// Loads a ".layout" source or a ".dat" record (name taken from the file name).
// Returns "" or a message; the layout is also checked with checkTemplate.
std::string loadDesign(const std::string& path, CardDesign& out);

// Every field of the record as a JSON object (UTF-8).
std::string layoutJson(const CardDesign& design);

// The layout as text that parseLayoutText reads back to the same record.
std::string layoutText(const CardDesign& design);

// The file name without folder and extension.
std::string stemOf(const std::string& path);

}  // namespace tarvel::cards
