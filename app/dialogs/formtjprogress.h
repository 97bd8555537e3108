#pragma once
// FormTJProgress "正在输出。。。": the busy window of the statistics output.
// A 60 x 18 block of three colour bands steps along the 300 x 20 bar
// `ImageProgress` every 50 ms (`Timer1`) while the window shows: x = 20, 40,
// ..., 240, 0, 20, ... Showing starts the animation, closing stops it.
#include <QDialog>
#include <QImage>
#include <QTimer>

namespace tarvel::app {

class FormTJProgress : public QDialog {
    Q_OBJECT
public:
    explicit FormTJProgress(QWidget* parent = nullptr);

    // One step of Timer1 (the timer calls it; tests too).
    void step();
    int blockPosition() const { return position_; }
    // What ImageProgress shows.
    const QImage& bar() const { return bar_; }
    QTimer* timer() const { return timer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // The output ends the window; the user cannot close it half-way.
    void reject() override {}

private:
    void drawEmptyBar();

    QWidget* image_;
    QTimer* timer_;
    QImage bar_;    // 300 x 20
    QImage block_;  // 60 x 18, made on show, freed on close
    int position_ = 0;
};

}  // namespace tarvel::app
