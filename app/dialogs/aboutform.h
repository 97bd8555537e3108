#pragma once
// AboutForm "关于": the product name, its version texts and the licences.
#include <QDialog>

namespace tarvel::app {

inline constexpr const char* kProductName = "Tarvel数码阅卷机";
inline constexpr const char* kVersion = "V2010";
inline constexpr const char* kBuild = "Build20100620";

class AboutForm : public QDialog {
    Q_OBJECT
public:
    explicit AboutForm(QWidget* parent = nullptr);
};

}  // namespace tarvel::app
