#pragma once
// FormCard "选择答题卡": the card layouts beside the program in two lists
// (self-printed "DY" cards and machine-readable "JD" cards), a picture of the
// layout clicked last, "打印答题卡" for the printable cards and "确定".
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "base/prompter.h"
#include "gradingfile/gradingrun.h"
#include "qt/desktop.h"

namespace tarvel::app {

class FormCard : public QDialog, public CardChooser {
    Q_OBJECT
public:
    FormCard(Prompter& prompter, Desktop& desktop, QWidget* parent = nullptr);

    // Presets the current name, shows the window maximised and modal with
    // `caption`; returns the chosen layout's file name, or "" when the window
    // was closed without choosing.
    std::string choose(const std::string& current, const std::string& caption) override;

    // The steps of showing: caption, both lists filled in directory order,
    // the preselection and the picture. choose() runs it; tests call it
    // directly to work the window without a modal loop.
    void prepare(const std::string& current, const QString& caption);
    // The layout last clicked or preset; kept between showings.
    const std::string& currentName() const { return current_; }
    // What this showing chose ("" until "确定" or a double-click).
    const std::string& chosenName() const { return chosen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill(QTreeWidget* list, const char* family);
    void rowSelected(QTreeWidget* list);
    void showPicture();
    void chooseCurrent();
    void print();

    Prompter& prompter_;
    Desktop& desktop_;
    QTreeWidget* selfPrinted_;
    QTreeWidget* machineRead_;
    QPushButton* print_;
    QLabel* picture_;
    std::string current_;
    std::string chosen_;
};

}  // namespace tarvel::app
