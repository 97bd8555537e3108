#pragma once
// The program's open and save dialogs as QFileDialog.
#include <QString>

#include "roster/studentfile.h"

namespace tarvel::app {

class QtFileDialogs : public FileDialogs {
public:
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    std::optional<std::vector<std::string>> openFiles(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFolder(const FileDialogRequest& request) override;
};

// "阅卷原始文件(*.yj)|*.yj" (description and pattern pairs) as a Qt name
// filter list: "阅卷原始文件(*.yj)".
QString qtNameFilters(const std::string& filter);

}  // namespace tarvel::app
