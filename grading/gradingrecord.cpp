#include "grading/gradingrecord.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "base/gbk.h"
#include "roster/recordtext.h"

namespace tarvel {

AnswerText::AnswerText(std::string_view text) {
    size_ = static_cast<uint8_t>(std::min(text.size(), kAnswerWidth));
    std::memcpy(chars_.data(), text.data(), size_);
}

bool GradingRecord::operator==(const GradingRecord& o) const {
    return readCount == o.readCount && paperType == o.paperType && admissionNumber == o.admissionNumber &&
           name == o.name && gradeCode == o.gradeCode && gradeName == o.gradeName && classCode == o.classCode &&
           total == o.total && subjectiveScore == o.subjectiveScore && objectiveScore == o.objectiveScore &&
           sectionScores == o.sectionScores && extraCount == o.extraCount && missingCount == o.missingCount &&
           wrongCount == o.wrongCount && answers == o.answers && handAssigned == o.handAssigned;
}

void decodeAnswerSlot(const uint8_t* b, AnswerSlot& out) {
    size_t n = 0;
    while (n < kAnswerWidth && b[n] != 0) ++n;
    out.answer = AnswerText(std::string_view(reinterpret_cast<const char*>(b), n));
    out.outcome = static_cast<char>(b[5]);
    out.score = readF32(b + 8);
}

void encodeAnswerSlot(const AnswerSlot& slot, uint8_t* b) {
    std::memset(b, 0, kAnswerSlotSize);
    std::string_view a = slot.answer.view();
    std::memcpy(b, a.data(), a.size());
    b[5] = static_cast<uint8_t>(slot.outcome);
    writeF32(b + 8, slot.score);
}

void decodeGradingRecord(const uint8_t* b, GradingRecord& out) {
    out.readCount = readI32(b);
    out.paperType = readI32(b + 4);
    out.admissionNumber = readRawField(b + 8, 21);
    out.name = readGbkField(b + 29, 20);
    out.gradeCode = readRawField(b + 49, 11);
    out.gradeName = readGbkField(b + 60, 50);
    out.classCode = readRawField(b + 110, 4);
    out.handAssigned = b[kHandAssignedAt] == 1;
    out.total = readF32(b + 116);
    out.subjectiveScore = readF32(b + 120);
    out.objectiveScore = readF32(b + 124);
    for (int k = 0; k < kMaxSectionScores; ++k) out.sectionScores[k] = readF32(b + 128 + 4 * k);
    out.extraCount = readI32(b + 208);
    out.missingCount = readI32(b + 212);
    out.wrongCount = readI32(b + 216);
    for (int q = 0; q < kMaxExamQuestions; ++q) decodeAnswerSlot(b + 220 + kAnswerSlotSize * q, out.answers[q]);
}

std::string encodeGradingRecord(const GradingRecord& r, uint8_t* b, std::string* substituted) {
    std::memset(b, 0, kGradingRecordSize);
    writeI32(b, r.readCount);
    writeI32(b + 4, r.paperType);
    FieldWriter w(substituted);
    w.raw(b + 8, 21, r.admissionNumber, "准考证号");
    w.gbk(b + 29, 20, r.name, "姓名");
    w.raw(b + 49, 11, r.gradeCode, "年级编码");
    w.gbk(b + 60, 50, r.gradeName, "年级名称");
    w.raw(b + 110, 4, r.classCode, "班级编码");
    b[kHandAssignedAt] = r.handAssigned ? 1 : 0;
    writeF32(b + 116, r.total);
    writeF32(b + 120, r.subjectiveScore);
    writeF32(b + 124, r.objectiveScore);
    for (int k = 0; k < kMaxSectionScores; ++k) writeF32(b + 128 + 4 * k, r.sectionScores[k]);
    writeI32(b + 208, r.extraCount);
    writeI32(b + 212, r.missingCount);
    writeI32(b + 216, r.wrongCount);
    // The record is zero already: each slot's answer, outcome and score only.
    for (int q = 0; q < kMaxExamQuestions; ++q) {
        uint8_t* slot = b + 220 + kAnswerSlotSize * q;
        const AnswerSlot& a = r.answers[q];
        std::memcpy(slot, a.answer.field().data(), kAnswerWidth);
        slot[5] = static_cast<uint8_t>(a.outcome);
        writeF32(slot + 8, a.score);
    }
    return w.error();
}

int findRecord(const GradingRecords& records, const std::string& admissionNumber) {
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].admissionNumber == admissionNumber) return int(i);
    }
    return -1;
}

}  // namespace tarvel
