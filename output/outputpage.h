#pragma once
// What the output page ("成绩输出", `TabSheet6`) shows and enables, over plain
// data: the group selectors of both boxes, the fixed notes, the key filter of
// the statistics range boxes and the steps of the busy animation.
//
// The page, for its window: on entry call FillOutputPage and apply it; each
// selector change makes a GroupChoice with outputGroup() and refills
// `MNoReadName` from ShowGroupSummary (reportgroup.h); "输出" of the report
// runs checkReportChoices then WriteReport (scorereport.h), "输出" of the
// statistics checkStatisticsRequest then WriteStatistics (statisticsreport.h);
// both writes may run on a worker thread over a RunSnapshot
// ({run.students.roster, run.settings, run.records} of the GradingRun), into
// installedPath(installed::kOutput) with the local time of the press, and the
// written file is shown with ShowOutputFile on the user-interface thread
// through a FileOpener backed by the desktop's programs.
#include <array>
#include <string>
#include <vector>

#include "output/outputfile.h"
#include "roster/xuesheng.h"

namespace tarvel {

// The state the page takes on entry.
struct OutputPageData {
    bool gradesEnabled = false;           // LblNJ5, NJSC, LblNJ6, NJTJ
    std::vector<std::string> gradeItems;  // items of NJSC and NJTJ, nothing selected
    bool classesEnabled = false;          // LblBJ6, BJSC, LblBJ7, BJTJ
    std::vector<std::string> classItems;  // "所有班级" + class codes, nothing selected
    // LBSelected is emptied; MNoReadName keeps its text until the summary runs.
};
OutputPageData FillOutputPage(const Roster& roster);

inline constexpr const char* kOutputPageCaption = "成绩输出";

// Memo3, beside the boxes.
inline const std::vector<std::string>& outputNotes() {
    static const std::vector<std::string> lines{
        "输出说明：",
        "",
        "1、为了能正常显示输出结果，请务必安装",
        "Excel软件或WPS表格软件（WPS有个人免费版",
        kFreeSpreadsheetSite + std::string("可以下载）"),
        "",
        "2、如果电脑上有Excel软件时会输出.xls文",
        "件。",
        "",
        "3、如果电脑上无Excel软件，将会输出.csv",
        "文件。csv文件用WPS表格软件打开后可以编",
        "辑并另存成.xls文件",
    };
    return lines;
}

// Memo4, the range syntax of the statistics box.
inline constexpr std::array<const char*, 3> kRangeNotes = {
    "注意：小题范围文本框里可直接输入题号，中间用逗号“,”隔开，比如1,2,3,4,5,11 另外",
    "，表示连续的题时可以使用“-”符号，所以也可以写成 1-5,11 （“,”和“-”符号为英文",
    "输入状态下的半角字符）"};

// TJWrongRangeKeyPress / TJRightRangeKeyPress: only 0-9, ",", "-" and
// Backspace ('\b') pass.
inline bool acceptRangeKey(char key) { return (key >= '0' && key <= '9') || key == ',' || key == '-' || key == '\b'; }

// FormTJProgress: a 60 x 18 block of three bands stepping along the 300 x 20
// bar every 50 ms through x = 20, 40, ..., 240, 0, 20, ...
inline constexpr int kBusyTimerMs = 50;
inline constexpr std::array<unsigned, 3> kBusyBandColours = {0xB5E7EC, 0x59C8D5, 0x25858F};  // RGB
inline int nextBusyPosition(int position) { return position == 240 ? 0 : position + 20; }

}  // namespace tarvel
