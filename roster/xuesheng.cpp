#include "roster/xuesheng.h"

#include <cstring>

#include "base/bytes.h"
#include "base/gbk.h"
#include "roster/recordtext.h"

namespace tarvel {
namespace {

// Where each roster field lies in one of the two byte layouts.
struct RosterLayout {
    size_t gradesEnabled, gradeCodeLength, grades, gradeCount, classesEnabled, classCodeLength, selectedGrade,
        selectedClassCode, admissionLinked, admissionLength, admissionPrefix, studentCount, students;
};

constexpr RosterLayout kPacked{0, 1, 5, 3055, 3059, 3060, 3064, 3125, 3129, 3130, 3134, 3154, 3158};
constexpr RosterLayout kAligned{0, 4, 8, 3060, 3064, 3068, 3072, 3133, 3137, 3140, 3144, 3164, 3168};

std::string encodeHeader(const RosterLayout& at, const Roster& r, uint8_t* b, std::string* substituted) {
    if (r.grades.size() > size_t(kMaxGrades)) {
        return "年级最多只能设置" + std::to_string(kMaxGrades) + "个。";
    }
    if (r.students.size() > size_t(kMaxStudents)) {
        return "学生最多只能有" + std::to_string(kMaxStudents) + "人。";
    }
    b[at.gradesEnabled] = r.gradesEnabled ? 1 : 0;
    writeI32(b + at.gradeCodeLength, r.gradeCodeLength);
    std::memset(b + at.grades, 0, kMaxGrades * kGradeEntrySize);
    for (size_t i = 0; i < r.grades.size(); ++i) {
        std::string e = encodeGradeEntry(r.grades[i], b + at.grades + i * kGradeEntrySize, substituted);
        if (!e.empty()) return e;
    }
    writeI32(b + at.gradeCount, static_cast<int32_t>(r.grades.size()));
    b[at.classesEnabled] = r.classesEnabled ? 1 : 0;
    writeI32(b + at.classCodeLength, r.classCodeLength);
    std::string e = encodeGradeEntry(r.selectedGrade, b + at.selectedGrade, substituted);
    if (!e.empty()) return e;
    FieldWriter w;
    w.raw(b + at.selectedClassCode, kClassCodeWidth, r.selectedClassCode, "班级编码");
    b[at.admissionLinked] = r.admissionLinked ? 1 : 0;
    writeI32(b + at.admissionLength, r.admissionLength);
    w.raw(b + at.admissionPrefix, kPrefixWidth, r.admissionPrefix, "准考证前几位");
    writeI32(b + at.studentCount, static_cast<int32_t>(r.students.size()));
    for (size_t i = 0; i < r.students.size() && w.ok(); ++i) {
        e = encodeStudentEntry(r.students[i], b + at.students + i * kStudentEntrySize, substituted);
        if (!e.empty()) return e;
    }
    return w.error();
}

// Counts first, so that a damaged image is refused before anything is read.
std::string checkCounts(const RosterLayout& at, const uint8_t* b, int32_t& grades, int32_t& students) {
    grades = readI32(b + at.gradeCount);
    students = readI32(b + at.studentCount);
    if (grades < 0 || grades > kMaxGrades) {
        return "学生名单数据已损坏：年级数" + std::to_string(grades) + "超出了0到" + std::to_string(kMaxGrades) +
               "的范围。";
    }
    if (students < 0 || students > kMaxStudents) {
        return "学生名单数据已损坏：学生人数" + std::to_string(students) + "超出了0到" +
               std::to_string(kMaxStudents) + "的范围。";
    }
    return {};
}

void decodeHeader(const RosterLayout& at, const uint8_t* b, int32_t grades, int32_t students, Roster& r) {
    r = Roster{};
    r.gradesEnabled = b[at.gradesEnabled] != 0;
    r.gradeCodeLength = readI32(b + at.gradeCodeLength);
    r.grades.resize(grades);
    for (int32_t i = 0; i < grades; ++i) decodeGradeEntry(b + at.grades + i * kGradeEntrySize, r.grades[i]);
    r.classesEnabled = b[at.classesEnabled] != 0;
    r.classCodeLength = readI32(b + at.classCodeLength);
    decodeGradeEntry(b + at.selectedGrade, r.selectedGrade);
    r.selectedClassCode = readRawField(b + at.selectedClassCode, kClassCodeWidth);
    r.admissionLinked = b[at.admissionLinked] != 0;
    r.admissionLength = readI32(b + at.admissionLength);
    r.admissionPrefix = readRawField(b + at.admissionPrefix, kPrefixWidth);
    r.students.resize(students);
    for (int32_t i = 0; i < students; ++i) {
        decodeStudentEntry(b + at.students + i * kStudentEntrySize, r.students[i]);
    }
}

}  // namespace

bool Roster::operator==(const Roster& o) const {
    return gradesEnabled == o.gradesEnabled && gradeCodeLength == o.gradeCodeLength && grades == o.grades &&
           classesEnabled == o.classesEnabled && classCodeLength == o.classCodeLength &&
           selectedGrade == o.selectedGrade && selectedClassCode == o.selectedClassCode &&
           admissionLinked == o.admissionLinked && admissionLength == o.admissionLength &&
           admissionPrefix == o.admissionPrefix && students == o.students;
}

void decodeGradeEntry(const uint8_t* b, GradeEntry& out) {
    out.name = readGbkField(b, kGradeNameWidth);
    out.code = readRawField(b + 50, kGradeCodeWidth);
}

std::string encodeGradeEntry(const GradeEntry& g, uint8_t* b, std::string* substituted) {
    FieldWriter w(substituted);
    w.gbk(b, kGradeNameWidth, g.name, "年级名称");
    w.raw(b + 50, kGradeCodeWidth, g.code, "年级编码");
    return w.error();
}

void decodeStudentEntry(const uint8_t* b, StudentEntry& out) {
    out.admissionNumber = readRawField(b, kAdmissionWidth);
    out.name = readGbkField(b + 21, kStudentNameWidth);
    out.gradeCode = readRawField(b + 41, kGradeCodeWidth);
    out.classCode = readRawField(b + 52, kClassCodeWidth);
}

std::string encodeStudentEntry(const StudentEntry& s, uint8_t* b, std::string* substituted) {
    FieldWriter w(substituted);
    w.raw(b, kAdmissionWidth, s.admissionNumber, "准考证号");
    w.gbk(b + 21, kStudentNameWidth, s.name, "姓名");
    w.raw(b + 41, kGradeCodeWidth, s.gradeCode, "年级编码");
    w.raw(b + 52, kClassCodeWidth, s.classCode, "班级编码");
    return w.error();
}

size_t studentFileSize(const Roster& roster) {
    return kStudentFileHeaderSize + kStudentEntrySize * roster.students.size();
}

std::string encodeStudentFile(const Roster& roster, std::vector<uint8_t>& bytes, std::string* substituted) {
    if (roster.students.size() > size_t(kMaxStudents)) {
        return "学生最多只能有" + std::to_string(kMaxStudents) + "人。";
    }
    bytes.assign(studentFileSize(roster), 0);
    return encodeHeader(kPacked, roster, bytes.data(), substituted);
}

std::string decodeStudentFile(const uint8_t* bytes, size_t size, Roster& out) {
    if (size < kStudentFileHeaderSize) return "学生信息文件已损坏：文件太短。";
    int32_t grades = 0, students = 0;
    std::string e = checkCounts(kPacked, bytes, grades, students);
    if (!e.empty()) return e;
    if (size < kStudentFileHeaderSize + kStudentEntrySize * size_t(students)) {
        return "学生信息文件已损坏：文件比其中的" + std::to_string(students) + "名学生所需的短。";
    }
    decodeHeader(kPacked, bytes, grades, students, out);
    return {};
}

std::string encodeRosterImage(const Roster& roster, uint8_t* bytes, std::string* substituted) {
    std::memset(bytes, 0, kRosterImageSize);
    return encodeHeader(kAligned, roster, bytes, substituted);
}

std::string decodeRosterImage(const uint8_t* bytes, Roster& out) {
    int32_t grades = 0, students = 0;
    std::string e = checkCounts(kAligned, bytes, grades, students);
    if (!e.empty()) return e;
    decodeHeader(kAligned, bytes, grades, students, out);
    return {};
}

}  // namespace tarvel
