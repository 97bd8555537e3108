#pragma once
// Cards the window tests grade: the small synthetic layout with a roster of
// two classes (class 01 chosen) and an 85-question exam, and pictures of
// filled cards as a camera frame shows them.
#include <memory>
#include <string>
#include <vector>

#include "gradingfile/gradingrun.h"
#include "recognition/imagefile.h"
#include "synthetic.h"

namespace tarvel::app::test {

// The standard answer: question q is "ABCD"[7q mod 4].
inline std::vector<std::string> cardKey() {
    std::vector<std::string> answers;
    for (int q = 0; q < 85; ++q) answers.push_back(std::string(1, "ABCD"[(q * 7) % 4]));
    return answers;
}

// The key with `count` answers changed from question 2 on.
inline std::vector<std::string> keyWithChanges(int count) {
    std::vector<std::string> answers = cardKey();
    for (int q = 1; q <= count; ++q) answers[size_t(q)] = answers[size_t(q)] == "A" ? "B" : "A";
    return answers;
}

// 张三 20240101, 李四 20240102 and 赵六 20240104 in class 01, 王五 20240201 in
// class 02.
inline void cardExam(GradingRun& run) {
    run.layout.chosenCardName = synthetic::kTestLayoutName;
    run.layout.current = synthetic::testLayout();
    Roster& roster = run.students.roster;
    roster = Roster{};
    roster.admissionLength = 8;
    roster.classesEnabled = true;
    roster.students = {{"20240101", "张三", "", "01"},
                       {"20240102", "李四", "", "01"},
                       {"20240201", "王五", "", "02"},
                       {"20240104", "赵六", "", "01"}};
    run.filter = {"", "01"};
    ExamSettings& s = run.settings;
    s.clear();
    s.examName = "期中";
    s.subjectCode = "01";
    s.sections[0] = {1, 85, 1.0f, kSingleChoice};
    s.sectionCount = 1;
    for (int q = 0; q < 85; ++q) s.questions[q] = {1.0f, kSingleChoice, 0, 0};
    s.questionCount = 85;
    run.records.clear();
    run.unsaved = false;
}

// A camera frame of a filled card ("        " for the standard answer).
inline std::shared_ptr<Bitmap> cardFrame(const std::string& admission,
                                         const std::vector<std::string>& answers = cardKey()) {
    synthetic::Card c;
    c.truth.admissionNumber = admission;
    c.truth.subjectCode = "01";
    c.truth.scoreText = "000";
    for (size_t q = 0; q < answers.size(); ++q) c.truth.answers[q] = answers[q];
    auto frame = std::make_shared<Bitmap>(synthetic::blankFrame());
    synthetic::paint(*frame, synthetic::cardRects(c));
    return frame;
}

inline bool writeCard(const std::string& path, const std::string& admission,
                      const std::vector<std::string>& answers = cardKey()) {
    return writePngFile(path, *cardFrame(admission, answers));
}

}  // namespace tarvel::app::test
