#pragma once
// The program folder and the fixed names of everything installed beside it.
#include <string>

namespace tarvel {

namespace installed {
inline constexpr const char* kTemplates = "模板文件/";
inline constexpr const char* kCardImages = "CardImage/";
inline constexpr const char* kStudentFiles = "学生信息文件/";
inline constexpr const char* kRawFiles = "阅卷原始文件/";
inline constexpr const char* kOutput = "成绩输出/";
inline constexpr const char* kWave = "wave/";
inline constexpr const char* kSpeechEngines = "语音引擎/";
inline constexpr const char* kDemoCards = "演示答题卡/";
inline constexpr const char* kHelp = "帮助/";
inline constexpr const char* kLastStudentFile = "base.dat";
inline constexpr const char* kSavedMarker = "biaoji.bj";
inline constexpr const char* kPrintableCards = "答题卡.pdf";
inline constexpr const char* kSampleRoster = "测试.xs";
}  // namespace installed

// Folder of the running executable, ending in "/". Tests and tools may point
// the program at another installation with setProgramFolder.
std::string programFolder();
void setProgramFolder(const std::string& folder);

// programFolder() + relative name.
std::string installedPath(const std::string& relative);

}  // namespace tarvel
