#include "mainwindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QProcess>
#include <QApplication>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

#include "base/paths.h"
#include "dialogs/aboutform.h"
#include "dialogs/helpwindow.h"
#include "dialogs/mergereport.h"
#include "pages/camerapage.h"
#include "pages/cardpage.h"
#include "pages/exampage.h"
#include "pages/gradingpage.h"
#include "pages/outputpage.h"
#include "pages/studentspage.h"
#include "qt/text.h"

namespace tarvel::app {

MainWindow::MainWindow(Services& services, QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      run_(std::make_unique<GradingRun>()),
      reader_(*run_, services.prompter),
      capture_(std::make_unique<CaptureState>(services, static_cast<FrameLoopUi&>(*this), reader_.function(),
                                              [this] { return reader_.choice(); })),
      context_{*run_, *capture_, services} {
    setObjectName("MainForm");
    setWindowTitle(kAppTitle);
    resize(840, 688);
    setMinimumWidth(840);

    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl1");
    pages_->setTabPosition(QTabWidget::South);
    pages_->tabBar()->setFocusPolicy(Qt::NoFocus);
    pages_->tabBar()->installEventFilter(this);
    pages_->installEventFilter(this);
    setCentralWidget(pages_);

    addPage(new CardPage(context_));
    addPage(new CameraPage(context_));
    addPage(new StudentsPage(context_));
    addPage(new ExamPage(context_));
    grading_ = new GradingPage(context_, reader_);
    addPage(grading_);
    addPage(new OutputPage(context_));
    buildMenus();
    buildToolBar();

    // F1 anywhere in this window asks for the topic of the page showing.
    qApp->installEventFilter(this);
    // A judged card may have changed the run (an accepted card is unsaved).
    reader_.onJudged = [this](const Judgement& judgement) {
        grading_->cardJudged(judgement);
        if (!judgement.caption.empty()) setWindowTitle(qs(judgement.caption));
        syncSaveButton();
    };
    showPage(1);
    syncSaveButton();
}

MainWindow::~MainWindow() = default;

void MainWindow::addPage(WizardPage* page) {
    const int n = page->number();
    pages_->addTab(page, page->caption());
    connect(page->nextButton(), &QPushButton::clicked, this, [this, n] {
        if (n == kPageCount) {
            showPage(1);  // "返回第一步"
        } else {
            next(n);
        }
    });
    connect(page->backButton(), &QPushButton::clicked, this, [this, n] { back(n); });
    connect(page->helpButton(), &QPushButton::clicked, this, [this, n] { requestHelp(n); });
    connect(page, &WizardPage::runChanged, this, &MainWindow::runChanged);
}

void MainWindow::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& text, auto handler) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file = menuBar()->addMenu("文件");
    file->setObjectName("N1");
    add(file, "N16", "浏览 阅卷原始文件 文件夹", [this] { openFolder(installed::kRawFiles); });
    add(file, "N18", "浏览 学生信息文件 文件夹", [this] { openFolder(installed::kStudentFiles); });
    add(file, "N19", "浏览 语音引擎 文件夹", [this] { openFolder(installed::kSpeechEngines); });
    file->addSeparator()->setObjectName("N17");
    saveMenu_ = add(file, "N15", "保存阅卷原始文件", [this] { save(); });
    saveMenu_->setShortcut(QKeySequence("Ctrl+S"));
    add(file, "NMergeYJ", "合并阅卷原始文件…", [this] {
        // The merged run is opened as "打开阅卷原始文件" opens one: from page 1.
        if (mergeRawFilesWindow(*run_, services_, this)) {
            setWindowTitle(kAppTitle);
            showPage(1);
        }
        runChanged();
    });
    add(file, "N13", "退出", [this] { close(); });
    connect(file, &QMenu::aboutToShow, this, &MainWindow::syncSaveButton);

    QMenu* help = menuBar()->addMenu("帮助");
    help->setObjectName("N2");
    add(help, "N5", "关于", [this] {
        AboutForm about(this);
        about.exec();
    });
    add(help, "N6", "帮助", [this] { requestHelp(0); });
    // The guided demo runs as a program of its own beside this one.
    add(help, "NDemo", "演示", [this] {
        if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), {"--demo"}))
            services_.prompter.message("无法启动演示。");
    });
}

