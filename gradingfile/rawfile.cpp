#include "gradingfile/rawfile.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "base/paths.h"
#include "base/savefile.h"

namespace tarvel {
namespace {

// Each piece the sink receives: room for the blocks before the records
// (287775 bytes) and small enough to stay in the cache between its encoding
// and its write.
constexpr size_t kPieceSize = size_t(512) << 10;
static_assert(kPieceSize >= kRawRecordsAt + kGradingRecordSize);

bool sameFilter(const GradingFilter& a, const GradingFilter& b) {
    return a.gradeCode == b.gradeCode && a.classCode == b.classCode;
}

// Writes one block of `size` bytes: its fresh encoding, unless the block of
// the opened file (`old`, null when there is none) holds the same content in
// other bytes; then those bytes are kept and `keptOld` set. The content
// counts as the same when the decoded old block equals the value or encodes
// to the same bytes (a NaN score is unequal to itself but unchanged).
// `decodeOld` returns false when the old bytes do not decode.
template <class T, class Encode, class DecodeOld, class Same>
std::string writeBlock(uint8_t* out, size_t size, const uint8_t* old, const T& value, Encode encode,
                       DecodeOld decodeOld, Same same, bool& keptOld) {
    std::string error = encode(value, out);
    if (!old || (error.empty() && std::memcmp(out, old, size) == 0)) return error;
    T before;
    if (!decodeOld(old, before)) return error;
    bool unchanged = same(before, value);
    if (!unchanged && error.empty()) {
        std::vector<uint8_t> again(size);
        unchanged = encode(before, again.data()).empty() && std::memcmp(again.data(), out, size) == 0;
    }
    if (!unchanged) return error;
    std::memcpy(out, old, size);
    keptOld = true;
    return {};
}

template <class T>
bool equal(const T& a, const T& b) {
    return a == b;
}

}  // namespace

size_t rawFileSize(size_t recordCount) { return kRawRecordsAt + kGradingRecordSize * recordCount; }

std::string encodeRawFile(const Roster& roster, const ExamSettings& settings, const GradingFilter& filter,
                          const GradingRecords& records, const std::vector<uint8_t>& opened,
                          const RawFileSink& sink, std::string* substituted, bool* keptOld) {
    if (records.size() > size_t(kMaxRecords)) {
        return "阅卷记录最多只能有" + std::to_string(kMaxRecords) + "条。";
    }
    bool kept = false;
    std::vector<uint8_t> piece(kPieceSize);
    uint8_t* b = piece.data();

    // The opened file was decoded (or written) by this code, so its size
    // matches its count; checked again all the same.
    const bool haveOld = opened.size() >= kRawRecordsAt;
    const uint8_t* old = haveOld ? opened.data() : nullptr;
    int32_t oldCount = haveOld ? readI32(old + kRawRecordCountAt) : 0;
    if (oldCount < 0 || opened.size() != rawFileSize(size_t(oldCount))) oldCount = 0;
    auto at = [&](size_t offset) { return old ? old + offset : nullptr; };

    std::string e = writeBlock(
        b, kRosterImageSize, at(0), roster,
        [&](const Roster& r, uint8_t* out) { return encodeRosterImage(r, out, substituted); },
        [](const uint8_t* in, Roster& r) { return decodeRosterImage(in, r).empty(); }, equal<Roster>, kept);
    if (!e.empty()) return e;
    e = writeBlock(
        b + kRawExamSettingsAt, kExamSettingsSize, at(kRawExamSettingsAt), settings,
        [&](const ExamSettings& s, uint8_t* out) { return encodeExamSettings(s, out, substituted); },
        [](const uint8_t* in, ExamSettings& s) { return decodeExamSettings(in, s).empty(); }, equal<ExamSettings>,
        kept);
    if (!e.empty()) return e;
    e = writeBlock(
        b + kRawFilterAt, kGradingFilterSize, at(kRawFilterAt), filter,
        [](const GradingFilter& f, uint8_t* out) { return encodeGradingFilter(f, out); },
        [](const uint8_t* in, GradingFilter& f) {
            decodeGradingFilter(in, f);
            return true;
        },
        sameFilter, kept);
    if (!e.empty()) return e;
    writeI32(b + kRawRecordCountAt, static_cast<int32_t>(records.size()));

    // A sink that failed ends the encoding: the writer reports its failure.
    auto finish = [&] {
        if (keptOld) *keptOld = kept;
        return std::string();
    };
    size_t used = kRawRecordsAt;
    for (size_t i = 0; i < records.size(); ++i) {
        if (used + kGradingRecordSize > kPieceSize) {
            if (!sink(b, used)) return finish();
            used = 0;
        }
        const size_t offset = kRawRecordsAt + kGradingRecordSize * i;
        e = writeBlock(
            b + used, kGradingRecordSize, i < size_t(oldCount) ? at(offset) : nullptr, records[i],
            [&](const GradingRecord& r, uint8_t* out) { return encodeGradingRecord(r, out, substituted); },
            [](const uint8_t* in, GradingRecord& r) {
                decodeGradingRecord(in, r);
                return true;
            },
            equal<GradingRecord>, kept);
        if (!e.empty()) return "第" + std::to_string(i) + "条阅卷记录无法保存：" + e;
        used += kGradingRecordSize;
    }
    sink(b, used);
    return finish();
}

std::string encodeRawFile(const Roster& roster, const ExamSettings& settings, const GradingFilter& filter,
                          const GradingRecords& records, const std::vector<uint8_t>& opened,
                          std::vector<uint8_t>& bytes, std::string* substituted) {
    bytes.clear();
    bytes.reserve(rawFileSize(std::min(records.size(), size_t(kMaxRecords))));
    return encodeRawFile(
        roster, settings, filter, records, opened,
        [&](const uint8_t* piece, size_t size) {
            bytes.insert(bytes.end(), piece, piece + size);
            return true;
        },
        substituted);
}

bool decodeRawFile(const uint8_t* bytes, size_t size, const RawFileTarget& target, std::string* problem) {
    auto refuse = [&](std::string why) {
        if (problem) *problem = std::move(why);
        return false;
    };
    if (size < kRawRecordsAt) return refuse("文件比固定部分短");
    const int32_t count = readI32(bytes + kRawRecordCountAt);
    if (count < 0 || count > kMaxRecords) return refuse("记录数" + std::to_string(count) + "超出范围");
    if (size != rawFileSize(size_t(count))) return refuse("文件长度与记录数不符");

    // The blocks that can be refused are decoded aside first; the target is
    // written only once nothing can fail any more.
    Roster roster;
    std::string e = decodeRosterImage(bytes, roster);
    if (!e.empty()) return refuse(e);
    ExamSettings settings;
    e = decodeExamSettings(bytes + kRawExamSettingsAt, settings);
    if (!e.empty()) return refuse(e);

    target.roster = std::move(roster);
    target.settings = std::move(settings);
    decodeGradingFilter(bytes + kRawFilterAt, target.filter);
    // Decoded in place: a run reopened keeps its record storage.
    target.records.resize(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        decodeGradingRecord(bytes + kRawRecordsAt + kGradingRecordSize * size_t(i), target.records[size_t(i)]);
    }
    return true;
}

std::string rawFileName(const ExamSettings& settings) {
    return safeFileName(settings.examName + settings.subjectName) + "." + kRawFileExtension;
}

std::string rawFilePath(const ExamSettings& settings) {
    return installedPath(std::string(installed::kRawFiles) + rawFileName(settings));
}

}  // namespace tarvel
