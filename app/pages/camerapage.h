#pragma once
// Page 2 "连接摄像头": the live picture ImageCheShi, the hint LblLianJie,
// "连接摄像头" and "画质调节".
#include <QLabel>

#include "pages/wizardpage.h"
#include "widgets/liveview.h"

namespace tarvel::app {

class CameraPage : public WizardPage {
    Q_OBJECT
public:
    explicit CameraPage(AppContext& context, QWidget* parent = nullptr);

    bool checkNext() override;
    LiveView* picture() const { return picture_; }

private:
    void connectCamera();
    void adjustPicture();

    LiveView* picture_;
    QLabel* hint_;
    QPushButton* connect_;
    QPushButton* quality_;
};

}  // namespace tarvel::app
