#pragma once
// Page 4 "考试信息设置": the exam page: exam name, subject, score sections and partial-credit rules; Next validates them.
// Its controls are built into body(); prepare(), checkNext() and activePage()
// are overridden as the page's content arrives.
#include "pages/wizardpage.h"

namespace tarvel::app {

class ExamPage : public WizardPage {
    Q_OBJECT
public:
    explicit ExamPage(AppContext& context, QWidget* parent = nullptr) : WizardPage(4, "考试信息设置", context, parent) {}
};

}  // namespace tarvel::app
