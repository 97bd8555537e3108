#pragma once
// Text fields of the fixed-size records: GBK in the file, UTF-8 in memory.
// A text that does not fit is refused with a message naming it; nothing is
// ever cut. A character GBK cannot store never stops a save: it is saved as
// "?" and the save says so once.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvel {

// Why `utf8` cannot be stored in a field of `width` bytes (the terminator
// included), or "" when it can. `what` names the field for the user ("姓名").
std::string fieldTextProblem(const std::string& utf8, size_t width, const std::string& what);

// The notice a save shows once when it had to store "?" for characters GBK
// cannot hold; `first` names the first such text (as FieldWriter notes it).
std::string substitutionNotice(const std::string& first);

// Writes fields one after another and remembers the first refusal; the
// refused field is left zero-filled. A text written with "?" is no refusal:
// it is noted in `substituted` (when given and still empty) as what“text”.
class FieldWriter {
public:
    explicit FieldWriter(std::string* substituted = nullptr) : substituted_(substituted) {}
    void gbk(uint8_t* field, size_t width, const std::string& utf8, const char* what);
    void raw(uint8_t* field, size_t width, const std::string& bytes, const char* what);
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

private:
    std::string error_;
    std::string* substituted_;
};

}  // namespace tarvel
