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

// Byte length of a UTF-8 text once encoded as GBK; std::nullopt if it cannot be.
std::optional<size_t> gbkLength(const std::string& utf8);

// Reads a NUL-terminated GBK field of `width` bytes (reading stops at the first
// NUL or at the field end) and returns it as UTF-8. Bytes that are not valid GBK
// become U+FFFD so that a damaged file still shows something.
std::string readGbkField(const uint8_t* field, size_t width);

// Raw bytes of a NUL-terminated field (codes and numbers compare byte-wise).
std::string readRawField(const uint8_t* field, size_t width);

enum class FieldWrite { Fitted, Cut, Invalid };

// Writes UTF-8 text as GBK into a field of `width` bytes: the text, a NUL and
// zeros up to the end. A text longer than width - 1 bytes is cut at a character
// boundary (never in the middle of a two-byte character) and Cut is returned.
// Invalid means the text holds a character GBK cannot store; the field then
// holds the convertible prefix.
FieldWrite writeGbkField(uint8_t* field, size_t width, const std::string& utf8);

// Same for raw bytes (ASCII codes); cuts at width - 1 bytes.
FieldWrite writeRawField(uint8_t* field, size_t width, const std::string& bytes);

}  // namespace tarvel
