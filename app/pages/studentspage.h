#pragma once
// Page 3 "学生信息设置": the roster page: the student grid, the student-file commands; Next asks to keep roster edits.
// Its controls are built into body(); prepare(), checkNext() and activePage()
// are overridden as the page's content arrives.
#include "pages/wizardpage.h"

namespace tarvel::app {

class StudentsPage : public WizardPage {
    Q_OBJECT
public:
    explicit StudentsPage(AppContext& context, QWidget* parent = nullptr) : WizardPage(3, "学生信息设置", context, parent) {}
};

}  // namespace tarvel::app
