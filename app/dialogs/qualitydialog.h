#pragma once
// "画质调节": the connected camera's own picture controls, applied while the
// live picture runs: a slider for each number, a check box for each switch,
// a drop-down for each choice, a button for each action, and "默认" that
// puts every control back to the device's default.
#include <QDialog>
#include <QLabel>
#include <functional>
#include <vector>

#include "capture/camerasource.h"

namespace tarvel::app {

class QualityDialog : public QDialog {
    Q_OBJECT
public:
    explicit QualityDialog(CameraSource& camera, QWidget* parent = nullptr);

    // The control's name as the dialog shows it: Chinese for the usual webcam
    // controls, the driver's own name otherwise.
    static QString displayName(const std::string& driverName);

private:
    void apply(const CameraControl& control, int value);
    void resetAll();

    CameraSource& camera_;
    QLabel* status_;
    // Sets one control's widget to its default (which applies it).
    std::vector<std::function<void()>> defaults_;
};

}  // namespace tarvel::app
