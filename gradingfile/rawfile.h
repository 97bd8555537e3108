#pragma once
// The raw grading file ("阅卷原始文件/*.yj"): one whole grading run as the
// byte images of its records — roster image, exam settings, grade and class
// filter, record count N and N grading records — 287775 + 2620 * N bytes,
// without header, version or checksum.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "grading/gradinggrid.h"
#include "grading/gradingrecord.h"
#include "grading/kaoshi.h"
#include "roster/xuesheng.h"

namespace tarvel {

inline constexpr size_t kRawExamSettingsAt = kRosterImageSize;                     // 283168
inline constexpr size_t kRawFilterAt = kRawExamSettingsAt + kExamSettingsSize;     // 287756
inline constexpr size_t kRawRecordCountAt = kRawFilterAt + kGradingFilterSize;     // 287771
inline constexpr size_t kRawRecordsAt = kRawRecordCountAt + 4;                     // 287775
inline constexpr const char* kRawFileExtension = "yj";
inline constexpr const char* kRawFileFilter = "阅卷原始文件(*.yj)|*.yj";
inline constexpr const char* kOpenRawFileFailed = "打开阅卷原始文件失败！";

// What a raw grading file holds.
struct RawFileContent {
    Roster roster;
    ExamSettings settings;
    GradingFilter filter;
    GradingRecords records;
};

size_t rawFileSize(size_t recordCount);
// The longest raw grading file: 5000 records. Longer files are refused unread.
inline constexpr size_t kMaxRawFileSize = kRawRecordsAt + kGradingRecordSize * kMaxRecords;

// Receives the bytes of a file in order, piece by piece; false stops the
// encoding (the write failed).
using RawFileSink = std::function<bool(const uint8_t* piece, size_t size)>;

// Encodes the run. `opened` is the file the run was opened from (or last
// saved to), empty for a new run or a file that is the run's clean encoding:
// a block whose content is unchanged since then is written with the bytes it
// had there, so a file from another installation (stale student rows beyond
// the count, bytes after text terminators) is saved back byte for byte.
// Changed blocks are written cleanly, unused rows and padding zero. Returns
// "" or the message naming a text that does not fit (the pieces handed on
// so far are then no file); `substituted` receives the first text saved with
// "?" (a character GBK cannot store); `keptOld` is set when a block kept
// bytes of `opened` that its clean encoding would not give.
// The pieces are a few hundred KB, encoded into one buffer that stays in the
// cache until the sink has written it: a 13 MB run never needs a second image.
std::string encodeRawFile(const Roster& roster, const ExamSettings& settings, const GradingFilter& filter,
                          const GradingRecords& records, const std::vector<uint8_t>& opened,
                          const RawFileSink& sink, std::string* substituted = nullptr, bool* keptOld = nullptr);
// The same into one image.
std::string encodeRawFile(const Roster& roster, const ExamSettings& settings, const GradingFilter& filter,
                          const GradingRecords& records, const std::vector<uint8_t>& opened,
                          std::vector<uint8_t>& bytes, std::string* substituted = nullptr);
inline std::string encodeRawFile(const RawFileContent& c, const std::vector<uint8_t>& opened,
                                 std::vector<uint8_t>& bytes, std::string* substituted = nullptr) {
    return encodeRawFile(c.roster, c.settings, c.filter, c.records, opened, bytes, substituted);
}

// Where a decoded file goes: the content of a file, or the run's own values,
// whose record storage is then reused.
struct RawFileTarget {
    Roster& roster;
    ExamSettings& settings;
    GradingFilter& filter;
    GradingRecords& records;
};

// Decodes a whole file image, refusing (target untouched) a size other than
// the one N declares, N outside 0..5000 and counts beyond their tables.
// `problem` says what is wrong (for tests; users see "打开阅卷原始文件失败！").
bool decodeRawFile(const uint8_t* bytes, size_t size, const RawFileTarget& target, std::string* problem = nullptr);
inline bool decodeRawFile(const uint8_t* bytes, size_t size, RawFileContent& c, std::string* problem = nullptr) {
    return decodeRawFile(bytes, size, RawFileTarget{c.roster, c.settings, c.filter, c.records}, problem);
}

// "阅卷原始文件/" + exam name + subject name + ".yj" under the program folder,
// with characters that no file name may hold replaced by "_".
std::string rawFileName(const ExamSettings& settings);
std::string rawFilePath(const ExamSettings& settings);

}  // namespace tarvel
