#pragma once
// The demo data of the grading station: the demo exam (exam.json), its answer
// key, the students of one class from the sample roster table, and the list of
// demo cards the generator drew (cards.tsv beside the pictures), which tests
// read to know what each card should give.
#include <string>
#include <vector>

#include "grading/kaoshi.h"
#include "recognition/cardtemplate.h"

namespace tarvel::demo {

// exam.json: {"name": …, "subject": "02", "subjective": false,
// "sections": [[first, last, score, "单选题"|"多选题"], …], "rules": [["1-5,11", "0.5/"], …]},
// checked like the exam page against `layout`. Returns "" or the problem.
std::string loadExam(const std::string& path, const CardTemplate& layout, const std::string& cardName,
                     ExamSettings& out);

// The answer key: one line of comma-separated answers from question 1 ("#"
// lines are comments).
std::string loadAnswerKey(const std::string& path, std::vector<std::string>& out);

struct Student {
    std::string admission, name;
};
// The students of one grade and class in the roster table (测试.tsv).
std::string loadClass(const std::string& tsvPath, const std::string& gradeCode, const std::string& classCode,
                      std::vector<Student>& out);

// One demo card: what is marked on it and what grading it should give.
struct DemoCard {
    std::string kind;  // standard, student, repeat, unknown, cutoff, turned
    std::string file;  // picture (stills) or the first still frame (sequence)
    std::string admission;  // blank for the standard answer
    std::string name;
    int abFlag = 0;  // 0 A, 1 B
    std::vector<std::string> answers;
};

// The key with a few deliberate mistakes for student `index` (0-based):
// index % 5 answers changed to another letter.
std::vector<std::string> answersWithMistakes(const std::vector<std::string>& key, int index);

std::string writeCards(const std::string& path, const std::vector<DemoCard>& cards);
std::string readCards(const std::string& path, std::vector<DemoCard>& out);

}  // namespace tarvel::demo
