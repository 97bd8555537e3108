#include "grading/examsettings.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "base/floattext.h"
#include "base/gbk.h"
#include "roster/recordtext.h"

namespace tarvel {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int> parseInteger(const std::string& text) {
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i == text.size() || text.size() - i > 9) return std::nullopt;
    for (size_t k = i; k < text.size(); ++k) {
        if (!isDigit(text[k])) return std::nullopt;
    }
    return std::atoi(text.c_str());
}

// A decimal number as typed ("1", "1.5", "1."), widened to float.
std::optional<float> parseDecimal(const std::string& text) {
    size_t digits = 0, points = 0;
    for (char c : text) {
        if (isDigit(c)) {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1 || text.size() > 12) return std::nullopt;
    return static_cast<float>(std::strtod(text.c_str(), nullptr));
}

std::string notAnInteger(const std::string& text) { return "“" + text + "”不是有效的整数。"; }
std::string notADecimal(const std::string& text) { return "“" + text + "”不是有效的数值。"; }

ExamPageCheck fail(std::string message, ExamFocus focus) {
    ExamPageCheck c;
    c.ok = false;
    c.message = std::move(message);
    c.focus = focus;
    return c;
}

// "Select (c, r)": the cell becomes current, the grid takes the focus and the
// cell is opened for editing.
ExamPageCheck select(std::string message, ExamFocus grid, int column, int row) {
    ExamPageCheck c = fail(std::move(message), grid);
    c.column = column;
    c.row = row;
    c.startEditing = true;
    return c;
}

bool letterIn(char c, std::string_view text) { return text.find(c) != std::string_view::npos; }

}  // namespace

