#pragma once
// CSV text as the output page writes it: fields separated by "," and never
// quoted, lines ended by CR LF, GBK without byte-order mark, assembled whole
// and written in one piece. The text must stay below the 20 MiB buffer the
// page assembles it in; a larger one is refused, never cut.
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvel {

inline constexpr size_t kCsvBufferSize = 20971520;  // 20 MiB, the terminating zero included

// A text that a spreadsheet program would take as a formula ("=", "+", "-",
// "@" first) gets an apostrophe before it, as the admission number has.
std::string guardFormula(std::string_view text);

class CsvText {
public:
    // The field and its separator.
    void field(std::string_view text) { (text_ += text) += ','; }
    // A field of free text (names, lists): guarded against being a formula.
    void textField(std::string_view text) { field(guardFormula(text)); }
    // The admission number with its apostrophe, so leading zeros stay.
    void admissionField(std::string_view number) {
        text_ += '\'';
        field(number);
    }
    // Text without a separator (the last field of an absent student's line).
    void append(std::string_view text) { text_ += text; }
    void endLine() { text_ += "\r\n"; }

    const std::string& utf8() const { return text_; }
    // The GBK bytes, or "" with `message` set when they would not fit the
    // buffer. A character GBK has no code for (a damaged name shows U+FFFD)
    // becomes "?".
    std::string gbk(std::string& message) const;

private:
    std::string text_;
};

// Writes the bytes to the file in one piece (atomically: a failed write
// leaves an earlier file as it was). False when that failed.
bool writeCsvFile(const std::string& path, const std::string& bytes);

}  // namespace tarvel
