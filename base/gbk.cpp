#include "base/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace tarvel {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; returns false at the first invalid or
    // unconvertible sequence, leaving `consumed` at its start.
    bool run(const std::string& in, std::string& out, size_t& consumed) {
        out.clear();
        consumed = 0;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> buffer(in.size() * 4 + 16);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char* dst = buffer.data();
        size_t dstLeft = buffer.size();
        size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        out.assign(buffer.data(), dst);
        consumed = in.size() - srcLeft;
        return rc != static_cast<size_t>(-1);
    }

    // Converts the whole of `in` into `out` (`size` bytes); false when a
    // sequence is invalid or unconvertible or the result does not fit.
    bool whole(const std::string& in, uint8_t* out, size_t size, size_t& written) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char* dst = reinterpret_cast<char*>(out);
        size_t dstLeft = size;
        if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return false;
        written = size - dstLeft;
        return true;
    }

private:
    iconv_t cd_;
};

Converter& toGbk() {
    thread_local Converter c("GBK", "UTF-8");
    return c;
}
Converter& fromGbk() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

size_t fieldLength(const uint8_t* field, size_t width) {
    size_t n = 0;
    while (n < width && field[n] != 0) ++n;
    return n;
}

// Length of the UTF-8 character starting with byte b.
size_t utf8CharLength(unsigned char b) {
    if (b < 0x80) return 1;
    if ((b >> 5) == 0x6) return 2;
    if ((b >> 4) == 0xE) return 3;
    if ((b >> 3) == 0x1E) return 4;
    return 1;
}

// A byte that was not valid GBK, as readGbkField keeps it: U+FFFD, then the
// variation selector U+E0100 + (byte - 0x80) (UTF-8 F3 A0 84 80 to F3 A0 85 BF).
constexpr char kReplacement[] = "\xEF\xBF\xBD";
constexpr size_t kReplacementLength = 3;
constexpr size_t kKeptLength = kReplacementLength + 4;

std::string keptByte(uint8_t byte) {
    std::string kept = kReplacement;
    if (byte < 0x80) return kept;  // never invalid in GBK; shown, not kept
    const int offset = byte - 0x80;
    kept += "\xF3\xA0";
    kept += static_cast<char>(0x84 + (offset >> 6));
    kept += static_cast<char>(0x80 + (offset & 0x3F));
    return kept;
}

// The byte kept at `i`, if a kept byte starts there.
std::optional<uint8_t> keptByteAt(const std::string& utf8, size_t i) {
    if (utf8.compare(i, kReplacementLength, kReplacement) != 0 || utf8.size() < i + kKeptLength) return std::nullopt;
    const auto* v = reinterpret_cast<const unsigned char*>(utf8.data() + i + kReplacementLength);
    if (v[0] != 0xF3 || v[1] != 0xA0 || (v[2] != 0x84 && v[2] != 0x85) || (v[3] & 0xC0) != 0x80) return std::nullopt;
    return static_cast<uint8_t>(0x80 + ((v[2] - 0x84) << 6) + (v[3] & 0x3F));
}

// One character of a text as a field stores it.
struct FieldChar {
    std::string gbk;     // its bytes in the field
    size_t length = 1;   // its UTF-8 bytes (a kept byte: the pair)
    bool stored = true;  // false: GBK cannot store it, "?" stands in
    bool lost = false;   // a U+FFFD without its byte
};

FieldChar fieldCharAt(const std::string& utf8, size_t i) {
    FieldChar c;
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
        c.gbk.assign(1, utf8[i]);
        return c;
    }
    if (auto byte = keptByteAt(utf8, i)) {
        c.gbk.assign(1, static_cast<char>(*byte));
        c.length = kKeptLength;
        return c;
    }
    c.length = std::min(utf8CharLength(lead), utf8.size() - i);
    if (auto gbk = utf8ToGbk(utf8.substr(i, c.length))) {
        c.gbk = *gbk;
        return c;
    }
    c.gbk = "?";
    c.stored = false;
    c.lost = utf8.compare(i, kReplacementLength, kReplacement) == 0;
    return c;
}

}  // namespace

std::optional<std::string> utf8ToGbk(const std::string& utf8) {
    std::string out;
    size_t consumed = 0;
    if (!toGbk().run(utf8, out, consumed)) return std::nullopt;
    return out;
}

std::optional<std::string> gbkToUtf8(const std::string& gbk) {
    std::string out;
    size_t consumed = 0;
    if (!fromGbk().run(gbk, out, consumed)) return std::nullopt;
    return out;
}

std::optional<size_t> gbkLength(const std::string& utf8) {
    size_t bytes = 0;
    for (size_t i = 0; i < utf8.size();) {
        const FieldChar c = fieldCharAt(utf8, i);
        // A lone U+FFFD comes from a damaged file, not from a person: it is
        // saved as "?" rather than refused.
        if (!c.stored && !c.lost) return std::nullopt;
        bytes += c.gbk.size();
        i += c.length;
    }
    return bytes;
}

std::string readRawField(const uint8_t* field, size_t width) {
    return std::string(reinterpret_cast<const char*>(field), fieldLength(field, width));
}

std::string readGbkField(const uint8_t* field, size_t width) {
    std::string rest = readRawField(field, width);
    std::string result;
    while (!rest.empty()) {
        std::string part;
        size_t consumed = 0;
        bool ok = fromGbk().run(rest, part, consumed);
        result += part;
        if (ok) break;
        // Keep one undecodable byte and go on with the rest.
        result += keptByte(static_cast<uint8_t>(rest[consumed]));
        rest.erase(0, consumed + 1);
    }
    return result;
}

FieldWrite writeRawField(uint8_t* field, size_t width, const std::string& bytes) {
    if (width == 0) return bytes.empty() ? FieldWrite::Fitted : FieldWrite::Cut;
    size_t n = bytes.size() < width ? bytes.size() : width - 1;
    std::memset(field, 0, width);
    std::memcpy(field, bytes.data(), n);
    return n == bytes.size() ? FieldWrite::Fitted : FieldWrite::Cut;
}

FieldWrite writeGbkField(uint8_t* field, size_t width, const std::string& utf8) {
    std::memset(field, 0, width);
    if (width == 0) return utf8.empty() ? FieldWrite::Fitted : FieldWrite::Cut;
    // Most texts convert whole and fit: one conversion instead of one per
    // character (a save writes 10000 of them). GBK has no U+FFFD, so a text
    // with a kept byte never converts whole and takes the way below.
    size_t written = 0;
    if (toGbk().whole(utf8, field, width - 1, written)) return FieldWrite::Fitted;
    std::memset(field, 0, width);
    // Convert character by character so that a cut always falls between
    // characters and an unconvertible character is replaced where it stands.
    size_t used = 0;
    bool substituted = false;
    for (size_t i = 0; i < utf8.size();) {
        const FieldChar c = fieldCharAt(utf8, i);
        if (used + c.gbk.size() > width - 1) return FieldWrite::Cut;
        std::memcpy(field + used, c.gbk.data(), c.gbk.size());
        used += c.gbk.size();
        substituted = substituted || !c.stored;
        i += c.length;
    }
    return substituted ? FieldWrite::Substituted : FieldWrite::Fitted;
}

}  // namespace tarvel
