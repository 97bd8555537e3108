#include "pages/gradingpage.h"

#include <QVBoxLayout>

#include "capturestate.h"

namespace tarvel::app {

GradingPage::GradingPage(AppContext& context, QWidget* parent) : WizardPage(5, "进行阅卷", context, parent) {
    auto* panel = new QWidget(body());
    panel->setObjectName("Panel1");
    view_ = new LiveView(panel);
    view_->setObjectName("ImageView");
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(view_);
    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(panel, 1);

    context.capture.views().attach(Surface::GradingView, view_);
    connect(view_, &LiveView::resized, this,
            [&capture = context.capture](int width, int height) { capture.gradingViewResized(width, height); });
}

}  // namespace tarvel::app
