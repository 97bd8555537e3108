// tarvel-stats RUN.yj: every statistic of the output page's statistics box
// for one group of a saved grading run, written into the file given. Its
// options and exit codes are a stable interface.
#include <iostream>

#include "options.h"
#include "output/statisticsreport.h"

namespace {

using namespace tarvel;
using namespace tarvel::outputcli;

constexpr const char* kUsageText =
    "用法：tarvel-stats 阅卷原始文件.yj [--grade 年级编码] [--class 班级编码|ALL]\n"
    "                   [--wrong 题号范围] [--right 题号范围] [--csv] --out 文件\n"
    "  统计平均分、每小题得分率、每大题得分率和成绩分布；--wrong/--right 另列出这些题做错/做对的学生\n"
    "  （题号范围如 1-5,11）。--csv 输出GBK编码的CSV，否则输出带图表的xlsx。\n"
    "  退出码：0 已输出，1 拒绝输出（原因见stderr），2 用法或阅卷原始文件有误。\n";

int run(int argc, char** argv) {
    Options options;
    std::string wrong, right;
    options.valued = {{"--wrong", &wrong}, {"--right", &right}};
    std::string message;
    if (!parseOptions(argc, argv, options, message)) {
        std::cerr << message << '\n' << kUsageText;
        return kUsage;
    }
    RawFileContent content;
    GroupChoice group;
    int code = kUsage;
    if (!loadRun(options, content, group, message, code)) {
        std::cerr << message << '\n';
        return code;
    }
    const RunView run{content.roster, content.settings, content.records};
    const StatisticsRequest request = everyStatistic(group, wrong, right);
    const StatisticsResult result = ComputeStatistics(run, request);
    if (!result.ok) {
        std::cerr << result.message << '\n';
        return kRefused;
    }
    const std::vector<StatisticsTable> tables = statisticsTables(result.statistics, request);
    bool stopped = false;
    if (options.csv) {
        message = writeCsvStatistics(options.outPath, tables);
    } else if (std::string error = writeXlsxStatistics(options.outPath, tables, {}, stopped); !error.empty()) {
        message = "无法写入" + options.outPath + "：" + error;
    }
    if (!message.empty()) {
        std::cerr << message << '\n';
        return kRefused;
    }
    return kWritten;
}

}  // namespace

int main(int argc, char** argv) { return run(argc, argv); }
