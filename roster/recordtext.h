#pragma once
// Text fields of the fixed-size records: GBK in the file, UTF-8 in memory.
// A text that does not fit is refused with a message naming it; nothing is
// ever cut.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvel {

// Why `utf8` cannot be stored in a field of `width` bytes (the terminator
// included), or "" when it can. `what` names the field for the user ("姓名").
std::string fieldTextProblem(const std::string& utf8, size_t width, const std::string& what);

// Writes fields one after another and remembers the first refusal; the
// refused field is left zero-filled.
class FieldWriter {
public:
    void gbk(uint8_t* field, size_t width, const std::string& utf8, const char* what);
    void raw(uint8_t* field, size_t width, const std::string& bytes, const char* what);
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

private:
    std::string error_;
};

}  // namespace tarvel
