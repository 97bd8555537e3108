// tarvel-report RUN.yj: the score report of a saved grading run, written
// exactly as "输出" of the output page writes it, into the file given. Its
// options and exit codes are a stable interface for school IT and checks.
#include <iostream>
#include <sstream>

#include "options.h"
#include "output/scorereport.h"

namespace {

using namespace tarvel;
using namespace tarvel::outputcli;

constexpr const char* kUsageText =
    "用法：tarvel-report 阅卷原始文件.yj [--grade 年级编码] [--class 班级编码|ALL]\n"
    "                    [--items 准考证号,姓名,总得分,...] [--order admission|total] [--no-absent]\n"
    "                    [--csv] --out 文件\n"
    "  输出项（默认全部十二项，按所列顺序）：准考证号 姓名 总得分 主观题分 选择题分 大题得分情况\n"
    "                                       多选 少选 错选 多选题号 少选题号 错选题号\n"
    "  默认按准考证号排序，含缺考学生；--csv 输出GBK编码的CSV，否则输出xlsx。\n"
    "  退出码：0 已输出，1 拒绝输出（原因见stderr），2 用法或阅卷原始文件有误。\n";

bool parseItems(const std::string& text, std::vector<ReportItem>& items, std::string& message) {
    std::stringstream list(text);
    std::string name;
    while (std::getline(list, name, ',')) {
        auto item = reportItemFromText(name);
        if (!item) {
            message = "未知输出项：" + name;
            return false;
        }
        addReportItem(items, *item);
    }
    return true;
}

int run(int argc, char** argv) {
    Options options;
    std::string items, order = "admission";
    bool noAbsent = false;
    options.valued = {{"--items", &items}, {"--order", &order}};
    options.flags = {{"--no-absent", &noAbsent}};
    std::string message;
    ReportRequest request;
    request.items = allReportItems();
    bool usable = parseOptions(argc, argv, options, message);
    if (usable && !items.empty()) {
        request.items.clear();
        usable = parseItems(items, request.items, message);
    }
    if (usable && order != "admission" && order != "total") {
        message = "--order 只能是 admission 或 total";
        usable = false;
    }
    if (!usable) {
        std::cerr << message << '\n' << kUsageText;
        return kUsage;
    }
    request.order = order == "total" ? ReportOrder::ByTotal : ReportOrder::ByAdmission;
    request.includeAbsent = !noAbsent;

    RawFileContent content;
    int code = kUsage;
    if (!loadRun(options, content, request.group, message, code)) {
        std::cerr << message << '\n';
        return code;
    }
    const RunView run{content.roster, content.settings, content.records};
    message = checkReportChoices(run.roster, request);
    if (message.empty()) {
        const std::vector<ReportRow> rows = reportRows(run, request);
        bool stopped = false;
        if (options.csv) {
            message = writeCsvReport(options.outPath, run.settings, request, rows);
        } else if (std::string error = writeXlsxReport(options.outPath, run, request, rows, {}, stopped); !error.empty()) {
            message = "无法写入" + options.outPath + "：" + error;
        }
    }
    if (!message.empty()) {
        std::cerr << message << '\n';
        return kRefused;
    }
    return kWritten;
}

}  // namespace

int main(int argc, char** argv) { return run(argc, argv); }