QuestionList ParseQuestionList(const std::string& text, size_t limit) {
    QuestionList list;
    if (text.empty()) return list;
    auto add = [&](int q) {
        if (list.numbers.size() >= limit) {
            list.error = "多选题特殊规则设置里一条规则最多只能包含" + std::to_string(limit) +
                         "个题号，请分成几条规则。";
            return false;
        }
        list.numbers.push_back(q);
        return true;
    };
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (part.empty()) {
            list.error = "多选题特殊规则设置里的题号“" + text + "”中有空项，请检查逗号。";
            return list;
        }
        std::vector<std::string> ends;
        size_t dash = part.find('-');
        if (dash == std::string::npos) {
            ends = {part};
        } else {
            ends = {part.substr(0, dash), part.substr(dash + 1)};
        }
        std::vector<int> values;
        for (const std::string& end : ends) {
            auto value = parseInteger(end);
            if (!value) {
                list.error = notAnInteger(end);
                return list;
            }
            values.push_back(*value);
        }
        for (long q = values.front(); q <= values.back(); ++q) {
            if (!add(int(q))) return list;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return list;
}

QuestionScore ScoreQuestion(const QuestionRule& rule, std::string_view student, std::string_view standard) {
    if (student == standard || standard.empty()) return {rule.fullScore, kOutcomeFull};
    if (rule.kind != kMultipleChoice) return {0.0f, kOutcomeWrong};
    bool onlyCorrect = std::all_of(student.begin(), student.end(), [&](char c) { return letterIn(c, standard); });
    if (onlyCorrect) {
        if (student.empty()) return {0.0f, kOutcomeWrong};
        float score = rule.partialMode == kPartialPerOption ? float(student.size()) * rule.partialValue
                                                            : rule.partialValue;
        return {score, kOutcomeMissing};
    }
    bool allCorrectChosen =
        std::all_of(standard.begin(), standard.end(), [&](char c) { return letterIn(c, student); });
    return {0.0f, allCorrectChosen ? kOutcomeExtra : kOutcomeWrong};
}

QuestionScore ScoreQuestion(const ExamSettings& settings, int q, std::string_view student,
                            std::string_view standard) {
    return ScoreQuestion(settings.question(q), student, standard);
}

namespace {

// The checks of ValidateExamPage in order, filling `settings`, which starts
// as a fresh value.
ExamPageCheck parseExamPage(const ExamPage& page, const CardTemplate& layout, ExamSettings& settings) {
    using F = ExamFocus;
    if (page.examName.empty()) return fail("本次考试名称不能为空。", F::ExamName);
    std::string tooLong = fieldTextProblem(page.examName, kExamNameWidth, "考试名称");
    if (!tooLong.empty()) return fail(tooLong, F::ExamName);
    const int subjects = std::clamp(layout.subjectCount, 0, kMaxSubjects);
    if (page.subjectIndex < 0 || page.subjectIndex >= subjects) return fail("请选择科目。", F::Subject);
    if (page.subjectiveIndex < 0) return fail("请选择主观分选项。", F::SubjectiveOption);
    if (page.sections.empty()) {
        ExamPageCheck c = fail("题分设置里至少要设置一项", F::SectionGrid);
        c.addSectionRow = true;
        return c;
    }
    if (page.sections.size() > size_t(kMaxSections)) {
        return select("题分设置里最多只能设置" + std::to_string(kMaxSections) + "个大题，请删除多余的行。",
                      F::SectionGrid, 1, kMaxSections + 1);
    }
    if (page.sections[0].first == "0") return select("起始题号不能为0", F::SectionGrid, 1, 1);

    // Scoring runs over questions 1 to the count, so the table can hold no
    // more than the layout prints and the record holds.
    const int questionLimit = std::clamp(layout.questionCount, 0, kMaxExamQuestions);
    std::vector<ScoreSection> sections;
    for (size_t i = 0; i < page.sections.size(); ++i) {
        const SectionRow& row = page.sections[i];
        const int r = int(i) + 1;
        const std::string* cells[4] = {&row.first, &row.last, &row.score, &row.kind};
        for (int c = 0; c < 4; ++c) {
            if (cells[c]->empty()) {
                ExamPageCheck check = fail("不能有空项。", F::SectionGrid);
                check.column = c + 1;
                check.row = r;
                check.startEditing = c < 3;
                return check;
            }
        }
        auto first = parseInteger(row.first);
        if (!first) return select(notAnInteger(row.first), F::SectionGrid, 1, r);
        auto last = parseInteger(row.last);
        if (!last) return select(notAnInteger(row.last), F::SectionGrid, 2, r);
        if (*first > *last) return select("题分设置里起始题号不能大于终止题号。", F::SectionGrid, 1, r);
        if (r == 1 && *first != 1) return select("第一大题的起始题号必须为1。", F::SectionGrid, 1, 1);
        if (*last > questionLimit) return select("终止题号不能大于总题目数。", F::SectionGrid, 2, r);
        if (r > 1) {
            int p = sections.back().last;
            if (p >= *first) return select("题分设置中，大题之间题号不能交叉重复设置！", F::SectionGrid, 1, r);
            if (p + 1 < *first) return select("题分设置中，大题之间题号不连续！", F::SectionGrid, 1, r);
        }
        auto score = parseDecimal(row.score);
        if (!score) return select(notADecimal(row.score), F::SectionGrid, 3, r);
        if (*score > kMaxQuestionScore) return select("每小题分数不能超过10分", F::SectionGrid, 3, r);
        if (row.kind != kSingleChoiceText && row.kind != kMultipleChoiceText) {
            ExamPageCheck check = fail("“" + row.kind + "”不是有效的题型，请选择单选题或多选题。", F::SectionGrid);
            check.column = 4;
            check.row = r;
            return check;
        }
        sections.push_back({*first, *last, *score, row.kind == kMultipleChoiceText ? kMultipleChoice : kSingleChoice});
    }

    if (page.rules.size() > size_t(kMaxRules)) {
        return select("多选题特殊规则最多只能设置" + std::to_string(kMaxRules) + "条，请删除多余的行。",
                      F::RuleGrid, 1, kMaxRules + 1);
    }
    for (size_t i = 0; i < page.rules.size(); ++i) {
        const RuleRow& row = page.rules[i];
        const int r = int(i) + 1;
        if (row.questions.empty()) return select("多选题特殊规则设置里不能为空。", F::RuleGrid, 1, r);
        if (row.partial.empty()) return select("多选题特殊规则设置里不能为空。", F::RuleGrid, 2, r);
        if (row.questions.size() > kRuleListWidth - 1) {
            return select("多选题特殊规则设置里的题号最多只能填" + std::to_string(kRuleListWidth - 1) +
                              "个字符，请分成几条规则。",
                          F::RuleGrid, 1, r);
        }
        if (row.partial.size() > kRulePartialWidth - 1) {
            return select("多选题特殊规则设置里的少选分最多只能填" + std::to_string(kRulePartialWidth - 1) +
                              "个字符（如“0.5/”）。",
                          F::RuleGrid, 2, r);
        }
    }

    // The settings from the page.
    settings.cardName = page.cardName;
    settings.examName = page.examName;
    settings.subjectCode = layout.subjects[page.subjectIndex].code;
    settings.subjectName = layout.subjects[page.subjectIndex].name;
    settings.hasSubjectiveScore = page.subjectiveIndex != 0;
    std::copy(sections.begin(), sections.end(), settings.sections.begin());
    settings.sectionCount = int32_t(sections.size());
    for (size_t i = 0; i < page.rules.size(); ++i) {
        settings.rules[i] = {page.rules[i].questions, page.rules[i].partial};
    }
    settings.ruleCount = int32_t(page.rules.size());

    for (const ScoreSection& s : sections) {
        for (int q = s.first; q <= s.last; ++q) {
            settings.questions[q - 1] = {s.score, s.kind, 0.0f, kPartialFixed};
            ++settings.questionCount;
        }
    }

    for (size_t i = 0; i < page.rules.size(); ++i) {
        const RuleRow& row = page.rules[i];
        const int r = int(i) + 1;
        QuestionList list = ParseQuestionList(row.questions);
        if (!list.error.empty()) return select(list.error, F::RuleGrid, 1, r);
        for (int q : list.numbers) {
            if (q < 1) return select("多选题特殊规则设置里的题号不能为0或负数！", F::RuleGrid, 1, r);
            if (q > settings.questionCount) {
                return select("多选题特殊规则设置里有题号超出总题数！", F::RuleGrid, 1, r);
            }
            QuestionRule& entry = settings.questions[q - 1];
            if (entry.kind == kSingleChoice) {
                return select("多选题特殊规则设置里不能填入单选题题号。", F::RuleGrid, 1, r);
            }
            std::string text = row.partial;
            int mode = kPartialFixed;
            if (text.find('/') != std::string::npos) {
                mode = kPartialPerOption;
                text.pop_back();
            }
            auto value = parseDecimal(text);
            if (!value) return select(notADecimal(text), F::RuleGrid, 2, r);
            if (*value >= entry.fullScore) {
                return select("多选题特殊规则设置里少选分不能大于等于该题题分，请检查！", F::RuleGrid, 2, r);
            }
            entry.partialValue = *value;
            entry.partialMode = mode;
        }
    }
    return {};
}

}  // namespace

ExamPageCheck ValidateExamPage(const ExamPage& page, const CardTemplate& layout, ExamSettings& settings) {
    ExamSettings parsed;
    ExamPageCheck check = parseExamPage(page, layout, parsed);
    // A page refused late (a partial-credit rule) must not leave the settings
    // half rebuilt: the run keeps scoring with the ones last accepted.
    if (check.ok) settings = std::move(parsed);
    return check;
}

ExamPage FillExamPage(const ExamSettings& settings, const CardTemplate& layout) {
    ExamPage page;
    page.cardName = settings.cardName;
    page.examName = settings.examName;
    const int subjects = std::clamp(layout.subjectCount, 0, kMaxSubjects);
    for (int i = 0; i < subjects; ++i) {
        if (layout.subjects[i].code == settings.subjectCode) {
            page.subjectIndex = i;
            break;
        }
    }
    page.subjectiveIndex = settings.hasSubjectiveScore ? 1 : 0;
    for (int i = 0; i < std::clamp(settings.sectionCount, 0, kMaxSections); ++i) {
        const ScoreSection& s = settings.sections[i];
        page.sections.push_back({std::to_string(s.first), std::to_string(s.last), floatToText(s.score),
                                 s.kind == kMultipleChoice ? kMultipleChoiceText : kSingleChoiceText});
    }
    for (int i = 0; i < std::clamp(settings.ruleCount, 0, kMaxRules); ++i) {
        page.rules.push_back({settings.rules[i].questionList, settings.rules[i].partialScore});
    }
    return page;
}

bool AddSectionRow(std::vector<SectionRow>& rows, std::string& message) {
    message.clear();
    if (rows.size() >= size_t(kMaxSections)) {
        message = "题分设置里最多只能设置" + std::to_string(kMaxSections) + "个大题。";
        return false;
    }
    SectionRow row;
    if (rows.empty()) {
        row.first = "1";
    } else {
        auto previousLast = parseInteger(rows.back().last);
        if (!previousLast) return false;
        row.first = std::to_string(*previousLast + 1);
    }
    rows.push_back(row);
    return true;
}

bool AddRuleRow(std::vector<RuleRow>& rows, std::string& message) {
    message.clear();
    if (rows.size() >= size_t(kMaxRules)) {
        message = "多选题特殊规则最多只能设置" + std::to_string(kMaxRules) + "条。";
        return false;
    }
    rows.emplace_back();
    return true;
}

bool AcceptSectionKey(int column, const std::string& cellText, char key) {
    if (key == '\b') return true;
    if (column == 1 || column == 2) return isDigit(key);
    if (column != 3) return false;
    if (cellText.size() >= 3) return false;
    if (key == '.') return cellText.size() == 1 && cellText.find('.') == std::string::npos;
    return isDigit(key);
}

bool AcceptRuleKey(int column, const std::string& cellText, char key) {
    if (key == '\b') return true;
    if (column == 1) return isDigit(key) || key == ',' || key == '-';
    if (column != 2) return false;
    if (cellText.size() >= 4) return false;
    if (key == '.') return cellText.size() == 1 && cellText.find('.') == std::string::npos;
    if (key == '/') return cellText.find('/') == std::string::npos;
    return isDigit(key);
}

}  // namespace tarvel
