#include "demo/demotour.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "base/paths.h"
#include "capture/virtualcamera.h"
#include "pages/gradingpage.h"
#include "pages/outputpage.h"
#include "qt/text.h"
#include "widgets/gridview.h"

namespace tarvel::app {
namespace {

// Runs the event loop for `ms` (the window paints, workers report).
void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Typed as a teacher types: the page hears of it as of a key press.
void type(QLineEdit* box, const char* text) {
    box->selectAll();
    box->insert(text);
}

bool choose(QComboBox* box, const char* text) {
    const int index = box ? box->findText(text) : -1;
    if (index < 0) return false;
    box->setCurrentIndex(index);
    emit box->activated(index);  // as a click on the item
    return true;
}

}  // namespace

std::string demoRunFile() {
    return installedPath(std::string(installed::kRawFiles) + kDemoExamName + kDemoSubject + ".yj");
}

void RealTimePace::pause(int ms) { settle(ms); }

void RealTimePace::play(MainWindow& window, size_t frames) {
    auto* camera = dynamic_cast<VirtualCamera*>(window.capture().connection().camera());
    if (!camera) return;
    const size_t end = camera->delivered() + frames;
    while (camera->delivered() < end && window.capture().connection().running()) settle(50);
}

void FastPace::pause(int) { QCoreApplication::processEvents(); }

void FastPace::connected(MainWindow& window) {
    // One frame, so that the live picture shows something.
    window.capture().timer().stop();
    play(window, 1);
}

void FastPace::play(MainWindow& window, size_t frames) {
    auto* camera = dynamic_cast<VirtualCamera*>(window.capture().connection().camera());
    if (!camera) return;
    for (size_t f = 0; f < frames; ++f) {
        camera->deliverNext();
        clock_.advance(kTickMs);
        window.capture().loop().Timer1Timer();
        if (f % 50 == 0) QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
}

DemoNote::DemoNote() : QLabel(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("DemoNote");
    setWindowTitle("演示");
    setWordWrap(true);
    setMargin(12);
    setFixedWidth(300);
    setStyleSheet("QLabel { background: #fff8d0; color: #202020; font-size: 14px; }");
}

void DemoNote::say(const QString& text, QWidget* beside) {
    setText(text);
    adjustSize();
    if (beside) {
        // Beside the window where the screen leaves room, else over its right edge.
        const QRect w = beside->frameGeometry();
        const QRect screen = beside->screen() ? beside->screen()->availableGeometry() : QRect();
        const int x = w.right() + width() + 8 <= screen.right() ? w.right() + 8 : w.right() - width() - 16;
        move(x, w.top() + 80);
    }
    show();
    raise();
}

DemoTour::DemoTour(Services& services, DemoPace& pace, DemoNote* note)
    : services_(services), pace_(pace), note_(note) {
    frames_ = PictureFolder(installedPath(installed::kDemoCards)).size();
}

DemoTour::~DemoTour() = default;

void DemoTour::start() {
    window_ = std::make_unique<MainWindow>(services_);
    window_->show();
    pace_.pause(300);
}

void DemoTour::step(const QString& note) {
    if (note_) note_->say(note, window_.get());
    pace_.pause(noteMs);
}

std::string DemoTour::click(const char* name) {
    if (auto* button = window_->findChild<QPushButton*>(name); button && button->isEnabled()) {
        button->click();
    } else if (auto* action = window_->findChild<QAction*>(name); action && action->isEnabled()) {
        action->trigger();
    } else {
        return std::string("“") + name + "”不可用";
    }
    QCoreApplication::processEvents();
    return "";
}

std::string DemoTour::next(int from) {
    const std::string button = "BtnNext" + std::to_string(from);
    std::string problem = click(button.c_str());
    if (problem.empty() && window_->currentPage() != from + 1)
        problem = "第" + std::to_string(from) + "页没有通过检查";
    return problem;
}

std::string DemoTour::run(const Watcher& watch) {
    std::string problem = startRun(watch);
    if (!problem.empty()) return problem;
    if (!(problem = grade()).empty()) return problem;

    step("第7步　关闭\n关闭窗口：程序问是否保存（是），再问是否关闭（是）。");
    window_->close();
    if (window_->isVisible()) return "窗口没有关闭";
    seen(Step::Closed);
    window_.reset();
    pace_.pause(1000);

    start();
    step("第8步　重新打开\n再次启动程序，点“打开阅卷原始文件”，选择刚才保存的文件：阅卷记录都在。");
    if (!(problem = click("BtnOpenYJFile1")).empty()) return problem;
    if (!(problem = toGradingPage()).empty()) return problem;
    seen(Step::Reopened);

    step("第9步　修改标准答案\n发现标准答案第1题印错：点标准答案行的第1题，改成 C，再在表格上点右键“重新算分”，然后保存。");
    if (!(problem = correctStandardAnswer()).empty()) return problem;
    pace_.pause(1500);
    if (!(problem = click("BtnSave")).empty()) return problem;
    seen(Step::Rescored);
    pace_.pause(1500);
    if (!(problem = next(5)).empty()) return problem;

    step("第10步　成绩输出\n选择2024级 01班和要输出的项目，点“输出”写出成绩表；再勾选统计项目，写出统计表。");
    if (!(problem = output()).empty()) return problem;
    seen(Step::Reported);
    step("演示结束\n成绩表和统计表在“成绩输出”文件夹中，阅卷原始文件在“阅卷原始文件”文件夹中。");
    seen(Step::Done);
    return "";
}

void DemoTour::seen(Step step) {
    if (watch_) watch_(step, *window_);
}

std::string DemoTour::chooseGroup(const char* gradeBox, const char* classBox) {
    if (!choose(window_->findChild<QComboBox*>(gradeBox), kDemoGrade) ||
        !choose(window_->findChild<QComboBox*>(classBox), kDemoClass))
        return std::string(gradeBox) + "：没有2024级 01班";
    QCoreApplication::processEvents();
    return "";
}

std::string DemoTour::startRun(const Watcher& watch) {
    if (frames_ == 0) return "演示答题卡文件夹中没有图片";
    watch_ = watch;
    std::string problem;
    start();
    step("第1步　准备答题卡\n点“新阅卷”，在答题卡窗口中选择本次考试印好的答题卡“DY标准85题自动AB卷.dat”。");
    if (!(problem = click("BtnNewYJ")).empty()) return problem;
    if (window_->run().layout.chosenCardName != kDemoLayoutName) return "没有选中演示答题卡";
    seen(Step::NewRun);
    pace_.pause(1500);
    if (!(problem = next(1)).empty()) return problem;

    step("第2步　连接摄像头\n点“连接摄像头”。没有摄像头时，“虚拟摄像头（演示答题卡）”播放演示答题卡。");
    if (!(problem = click("BtnConn")).empty()) return problem;
    if (!window_->capture().connection().running()) return "摄像头没有连接";
    pace_.connected(*window_);
    seen(Step::Connected);
    pace_.pause(2000);
    if (!(problem = next(2)).empty()) return problem;

    step("第3步　学生信息\n点“打开学生信息文件”，打开示例名单“测试.xs”，再选择要阅卷的年级和班级：2024级 01班。");
    if (!(problem = fillRoster()).empty()) return problem;
    seen(Step::Roster);
    pace_.pause(1500);
    if (!(problem = next(3)).empty()) return problem;

    step("第4步　考试信息\n填考试名称和科目，按题号分大题：1-70题单选题每题1分，71-85题多选题每题2分；"
         "多选题少选时每选对一个选项得0.5分（“0.5/”）。");
    if (!(problem = fillExam()).empty()) return problem;
    seen(Step::Exam);
    pace_.pause(2000);
    if (!(problem = next(4)).empty()) return problem;

    return chooseGroup("NJYJ", "BJYJ");
}

std::string DemoTour::fillRoster() {
    std::string problem;
    if (!(problem = click("BtnXSOpenAs")).empty()) return problem;
    if (window_->run().students.roster.students.empty()) return "没有打开学生名单";
    if (!choose(window_->findChild<QComboBox*>("CBNJSelected"), kDemoGrade)) return "名单中没有2024级";
    auto* klass = window_->findChild<QLineEdit*>("EdtBJSelected");
    if (!klass) return "没有班级框";
    type(klass, kDemoClass);
    QCoreApplication::processEvents();
    return "";
}

std::string DemoTour::fillExam() {
    auto* name = window_->findChild<QLineEdit*>("EdtKSName");
    if (!name) return "没有考试名称框";
    type(name, kDemoExamName);
    if (!choose(window_->findChild<QComboBox*>("CBSelectedKeMu"), kDemoSubject)) return "答题卡上没有科目数学";
    auto fill = [this](const char* gridName, const char* add, const std::vector<std::vector<const char*>>& rows) {
        auto* grid = window_->findChild<GridView*>(gridName);
        if (!grid) return std::string("没有表格") + gridName;
        for (size_t r = 0; r < rows.size(); ++r) {
            while (grid->model()->rowCount() <= int(r)) {
                const std::string problem = click(add);
                if (!problem.empty()) return problem;
            }
            for (size_t c = 0; c < rows[r].size(); ++c)
                grid->model()->setData(grid->model()->index(int(r), int(c) + 1), QString(rows[r][c]));
        }
        return std::string();
    };
    std::string problem = fill("SGridTF", "BtnTFAdd", {{"1", "70", "1", "单选题"}, {"71", "85", "2", "多选题"}});
    if (problem.empty()) problem = fill("SGridDX", "BtnDXAdd", {{"71-85", "0.5/"}});
    return problem;
}

std::string DemoTour::grade() {
    step("第5步　进行阅卷\n选择2024级 01班，点“开启自动阅卷”，把答题卡一张张放到摄像头下："
         "先放标准答案（准考证号不填），再放学生的答题卡。每张卡放稳两秒后读入，表格里出现成绩。");
    std::string problem;
    pace_.startCards();
    if (!(problem = click("BtnAutoAnswerCard")).empty()) return problem;
    const size_t half = frames_ / 2;
    pace_.play(*window_, half);

    if (note_) note_->say("第6步　保存\n阅卷中途随时可以点工具栏的“保存阅卷原始文件”，文件以考试名称和科目命名。", window_.get());
    if (!(problem = click("BtnSave")).empty()) return problem;
    pace_.play(*window_, frames_ - half);
    if (!(problem = click("BtnAutoAnswerCard")).empty()) return problem;  // off again
    seen(Step::Graded);
    pace_.pause(3000);
    return "";
}

std::string DemoTour::toGradingPage() {
    std::string problem;
    for (int from = 1; from <= 4; ++from) {
        if (!(problem = next(from)).empty()) return problem;
        if (from == 1) {
            if (!(problem = click("BtnConn")).empty()) return problem;
            pace_.connected(*window_);
        }
        pace_.pause(700);
    }
    return chooseGroup("NJYJ", "BJYJ");
}

std::string DemoTour::correctStandardAnswer() {
    auto* page = static_cast<GradingPage*>(window_->page(5));
    GradingGridView* grid = page->grid();
    const QModelIndex cell = page->gridModel().index(0, kFirstQuestionColumn + kDemoCorrectedQuestion - 1);
    grid->setFocus();
    grid->setCurrentIndex(cell);
    grid->scrollTo(cell);
    pace_.pause(800);
    // Typed as the teacher types it: the grid's key filter takes the letter.
    const QString letter(kDemoCorrectedAnswer);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (letter[0].unicode() - 'A'), Qt::NoModifier, letter);
    QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, letter);
    QApplication::sendEvent(grid, &press);
    QApplication::sendEvent(grid, &release);
    QCoreApplication::processEvents();
    if (window_->run().records.empty() ||
        window_->run().records[0].answer(kDemoCorrectedQuestion).str() != kDemoCorrectedAnswer)
        return "标准答案没有改过来";
    pace_.pause(1200);
    return click("NRefresh");
}

