#include "roster/recordtext.h"

#include <cstring>

#include "base/gbk.h"

namespace tarvel {

std::string fieldTextProblem(const std::string& utf8, size_t width, const std::string& what) {
    auto length = gbkLength(utf8);
    if (!length) return what + "“" + utf8 + "”中有无法保存的字符，请修改。";
    if (*length + 1 > width) {
        return what + "“" + utf8 + "”太长，最多只能有" + std::to_string(width - 1) +
               "个字节（一个汉字占2个字节），请修改。";
    }
    return {};
}

std::string substitutionNotice(const std::string& first) {
    return first + "中有无法保存的字符（可能来自已损坏的文件），已用“?”代替保存。如有需要，请修改后再保存。";
}

void FieldWriter::gbk(uint8_t* field, size_t width, const std::string& utf8, const char* what) {
    const FieldWrite written = writeGbkField(field, width, utf8);
    if (written == FieldWrite::Fitted) return;
    if (written == FieldWrite::Substituted) {
        if (substituted_ && substituted_->empty()) *substituted_ = std::string(what) + "“" + utf8 + "”";
        return;
    }
    std::memset(field, 0, width);
    if (error_.empty()) error_ = fieldTextProblem(utf8, width, what);
}

void FieldWriter::raw(uint8_t* field, size_t width, const std::string& bytes, const char* what) {
    if (writeRawField(field, width, bytes) == FieldWrite::Fitted) return;
    std::memset(field, 0, width);
    if (error_.empty()) {
        error_ = std::string(what) + "“" + bytes + "”太长，最多只能有" + std::to_string(width - 1) + "位，请修改。";
    }
}

}  // namespace tarvel
