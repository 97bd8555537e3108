#pragma once
// Form3 "请输入班级人数": the class size for "批量增加". The box takes digits
// only; "确定" (or Enter) with more than 1000 says so, empties the box and
// stays open; otherwise the size (0 for an empty box) closes the window.
// Closing it any other way gives 0.
#include <QDialog>
#include <QLineEdit>

#include "base/prompter.h"
#include "roster/rosterediting.h"

namespace tarvel::app {

class Form3 : public QDialog, public ClassSizeDialog {
    Q_OBJECT
public:
    explicit Form3(Prompter& prompter, QWidget* parent = nullptr);

    // Shown modally, centred on the main window, with an empty box.
    int askClassSize() override;
    // The steps of showing (askClassSize runs them; tests call them).
    void prepare();
    int size() const { return size_; }

private:
    void confirm();

    Prompter& prompter_;
    QLineEdit* edit_;
    int size_ = 0;
};

}  // namespace tarvel::app
