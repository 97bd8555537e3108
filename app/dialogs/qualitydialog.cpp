#include "dialogs/qualitydialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cstring>
#include <map>

#include "capture/connection.h"
#include "qt/text.h"

namespace tarvel::app {

QString QualityDialog::displayName(const std::string& driverName) {
    static const std::map<std::string, const char*> names = {
        {"Brightness", "亮度"},
        {"Contrast", "对比度"},
        {"Saturation", "饱和度"},
        {"Hue", "色调"},
        {"Gamma", "伽马"},
        {"Gain", "增益"},
        {"Sharpness", "清晰度"},
        {"Backlight Compensation", "逆光补偿"},
        {"Power Line Frequency", "电源频率"},
        {"White Balance Temperature", "白平衡色温"},
        {"White Balance Temperature, Auto", "自动白平衡"},
        {"White Balance, Automatic", "自动白平衡"},
        {"Auto Exposure", "自动曝光"},
        {"Exposure, Auto", "自动曝光"},
        {"Exposure Time, Absolute", "曝光时间"},
        {"Exposure (Absolute)", "曝光时间"},
        {"Exposure, Dynamic Framerate", "动态帧率"},
        {"Focus, Auto", "自动对焦"},
        {"Focus, Automatic Continuous", "自动对焦"},
        {"Focus (absolute)", "对焦"},
        {"Focus, Absolute", "对焦"},
        {"Zoom, Absolute", "缩放"},
    };
    auto it = names.find(driverName);
    return it == names.end() ? qs(driverName) : QString::fromUtf8(it->second);
}

QualityDialog::QualityDialog(CameraSource& camera, QWidget* parent) : QDialog(parent), camera_(camera) {
    setWindowTitle(kPropertyCaption);
    auto* form = new QFormLayout;
    const std::vector<CameraControl> controls = camera.controls();
    for (const CameraControl& c : controls) {
        const QString name = displayName(c.name);
        switch (c.kind) {
            case CameraControl::Kind::Integer: {
                auto* slider = new QSlider(Qt::Horizontal, this);
                slider->setObjectName(qs(c.name));
                slider->setRange(c.minimum, c.maximum);
                slider->setSingleStep(c.step);
                slider->setPageStep(std::max(c.step, (c.maximum - c.minimum) / 10));
                slider->setValue(c.value);
                slider->setMinimumWidth(240);
                auto* value = new QLabel(QString::number(c.value), this);
                value->setMinimumWidth(40);
                connect(slider, &QSlider::valueChanged, this, [this, c, value](int v) {
                    value->setText(QString::number(v));
                    apply(c, v);
                });
                defaults_.push_back([slider, c] { slider->setValue(c.defaultValue); });
                auto* row = new QHBoxLayout;
                row->addWidget(slider, 1);
                row->addWidget(value);
                form->addRow(name, row);
                break;
            }
            case CameraControl::Kind::Boolean: {
                auto* box = new QCheckBox(this);
                box->setObjectName(qs(c.name));
                box->setChecked(c.value != 0);
                connect(box, &QCheckBox::toggled, this, [this, c](bool on) { apply(c, on ? 1 : 0); });
                defaults_.push_back([box, c] { box->setChecked(c.defaultValue != 0); });
                form->addRow(name, box);
                break;
            }
            case CameraControl::Kind::Menu: {
                auto* list = new QComboBox(this);
                list->setObjectName(qs(c.name));
                for (const auto& [value, label] : c.menu) {
                    list->addItem(qs(label), value);
                    if (value == c.value) list->setCurrentIndex(list->count() - 1);
                }
                connect(list, qOverload<int>(&QComboBox::activated), this,
                        [this, c, list](int index) { apply(c, list->itemData(index).toInt()); });
                defaults_.push_back([this, list, c] {
                    const int index = list->findData(c.defaultValue);
                    if (index >= 0 && index != list->currentIndex()) {
                        list->setCurrentIndex(index);
                        apply(c, c.defaultValue);
                    }
                });
                form->addRow(name, list);
                break;
            }
            case CameraControl::Kind::Button: {
                auto* button = new QPushButton(name, this);
                button->setObjectName(qs(c.name));
                connect(button, &QPushButton::clicked, this, [this, c] { apply(c, 1); });
                form->addRow(QString(), button);
                break;
            }
        }
    }

    status_ = new QLabel(this);
    status_->setObjectName("LblStatus");
    status_->setStyleSheet("color: red;");
    status_->setWordWrap(true);
    if (controls.empty()) status_->setText("这个摄像头没有可以调节的画质设置。");
    auto* reset = new QPushButton("默认", this);
    reset->setObjectName("BtnDefault");
    reset->setEnabled(!defaults_.empty());
    auto* close = new QPushButton("关闭", this);
    close->setObjectName("BtnClose");
    close->setDefault(true);
    connect(reset, &QPushButton::clicked, this, &QualityDialog::resetAll);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(status_);
    column->addLayout(buttons);
}

void QualityDialog::apply(const CameraControl& control, int value) {
    const int result = camera_.setControl(control.id, value);
    status_->setText(result == 0 ? QString()
                                 : QString("无法设置“%1”：%2").arg(displayName(control.name), std::strerror(-result)));
}

void QualityDialog::resetAll() {
    for (auto& reset : defaults_) reset();
}

}  // namespace tarvel::app
