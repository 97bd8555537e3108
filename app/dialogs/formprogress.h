#pragma once
// FormProgress "进度": the bar the score report shows while the workbook is
// filled. It is shown without blocking the program (window-modal, so the
// window below takes no clicks) and follows the positions the output sends.
#include <QDialog>
#include <QProgressBar>

namespace tarvel::app {

class FormProgress : public QDialog {
    Q_OBJECT
public:
    explicit FormProgress(QWidget* parent = nullptr);

    // ProgressBar1: 0-100 (the report keeps its positions within).
    void setPosition(int percent);
    int position() const;

protected:
    // The output ends the window; the user cannot close it half-way.
    void reject() override {}

private:
    QProgressBar* bar_;
};

}  // namespace tarvel::app
