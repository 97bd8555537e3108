#include "corpus.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "recognition/picturescale.h"

namespace tarvel::corpus {
namespace {

// A reader for the flat objects of truth.jsonl: strings, integers, null and
// arrays of strings or integers.
class JsonLine {
public:
    explicit JsonLine(const std::string& text) : s_(text) {}

    bool object(Truth& t, std::string& message) {
        if (!take('{')) return fail(message, "缺少“{”");
        if (take('}')) return true;
        do {
            std::string key;
            if (!string(key) || !take(':')) return fail(message, "键无效");
            if (!value(key, t)) return fail(message, "“" + key + "”的值无效");
        } while (take(','));
        if (!take('}')) return fail(message, "缺少“}”");
        skipSpace();
        return pos_ == s_.size() || fail(message, "对象后有多余内容");
    }

private:
    bool value(const std::string& key, Truth& t) {
        if (key == "file") return string(t.file);
        if (key == "layout") return string(t.layout);
        if (key == "code") return integer(t.code);
        if (key == "abFlag") return integer(t.abFlag);
        if (key == "admission") return string(t.admission);
        if (key == "subject") return string(t.subject);
        if (key == "score") {
            if (null()) return !(t.hasScore = false);
            t.hasScore = true;
            return string(t.score);
        }
        if (key == "answers") return array(t.answers);
        if (key == "multiple") return array(t.multiple);
        if (key == "ends") return array(t.ends);
        return skipValue();
    }

    void skipSpace() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
    }
    bool take(char c) {
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool null() {
        skipSpace();
        if (s_.compare(pos_, 4, "null") != 0) return false;
        pos_ += 4;
        return true;
    }
    bool string(std::string& out) {
        out.clear();
        if (!take('"')) return false;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) return false;
            const char e = s_[pos_++];
            if (e == 'u') {
                if (pos_ + 4 > s_.size()) return false;
                const long code = std::strtol(s_.substr(pos_, 4).c_str(), nullptr, 16);
                pos_ += 4;
                if (code >= 0x80) return false;  // the corpora escape only control characters
                out += static_cast<char>(code);
            } else {
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
        }
        return false;
    }
    bool integer(int& out) {
        skipSpace();
        const size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
        if (pos_ == start || pos_ - start > 9) return false;
        out = std::atoi(s_.substr(start, pos_ - start).c_str());
        return true;
    }
    bool number(double& out) {
        skipSpace();
        const char* begin = s_.c_str() + pos_;
        char* end = nullptr;
        out = std::strtod(begin, &end);
        if (end == begin) return false;
        pos_ += static_cast<size_t>(end - begin);
        return true;
    }
    template <typename T>
    bool array(std::vector<T>& out) {
        out.clear();
        if (!take('[')) return false;
        if (take(']')) return true;
        do {
            T item{};
            if constexpr (std::is_same_v<T, int>) {
                if (!integer(item)) return false;
            } else if constexpr (std::is_same_v<T, double>) {
                if (!number(item)) return false;
            } else {
                if (!string(item)) return false;
            }
            out.push_back(item);
        } while (take(','));
        return take(']');
    }
    bool skipValue() {
        std::string ignored;
        double number;
        std::vector<std::string> strings;
        std::vector<double> numbers;
        const size_t at = pos_;
        if (null() || string(ignored)) return true;
        pos_ = at;
        if (this->number(number)) return true;
        pos_ = at;
        if (array(strings)) return true;
        pos_ = at;
        return array(numbers);
    }
    bool fail(std::string& message, const std::string& what) {
        message = what + "（第" + std::to_string(pos_ + 1) + "个字符）";
        return false;
    }

    const std::string& s_;
    size_t pos_ = 0;
};

std::string field(const std::string& name, const std::string& want, const std::string& got) {
    return name + " \"" + want + "\" 读作 \"" + got + "\"";
}

}  // namespace

bool parseTruthLine(const std::string& line, Truth& out, std::string& message) {
    out = Truth{};
    return JsonLine(line).object(out, message);
}

bool readTruthFile(const std::string& folder, std::vector<Truth>& out, std::string& message) {
    std::ifstream in(folder + "/truth.jsonl");
    if (!in) {
        message = "无法打开 " + folder + "/truth.jsonl";
        return false;
    }
    out.clear();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        Truth t;
        if (!parseTruthLine(line, t, message)) {
            message = folder + "/truth.jsonl 第" + std::to_string(number) + "行：" + message;
            return false;
        }
        out.push_back(std::move(t));
    }
    return true;
}

