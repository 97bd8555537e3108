#pragma once
// Student records: the grade table, the students and the coding settings of a
// roster, with the two byte layouts the files use: the packed order of a
// student file and the naturally aligned 283,168-byte image that a raw
// grading file embeds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

inline constexpr int kMaxGrades = 50;
inline constexpr int kMaxStudents = 5000;

// Field widths in bytes, terminator included.
inline constexpr size_t kGradeNameWidth = 50;
inline constexpr size_t kGradeCodeWidth = 11;
inline constexpr size_t kClassCodeWidth = 4;
inline constexpr size_t kAdmissionWidth = 21;
inline constexpr size_t kStudentNameWidth = 20;
inline constexpr size_t kPrefixWidth = 20;

inline constexpr size_t kGradeEntrySize = 61;
inline constexpr size_t kStudentEntrySize = 56;
inline constexpr size_t kStudentFileHeaderSize = 3158;
inline constexpr size_t kRosterImageSize = 283168;
// The longest student file: 5000 students. Longer files are refused unread.
inline constexpr size_t kMaxStudentFileSize = kStudentFileHeaderSize + kStudentEntrySize * kMaxStudents;

struct GradeEntry {
    std::string name;  // UTF-8
    std::string code;  // digits
    bool operator==(const GradeEntry& o) const { return name == o.name && code == o.code; }
};

struct StudentEntry {
    std::string admissionNumber;
    std::string name;  // UTF-8
    std::string gradeCode;
    std::string classCode;
    bool operator==(const StudentEntry& o) const {
        return admissionNumber == o.admissionNumber && name == o.name && gradeCode == o.gradeCode &&
               classCode == o.classCode;
    }
};

// The roster of a grading run. grades.size() is the grade count and
// students.size() the student count; both stay within their capacities.
struct Roster {
    bool gradesEnabled = false;
    int32_t gradeCodeLength = 5;
    std::vector<GradeEntry> grades;
    bool classesEnabled = false;
    int32_t classCodeLength = 2;
    GradeEntry selectedGrade;
    std::string selectedClassCode;
    bool admissionLinked = true;
    int32_t admissionLength = 9;
    std::string admissionPrefix;
    std::vector<StudentEntry> students;

    void reset() { *this = Roster{}; }
    bool operator==(const Roster& o) const;
};

// Record-level conversions. Encoders return "" or the message naming the first
// text that does not fit (the bytes are then not to be used); `substituted`
// receives the first text saved with "?" (see FieldWriter).
void decodeGradeEntry(const uint8_t* bytes, GradeEntry& out);
std::string encodeGradeEntry(const GradeEntry& grade, uint8_t* bytes, std::string* substituted = nullptr);
void decodeStudentEntry(const uint8_t* bytes, StudentEntry& out);
std::string encodeStudentEntry(const StudentEntry& student, uint8_t* bytes, std::string* substituted = nullptr);

// Student file: 3158 + 56 * n bytes.
size_t studentFileSize(const Roster& roster);
std::string encodeStudentFile(const Roster& roster, std::vector<uint8_t>& bytes, std::string* substituted = nullptr);
// Refuses (message, roster untouched) a short image or counts beyond capacity.
std::string decodeStudentFile(const uint8_t* bytes, size_t size, Roster& out);

// Aligned roster image: exactly kRosterImageSize bytes, padding and unused
// rows zero.
std::string encodeRosterImage(const Roster& roster, uint8_t* bytes, std::string* substituted = nullptr);
std::string decodeRosterImage(const uint8_t* bytes, Roster& out);

}  // namespace tarvel
