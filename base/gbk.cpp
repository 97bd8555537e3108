#include "base/gbk.h"

#include <iconv.h>

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
    auto gbk = utf8ToGbk(utf8);
    if (!gbk) return std::nullopt;
    return gbk->size();
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
        // Replace one undecodable byte and go on with the rest.
        result += "\xEF\xBF\xBD";
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
    // Convert character by character so that a cut always falls between
    // characters and an unconvertible character is noticed where it stands.
    size_t used = 0;
    for (size_t i = 0; i < utf8.size();) {
        size_t len = utf8CharLength(static_cast<unsigned char>(utf8[i]));
        auto gbk = utf8ToGbk(utf8.substr(i, len));
        if (!gbk) return FieldWrite::Invalid;
        if (used + gbk->size() > width - 1) return FieldWrite::Cut;
        std::memcpy(field + used, gbk->data(), gbk->size());
        used += gbk->size();
        i += len;
    }
    return FieldWrite::Fitted;
}

}  // namespace tarvel