std::string DemoTour::output() {
    auto* page = static_cast<OutputPage*>(window_->page(kPageCount));
    auto press = [&](const char* button) {
        std::string problem;
        bool shown = false;
        QEventLoop wait;
        auto connection = QObject::connect(page, &OutputPage::outputShown, &wait, [&] {
            shown = true;
            wait.quit();
        });
        if ((problem = click(button)).empty() && !shown) {
            QTimer::singleShot(120000, &wait, &QEventLoop::quit);
            wait.exec();
        }
        QObject::disconnect(connection);
        if (problem.empty() && !shown) problem = std::string(button) + "：两分钟内没有写出文件";
        return problem;
    };
    std::string problem = chooseGroup("NJSC", "BJSC");
    if (!problem.empty()) return problem;
    if (!(problem = click("BtnAddAll")).empty()) return problem;
    pace_.pause(1500);
    if (!(problem = press("BtnSC")).empty()) return problem;
    pace_.pause(1500);
    if (!(problem = chooseGroup("NJTJ", "BJTJ")).empty()) return problem;
    for (const char* box : {"TJAverage", "TJXiaoTiRate", "TJDaTiRate", "TJXiaoTiWrong", "TJXiaoTiRight"})
        if (auto* check = window_->findChild<QCheckBox*>(box)) check->setChecked(true);
    if (auto* wrong = window_->findChild<QLineEdit*>("TJWrongRange")) wrong->setText("1-5,11");
    if (auto* right = window_->findChild<QLineEdit*>("TJRightRange")) right->setText("71-85");
    pace_.pause(1500);
    return press("BtnTJ");
}

}  // namespace tarvel::app