void MainWindow::buildToolBar() {
    QToolBar* bar = addToolBar("ToolBar1");
    bar->setObjectName("ToolBar1");
    bar->setMovable(false);
    bar->setIconSize(QSize(16, 16));
    bar->addSeparator();
    save_ = bar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), "保存阅卷原始文件");
    save_->setObjectName("BtnSave");
    save_->setToolTip("保存阅卷原始文件");
    connect(save_, &QAction::triggered, this, &MainWindow::save);
    bar->addSeparator();
    QAction* help = bar->addAction(style()->standardIcon(QStyle::SP_MessageBoxQuestion), "帮助");
    help->setObjectName("ToolButton6");
    help->setToolTip("帮助");
    connect(help, &QAction::triggered, this, [this] { requestHelp(0); });
    for (QAction* action : {save_, help}) bar->widgetForAction(action)->setObjectName(action->objectName());
}

WizardPage* MainWindow::page(int number) const { return static_cast<WizardPage*>(pages_->widget(number - 1)); }

int MainWindow::currentPage() const { return pages_->currentIndex() + 1; }

void MainWindow::showPage(int number) {
    pages_->setCurrentIndex(number - 1);
    capture_->setPage(number == 2 ? FrameLoop::Page::Connect
                                  : number == 5 ? FrameLoop::Page::Grading : FrameLoop::Page::Other);
}

void MainWindow::next(int from) {
    if (!page(from)->checkNext()) return;
    if (from == 5) setWindowTitle(kAppTitle);
    showPage(from + 1);
    page(from + 1)->prepare();
}

void MainWindow::back(int from) {
    if (from == 5) setWindowTitle(kAppTitle);
    showPage(from - 1);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            requestHelp(currentPage());
            return true;
        }
    }
    // The pages change only through their Back and Next buttons.
    if (watched == pages_->tabBar()) {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                const auto* click = static_cast<QMouseEvent*>(event);
                const int tab = pages_->tabBar()->tabAt(click->position().toPoint());
                if (tab >= 0 && tab != pages_->currentIndex()) services_.prompter.message(kUseNextOrBack);
                return true;
            }
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel: return true;
            default: break;
        }
    } else if (watched == pages_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool pageKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                             key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
        if (pageKey && (key->modifiers() & Qt::ControlModifier)) {
            services_.prompter.message(kUseNextOrBack);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::requestHelp(int topic) {
    QMetaObject::invokeMethod(this, [this, topic] { showHelp(topic); }, Qt::QueuedConnection);
}

void MainWindow::showHelp(int topic) {
    if (topic < 0 || topic >= kHelpTopicCount) return;
    if (!help_) help_ = new HelpWindow(this);
    if (help_->showTopic(topic)) {
        help_->show();
        help_->raise();
        help_->activateWindow();
        return;
    }
    // Without the page of the topic, the desktop's browser gets the
    // introduction; without that too, the user is told where help should be.
    if (services_.desktop.open(helpTopicPath(0))) return;
    services_.prompter.message("找不到帮助文件。帮助应在程序文件夹的“帮助”文件夹中：" +
                               installedPath(installed::kHelp));
}

void MainWindow::save() {
    BtnSaveClick(*run_, page(currentPage())->activePage(), services_.prompter, services_.files);
    runChanged();
}

void MainWindow::runChanged() {
    for (int n = 1; n <= kPageCount; ++n) page(n)->refresh();
    syncSaveButton();
}

void MainWindow::syncSaveButton() {
    // "保存阅卷原始文件" in the menu follows the toolbar button; both are enabled
    // exactly while the run has unsaved changes, so Ctrl+S saves only then.
    save_->setEnabled(run_->unsaved);
    saveMenu_->setEnabled(run_->unsaved);
}

void MainWindow::setCaption(const std::string& caption) { setWindowTitle(qs(caption)); }
void MainWindow::setAnswerButtonEnabled(bool on) { grading_->setAnswerButtonEnabled(on); }
void MainWindow::setAutoButtonCaption(const std::string& caption) { grading_->setAutoButtonCaption(caption); }
void MainWindow::showMemo(const std::string& text) { grading_->showMemo(text); }

void MainWindow::openFolder(const char* relative) {
    const std::string path = installedPath(relative);
    if (!services_.desktop.open(path)) services_.prompter.message("无法打开文件夹：" + path);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (run_->unsaved && services_.prompter.askYesNo(kSaveBeforeClosing) == Answer::Yes) {
        const bool saved = BtnSaveClick(*run_, page(currentPage())->activePage(), services_.prompter, services_.files);
        runChanged();
        // The save has told what went wrong; the run stays open rather than lost.
        if (!saved) {
            event->ignore();
            return;
        }
    }
    if (services_.prompter.askYesNo(kConfirmClose) != Answer::Yes) {
        event->ignore();
        return;
    }
    capture_->stop();
    if (help_) help_->close();
    event->accept();
}

}  // namespace tarvel::app
