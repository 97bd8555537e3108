#pragma once
// The card layout record: 392 bytes at the start of a layout file in
// "模板文件/", read field by field.
#include <array>
#include <cstdint>
#include <string>

#include "base/prompter.h"

namespace tarvel {

inline constexpr size_t kTemplateSize = 392;
// Only the record at the start of a layout file is read; a file of more than
// this is no layout and is refused unread.
inline constexpr size_t kMaxTemplateFileSize = 1 << 20;
inline constexpr int kMaxSubjects = 20;
inline constexpr int kMaxAdmissionDigits = 20;
inline constexpr int kMaxSubjectColumns = 2;
inline constexpr int kMaxSubjectRows = 15;
inline constexpr int kMaxScoreDigits = 4;
inline constexpr int kMaxQuestions = 200;

struct SubjectEntry {
    std::string code;  // up to 2 digit characters
    std::string name;  // UTF-8 (GBK in the file, up to 9 bytes)
};

struct CardTemplate {
    float lowerLineLength = 0;
    float lineSpacing = 0;
    float cellWidth = 0;
    float cellHeight = 0;
    float originOffsetX = 0;
    int32_t abMode = 0;
    float abCellAX = 0, abCellAY = 0;
    float abCellBX = 0, abCellBY = 0;
    float admissionX = 0, admissionY = 0;
    int32_t admissionDigits = 0;
    float subjectX = 0, subjectY = 0;
    int32_t subjectColumns = 0;
    int32_t subjectRows = 0;
    std::array<SubjectEntry, kMaxSubjects> subjects;
    int32_t subjectCount = 0;
    float scoreX = 0, scoreY = 0;
    int32_t scoreDigits = 0;
    float orientMarkX = 0;
    int32_t questionCount = 0;
    float answerY = 0;
    float blockPitchX = 0;
    float blockPitchY = 0;
    int32_t optionsVertical = 0;
    int32_t areaOneColumns = 0;
    int32_t areaOneRows = 0;
    int32_t areaOneFirstColumn = 0;
    int32_t areaTwoColumns = 0;
    int32_t areaTwoRows = 0;
    int32_t areaTwoFirstColumn = 0;
};

// Field-by-field conversion of the 392-byte record.
CardTemplate decodeTemplate(const uint8_t* bytes);
std::array<uint8_t, kTemplateSize> encodeTemplate(const CardTemplate& t);

// Checks a decoded layout against the capacities of the cell tables and the
// geometry the recogniser needs. Returns "" when the layout can be used, else
// a message naming the file and the offending field.
std::string checkTemplate(const CardTemplate& t, const std::string& fileName);

enum class CardFamily { DY, JD, Other };
CardFamily familyOf(const std::string& cardName);

// The layout of the grading run: its file name and its record.
class TemplateStore {
public:
    std::string chosenCardName;
    CardTemplate current;

    // Loads "模板文件/" + chosenCardName from the program folder. An empty name
    // does nothing; a missing or unusable file is reported through the
    // prompter and the previous layout stays. Returns true when loaded.
    bool LoadCurrentTemplate(Prompter& prompter);
    void ClearTemplate();
    // First two characters of the layout name ("DY", "JD").
    std::string cardFamily() const;
    CardFamily family() const { return familyOf(chosenCardName); }
};

// Checks and decodes the bytes of a layout file (at least 392; more are ignored).
bool parseTemplateBytes(const uint8_t* bytes, size_t size, const std::string& displayName, CardTemplate& out,
                        std::string& message);

// Reads a layout file; on failure returns false with a message for the user.
bool readTemplateFile(const std::string& path, const std::string& displayName, CardTemplate& out,
                      std::string& message);

}  // namespace tarvel
