#include "grading/judgement.h"

#include <algorithm>

#include "base/floattext.h"
#include "base/gbk.h"
#include "grading/scoring.h"
#include "roster/rostermodel.h"

namespace tarvel {

void MarkReaderMarks::prepare(CardReading& reading) {
    reader_.PrepareCardGeometry(reading);
    reader_.BinarizeReadingAreas();
}

void MarkReaderMarks::readAdmissionNumber(CardReading& reading, int admissionLength) {
    reader_.ReadAdmissionNumber(reading, admissionLength);
}

void MarkReaderMarks::readSubjectCode(CardReading& reading) { reader_.ReadSubjectCode(reading); }

bool MarkReaderMarks::readSubjectiveScore(CardReading& reading) { return reader_.ReadSubjectiveScore(reading); }

void MarkReaderMarks::readAnswers(CardReading& reading, int questionCount,
                                  const std::array<bool, kMaxQuestions>& multiple) {
    reader_.ReadAnswers(reading, questionCount, multiple);
}

namespace {

static_assert(kMaxQuestions == kMaxExamQuestions, "a card reading and a record hold the same questions");

constexpr const char* kWrongGroupAdvice =
    "\r\n　　如果是准考证号读取有误请移动答题卡重新判断；"
    "\r\n　　如果是准考证号读取无误,建议把此答题卡先放一边，最后再来核对处理";

bool allSpaces(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

size_t gbkBytes(const std::string& text) { return gbkLength(text).value_or(text.size()); }

// The differing answers of a repeated read, as the memo lists them (one per
// line) and as the confirmation lists them (15-byte columns, 75-byte lines).
struct Differences {
    int count = 0;
    std::string longList;
    std::string shortList;
    size_t shortBytes = 0;

    void add(int q, const std::string& before, const std::string& now) {
        ++count;
        std::string item = std::to_string(q) + " " + before + "->" + now;
        longList += item + "\r\n";
        shortList += item;
        shortBytes += gbkBytes(item);
        while (shortBytes % 15 != 0) {
            shortList += ' ';
            ++shortBytes;
        }
        if (shortBytes % 75 == 0) {
            shortList += "\r\n";
            shortBytes += 2;
        }
    }

    std::string hint() const {
        return "该答题卡这次阅卷结果和上次不同，不同的题如下：\r\n" + longList +
               "请移动这张答题卡，多阅卷几次，直到几次都得到相同结果为止。\r\n"
               "如果频繁出现两次阅卷结果不同的情况，请检查是否是光线有问题,检查是否有光线太亮或灯光上方直射等情况。";
    }
};

std::string confirmationText(const GradingRecord& card, int readCount, const Differences& d) {
    const std::string& name = card.name;
    return "准考证号：" + card.admissionNumber + " 姓名：" + name + "。这是此答题卡第" + std::to_string(readCount) +
           "次读入，发现不相同的答题很多，如下：\r\n \r\n" + d.shortList + "\r\n" +
           "本软件认为有可能是学生准卡证号涂错了造成的，请仔细检查当前答题卡上填写的姓名是否是 " + name +
           "，如果不是请按 取消 按钮，" + "然后先把当前答题卡放一边，等最后再将此答题卡的准卡证号修改正确后再读入；" +
           "如果当前答题卡上填写的姓名是 " + name + "，请按 确定 按钮，然后稍微移动答题卡位置多读一次，" +
           "防止光线等原因造成误读。确定要覆盖上一次的阅卷记录吗？";
}

void warnEmptyStandardAnswers(const GradingRecord& standard, int questionCount, Prompter& prompter) {
    std::string numbers;
    for (int q = 1; q <= questionCount; ++q) {
        if (!standard.answer(q).empty()) continue;
        if (!numbers.empty()) numbers += "、";
        numbers += std::to_string(q);
    }
    if (numbers.empty()) return;
    prompter.message("标准答案中，第" + numbers + "题答案为空，请仔细检查是否确实将以上题作为错题处理。" +
                     "如果不是错题，请检查是否漏涂或涂写太淡，如果涂写无误，请移动答题卡重新判断。");
}

// Reads the answers of the exam's questions, multiple-choice ones by their
// kind; returns the question count.
int readExamAnswers(CardMarks& marks, const ExamSettings& settings, CardReading& reading) {
    const int questionCount = std::clamp(settings.questionCount, 0, kMaxExamQuestions);
    std::array<bool, kMaxQuestions> multiple{};
    for (int q = 1; q <= questionCount; ++q) multiple[q - 1] = settings.question(q).kind == kMultipleChoice;
    marks.readAnswers(reading, questionCount, multiple);
    return questionCount;
}

// The rest of a card whose number is not on the roster, read in the order
// the judgement reads an accepted card.
UnknownCard readUnknownCard(CardMarks& marks, const ExamSettings& settings, CardReading reading,
                            std::vector<StudentSuggestion> suggestions) {
    UnknownCard card;
    marks.readSubjectCode(reading);
    if (settings.hasSubjectiveScore) card.subjectiveScoreRead = marks.readSubjectiveScore(reading);
    readExamAnswers(marks, settings, reading);
    card.reading = std::move(reading);
    card.suggestions = std::move(suggestions);
    return card;
}

// Hands the judgement a card read earlier.
class ReadCard : public CardMarks {
public:
    explicit ReadCard(const UnknownCard& card) : card_(card) {}
    void prepare(CardReading& r) override { r.abFlag = card_.reading.abFlag; }
    void readAdmissionNumber(CardReading& r, int) override { r.admissionNumber = card_.reading.admissionNumber; }
    void readSubjectCode(CardReading& r) override { r.subjectCode = card_.reading.subjectCode; }
    bool readSubjectiveScore(CardReading& r) override {
        r.subjectiveScore = card_.reading.subjectiveScore;
        return card_.subjectiveScoreRead;
    }
    void readAnswers(CardReading& r, int, const std::array<bool, kMaxQuestions>&) override {
        r.answers = card_.reading.answers;
    }

private:
    const UnknownCard& card_;
};

// The judgement; `assigned` is the student a card is given to by hand, in
// place of the one its number names.
Judgement judge(CardMarks& marks, const JudgeContext& c, GradingRecords& records, std::string& lastAdmissionNumber,
                const StudentEntry* assigned) {
    Judgement j;
    auto reject = [&](std::string hint, const char* prompt) {
        j.hint = std::move(hint);
        j.prompt = prompt;
        return j;
    };

    // 1-3: geometry, admission number, the student.
    CardReading reading;
    GradingRecord card;
    marks.prepare(reading);
    card.paperType = reading.abFlag;
    const int admissionLength = std::clamp(c.roster.admissionLength, 0, kMaxAdmissionDigits);
    marks.readAdmissionNumber(reading, admissionLength);
    const std::string number =
        assigned ? assigned->admissionNumber : reading.admissionNumber.substr(0, size_t(admissionLength));
    card.admissionNumber = number;
    card.handAssigned = assigned != nullptr;
    const StudentEntry* student = assigned ? assigned : findStudent(c.roster, number);
    if (student) {
        card.name = student->name;
        card.gradeCode = student->gradeCode;
        card.classCode = student->classCode;
        card.gradeName = gradeNameOf(c.roster, student->gradeCode);
    }

    // 4-6: standard answer, roster, grade and class.
    if (records.empty()) {
        if (!allSpaces(number)) {
            return reject(
                "　　标准答案答题卡准考证号必须全空。\r\n　　如果需要使用成绩最好的学生的答题卡做标准答案"
                "（读入后可以核对修改个别错误的答案），可以先将其答题卡准考证号先用橡皮擦擦除，"
                "作为标准答案输入后再涂回原来的准考证号。",
                "标准答案答题卡准考证号必须全空");
        }
    } else if (number != records[0].admissionNumber) {
        if (!student) {
            std::string hint = "准考证号：" + number +
                               "，学生名单中没有此学生,请检查是否填写错误,如果没有填写错误请移动一下答题卡重新读入。";
            std::vector<StudentSuggestion> suggestions = suggestStudents(c.roster, c.choice, number);
            if (!suggestions.empty()) {
                hint += "\r\n" + suggestionText(suggestions);
                j.unknownCard = readUnknownCard(marks, c.settings, std::move(reading), std::move(suggestions));
            }
            return reject(std::move(hint), "学生名单中没有此学生");
        }
        // With no grade chosen there is nothing the card can belong to.
        if (c.roster.gradesEnabled && (!c.choice.gradeChosen || student->gradeCode != c.choice.gradeCode)) {
            return reject("准考证号：" + number + "不属于当前选定的年级！" + kWrongGroupAdvice, "不属于当前年级");
        }
        if (c.roster.classesEnabled && c.choice.classIndex >= 1 && student->classCode != c.choice.classText) {
            return reject("准考证号：" + number + "不属于当前选定的班级！" + kWrongGroupAdvice, kOtherClassPrompt);
        }
    } else if (records.size() > 1) {
        return reject("准考证号漏填（如果是想修改标准答案，请直接在列表中修改）", "准考证号漏填");
    }

    // 7-9: subject, subjective score, answers.
    marks.readSubjectCode(reading);
    if (reading.subjectCode != c.settings.subjectCode) {
        return reject("科目有误请检查，如果填写无误，请移动一下答题卡重新判断。如果确实有误，请修改。", "科目有误");
    }
    if (c.settings.hasSubjectiveScore) {
        if (!marks.readSubjectiveScore(reading)) {
            return reject("主观分读取失败，如果填写无误，请移动一下答题卡重新判断。如果确实有误，请修改。",
                          "主观分读取失败");
        }
        card.subjectiveScore = reading.subjectiveScore;
    }
    const int questionCount = readExamAnswers(marks, c.settings, reading);
    for (int q = 0; q < questionCount; ++q) card.answers[q].answer = AnswerText(reading.answers[q]);

    int index = 0;
    if (records.empty()) {
        // 10: the first read of the standard answer; it is not scored.
        card.readCount = 1;
        records.push_back(card);
        j.hint = "标准答案已经读入，请稍微改变位置多读几次进行校对，确保无误。";
        j.prompt = "标准答案已经读入";
        warnEmptyStandardAnswers(records[0], questionCount, c.prompter);
    } else {
        // 11: score, then a first read or a repeated one.
        ScoreCard(card, records[0], c.settings);
        index = findRecord(records, number);
        if (index < 0) {
            if (records.size() >= size_t(kMaxRecords)) {
                std::string full = "本次阅卷已有" + std::to_string(kMaxRecords) +
                                   "份阅卷记录，不能再增加。请先保存阅卷原始文件，其余答题卡请另建一次阅卷。";
                c.prompter.message(full);
                return reject(full, "阅卷记录已满");
            }
            j.hint = "该答题卡第一次阅读！";
            card.readCount = 1;
            records.push_back(card);
            index = int(records.size()) - 1;
        } else {
            GradingRecord& stored = records[index];
            const int readCount = stored.readCount + 1;
            Differences d;
            for (int q = 1; q <= questionCount; ++q) {
                if (stored.answer(q) != card.answer(q)) d.add(q, stored.answer(q).str(), card.answer(q).str());
            }
            // A card given by hand is another card than the last one judged,
            // whatever number that one had.
            const bool sameCardAgain = !assigned && number == lastAdmissionNumber;
            if (d.count > 3 && !sameCardAgain &&
                c.prompter.askOkCancel(confirmationText(card, readCount, d)) != Answer::Ok) {
                return j;  // the memo stays empty, the prompt unchanged
            }
            j.hint = d.count == 0 ? "该答题卡这次阅卷结果和上次相同，已经阅卷次数：" + std::to_string(readCount)
                                  : d.hint();
            if (index == 0) j.prompt = d.count == 0 ? "结果和上次相同" : "结果和上次不同";
            card.readCount = readCount;
            stored = card;
        }
    }

    // 12-14: the grid row, the prompt and caption, the last number.
    j.accepted = true;
    j.currentRecord = index;
    j.currentGridRow = gridRowOf(records, shownRecords(c.roster, c.choice, records), number);
    if (records.size() > 1 && index != 0) {
        j.prompt = records[index].name + floatToText(records[index].total) + "分";
        j.caption = std::string(kAppTitle) + " " + *j.prompt;
    }
    lastAdmissionNumber = number;
    return j;
}

}  // namespace

Judgement JudgeCard(CardMarks& marks, const JudgeContext& c, GradingRecords& records,
                    std::string& lastAdmissionNumber) {
    return judge(marks, c, records, lastAdmissionNumber, nullptr);
}

Judgement StoreCardForStudent(const UnknownCard& card, int student, const JudgeContext& c, GradingRecords& records,
                              std::string& lastAdmissionNumber) {
    if (student < 0 || size_t(student) >= c.roster.students.size()) return {};
    const StudentEntry& s = c.roster.students[size_t(student)];
    // A blank number would make the card a standard answer.
    if (records.empty() || allSpaces(s.admissionNumber)) return {};
    ReadCard marks(card);
    Judgement j = judge(marks, c, records, lastAdmissionNumber, &s);
    if (j.accepted) {
        j.hint = "答题卡上的准考证号：" + card.reading.admissionNumber + "，已手动指定为：" + s.admissionNumber + " " +
                 s.name + "\r\n" + j.hint;
    }
    return j;
}

}  // namespace tarvel
