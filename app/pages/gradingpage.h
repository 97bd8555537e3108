#pragma once
// Page 5 "进行阅卷": the grading page. Its live picture ImageView is here:
// the frame loop draws on it, and its size gives the preview rectangle.
// The controls panel, the grading grid and the card read come with the rest
// of the page's content (prepare(), checkNext() and activePage() then too).
#include "pages/wizardpage.h"
#include "widgets/liveview.h"

namespace tarvel::app {

class GradingPage : public WizardPage {
    Q_OBJECT
public:
    explicit GradingPage(AppContext& context, QWidget* parent = nullptr);
    LiveView* view() const { return view_; }

private:
    LiveView* view_;
};

}  // namespace tarvel::app
