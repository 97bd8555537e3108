#pragma once
// Page 6 "成绩输出": the output page: the score report and the statistics.
// Its controls are built into body(); prepare(), checkNext() and activePage()
// are overridden as the page's content arrives.
#include "pages/wizardpage.h"

namespace tarvel::app {

class OutputPage : public WizardPage {
    Q_OBJECT
public:
    explicit OutputPage(AppContext& context, QWidget* parent = nullptr) : WizardPage(6, "成绩输出", context, parent) {}
};

}  // namespace tarvel::app
