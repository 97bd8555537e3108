#pragma once
// The help window: the program's help topics, HTML pages in the help folder
// beside the program, shown in a browser pane with links between them.
#include <QListWidget>
#include <QTextBrowser>
#include <QWidget>
#include <array>
#include <string>

namespace tarvel::app {

inline constexpr int kHelpTopicCount = 7;
// Topic 0 is the introduction, topics 1-6 belong to the wizard's pages.
inline constexpr std::array<const char*, kHelpTopicCount> kHelpTopics = {
    "简介.htm", "准备答题卡.htm", "连接摄像头.htm", "学生信息设置.htm", "考试信息设置.htm", "进行阅卷.htm", "成绩输出.htm"};

// The page of topic 0-6 in the help folder beside the program.
std::string helpTopicPath(int topic);

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows topic 0-6; false when its page is missing.
    bool showTopic(int topic);
    // The topic whose page shows, or -1 (a page outside the topic list).
    int topic() const;

private:
    static int topicOf(const QUrl& source);

    QListWidget* topics_;
    QTextBrowser* browser_;
};

}  // namespace tarvel::app
