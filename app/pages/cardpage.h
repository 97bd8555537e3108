#pragma once
// Page 1 "准备答题卡": a picture of a card under the camera, the card layout of
// the run, "新阅卷" (the card chooser) and "打开阅卷原始文件".
#include <QLabel>

#include "pages/wizardpage.h"

namespace tarvel::app {

inline constexpr const char* kChooseRunFirst = "请点新阅卷或打开阅卷原始文件！";
// The picture of page 1, drawn at build time beside the help pages.
inline constexpr const char* kWelcomePicture = "帮助/首页.jpg";

class CardPage : public WizardPage {
    Q_OBJECT
public:
    explicit CardPage(AppContext& context, QWidget* parent = nullptr);

    bool checkNext() override;
    void refresh() override;

private:
    void newRun();
    void openRun();

    QLabel* picture_;
    QLabel* cardName_;
    QPushButton* newRun_;
    QPushButton* openRun_;
};

}  // namespace tarvel::app