const CardTemplate* CorpusReader::layout(const std::string& folder, const std::string& name, std::string& message) {
    // A set that brings its own layouts keeps them beside its frames.
    std::string path = folder + "/" + name;
    if (!std::ifstream(path)) path = layoutFolder_ + "/" + name;
    auto found = layouts_.find(path);
    if (found != layouts_.end()) return &found->second;
    CardTemplate t;
    if (!readTemplateFile(path, name, t, message)) return nullptr;
    return &layouts_.emplace(path, t).first->second;
}

double lowerLineLength(const Truth& truth) {
    if (truth.ends.size() != 8) return 0;
    return std::hypot(truth.ends[2] - truth.ends[0], truth.ends[3] - truth.ends[1]);
}

bool CorpusReader::readFrame(const std::string& folder, const Truth& truth, FrameResult& out, std::string& message,
                             ReadMethod method) {
    out = FrameResult{};
    out.truth = truth;
    const CardTemplate* t = layout(folder, truth.layout, message);
    if (!t) return false;
    // Camera frames, photos and scans alike, as the tools read them.
    PictureFile file;
    StillPicture picture;
    if (!file.open(folder + "/" + truth.file, message) || !file.picture(0, picture, message)) return false;
    images_.create(3);
    const CardFamily family = familyOf(truth.layout);
    LocationResult result;
    CardLocator& locator = method == ReadMethod::Mended ? mended_ : written_;
    const std::optional<ReadResult> code = ReadStillPicture(picture, images_, *t, family, result, locator);
    if (!code) {
        message = unreadablePictureMessage(truth.file);
        return false;
    }
    out.code = codeOf(*code);
    out.details = locator.details();
    if (out.code == codeOf(ReadResult::Ok)) {
        ScriptedPrompter prompter;
        ReadOptions options;
        options.method = method;
        options.admissionLength = static_cast<int>(truth.admission.size());
        options.questionCount = static_cast<int>(truth.answers.size());
        for (int q : truth.multiple) {
            if (q >= 1 && q <= kMaxQuestions) options.multiple[q - 1] = true;
        }
        ReadLocatedCard(*t, family, result, images_, prompter, options, out.reading);
    }
    judge(out);
    return true;
}

void judge(FrameResult& r) {
    const Truth& t = r.truth;
    r.difference.clear();
    if (r.code != codeOf(ReadResult::Ok)) {
        // Codes 1 and 2 are one refusal to the user: "未获得正确的检测线". A
        // card of another layout must be refused, whatever the refusal says:
        // its lines may fit no pair, its field of view may lie outside.
        auto same = [](int got, int want) {
            const bool noLines = got == codeOf(ReadResult::TooFewLines) || got == codeOf(ReadResult::NoFittingPair);
            return got == want || (noLines && want <= 2 && want > 0) || want == codeOf(ReadResult::WrongLayout);
        };
        if (t.code == 0) {
            r.verdict = Verdict::Refused;
        } else {
            r.verdict = same(r.code, t.code) ? Verdict::Right : Verdict::WronglyRefused;
        }
        if (!same(r.code, t.code)) r.difference = "代码 " + std::to_string(t.code) + " 得到 " + std::to_string(r.code);
        return;
    }
    const CardReading& got = r.reading.reading;
    std::string diff;
    auto add = [&](const std::string& d) { diff += (diff.empty() ? "" : "；") + d; };
    if (t.code != 0) add("应拒绝（代码 " + std::to_string(t.code) + "）却读出");
    if (got.abFlag != t.abFlag) add(field("AB", std::to_string(t.abFlag), std::to_string(got.abFlag)));
    if (got.admissionNumber != t.admission) add(field("准考证号", t.admission, got.admissionNumber));
    if (got.subjectCode != t.subject) add(field("科目", t.subject, got.subjectCode));
    if (t.hasScore && r.reading.scoreText != t.score) add(field("主观分", t.score, r.reading.scoreText));
    for (size_t q = 0; q < t.answers.size() && q < got.answers.size(); ++q) {
        if (got.answers[q] != t.answers[q]) add(field("第" + std::to_string(q + 1) + "题", t.answers[q], got.answers[q]));
    }
    r.difference = diff;
    r.verdict = diff.empty() ? Verdict::Right : Verdict::SilentError;
}

}  // namespace tarvel::corpus
