#include "output/csvtext.h"

#include <vector>

#include "base/gbk.h"
#include "base/savefile.h"

namespace tarvel {
namespace {

// Character by character, for the rare text with characters GBK cannot hold.
std::string gbkWithQuestionMarks(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = 1;
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0xF0) n = 4;
        else if (b >= 0xE0) n = 3;
        else if (b >= 0xC0) n = 2;
        auto converted = utf8ToGbk(utf8.substr(i, n));
        out += converted ? *converted : "?";
        i += n;
    }
    return out;
}

}  // namespace

std::string guardFormula(std::string_view text) {
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) {
        return "'" + std::string(text);
    }
    return std::string(text);
}

std::string CsvText::gbk(std::string& message) const {
    auto converted = utf8ToGbk(text_);
    std::string bytes = converted ? std::move(*converted) : gbkWithQuestionMarks(text_);
    if (bytes.size() >= kCsvBufferSize) {
        message = "输出内容有" + std::to_string(bytes.size()) + "字节，超过了CSV文件的上限" +
                  std::to_string(kCsvBufferSize - 1) + "字节，没有输出。请减少输出项，或按班级分别输出。";
        return {};
    }
    return bytes;
}

bool writeCsvFile(const std::string& path, const std::string& bytes) {
    std::string error;
    return saveFileAtomically(path, std::vector<uint8_t>(bytes.begin(), bytes.end()), error);
}

}  // namespace tarvel
