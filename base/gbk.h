#pragma once
// Text conversion between the GBK bytes stored in files and the UTF-8 used in
// memory, including the fixed-width NUL-terminated fields of every record.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tarvel {

// Whole-text conversions. std::nullopt when the input is not valid in its
// source encoding or a character has no counterpart in the target.
std::optional<std::string> utf8ToGbk(const std::string& utf8);
std::optional<std::string> gbkToUtf8(const std::string& gbk);

// Bytes a UTF-8 text takes in a GBK field (see writeGbkField: a kept byte and
// a lone U+FFFD take one); std::nullopt when it holds a character that GBK
// cannot store, such as an emoji typed by a person.
std::optional<size_t> gbkLength(const std::string& utf8);

// Reads a NUL-terminated GBK field of `width` bytes (reading stops at the first
// NUL or at the field end) and returns it as UTF-8. A byte that is not valid
// GBK (a damaged or foreign file) is kept: it becomes U+FFFD, so that the
// text shows "�" where it stands, followed by the invisible variation
// selector U+E0100 + (byte - 0x80) that remembers the byte. Writing the text
// back restores the byte, so a field nobody changed is saved as it was read.
std::string readGbkField(const uint8_t* field, size_t width);

// Raw bytes of a NUL-terminated field (codes and numbers compare byte-wise).
std::string readRawField(const uint8_t* field, size_t width);

enum class FieldWrite { Fitted, Substituted, Cut };

// Writes UTF-8 text as GBK into a field of `width` bytes: the text, a NUL and
// zeros up to the end. Kept bytes (see readGbkField) are written as they were
// read. A character GBK cannot store (a U+FFFD that lost its byte, say, when
// the text was edited) is written as "?" and Substituted is returned: a save
// never fails over a character. A text longer than width - 1 bytes is cut at
// a character boundary (never in the middle of a two-byte character) and Cut
// is returned.
FieldWrite writeGbkField(uint8_t* field, size_t width, const std::string& utf8);

// Same for raw bytes (ASCII codes); cuts at width - 1 bytes.
FieldWrite writeRawField(uint8_t* field, size_t width, const std::string& bytes);

}  // namespace tarvel
