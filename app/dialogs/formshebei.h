#pragma once
// FormSheBei "摄像头设备列表": the cameras found, for choosing one when there
// are several.
#include <QDialog>
#include <QTreeWidget>
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"

namespace tarvel::app {

class FormSheBei : public QDialog {
    Q_OBJECT
public:
    explicit FormSheBei(Prompter& prompter, QWidget* parent = nullptr);

    // The device list window as the camera connection asks it: shown modally
    // with the names; the chosen slot (row number - 1), or nothing when it was
    // closed without "确定" (the connection then keeps its previous choice).
    std::optional<int> choose(const std::vector<std::string>& names, int previous);

    // The steps of showing (choose() runs it; tests call it directly): the
    // list refilled, focused, its first row selected.
    void prepare(const std::vector<std::string>& names);
    std::optional<int> chosen() const { return chosen_; }

private:
    void confirm();

    Prompter& prompter_;
    QTreeWidget* list_;
    std::optional<int> chosen_;
};

}  // namespace tarvel::app
