#pragma once
// "批量阅卷…": the progress window while the pictures are graded (stoppable
// between pictures), then "批量阅卷结果", the list of every picture with its
// outcome. Clicking a row shows the picture as the read framed it with the
// whole hint; a question the judgement asked (a repeated read that differs, a
// card of another class) is answered there with "存入" or "不存入", and a
// card of a number not on the roster can be stored for a suggested student.
// Both windows are window-modal: the run does not change under the work.
#include <QAbstractTableModel>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>

#include "pages/batchjob.h"

namespace tarvel::app {

// The list: one row per picture graded (图片, 结果, 选择). It shows the texts
// of its last refill: while a choice is being made on the worker thread, the
// outcomes are not to be read.
class BatchOutcomeModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BatchOutcomeModel(const BatchJob& job, QObject* parent = nullptr) : QAbstractTableModel(parent), job_(job) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The outcomes changed (the job has ended).
    void refill();

private:
    struct Row {
        QString cells[3];
        QString path;
        bool stored = false;
        bool waiting = false;
    };
    const BatchJob& job_;
    std::vector<Row> rows_;
};

// Draws the pictures of the list off the user-interface thread (a 300-dpi
// scan takes longer to decode than a tick); of several asked for meanwhile,
// only the latest is drawn.
class PictureDrawer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PictureDrawer() override;
    // The picture of row `row`.
    void draw(const BatchOutcome& outcome, int row);

signals:
    // The picture as the read framed it, or why it cannot be shown.
    void drawn(int row, const QImage& picture, const QString& message);

private:
    void next();
    void done();

    QThread* thread_ = nullptr;
    std::optional<BatchOutcome> pending_;
    int pendingRow_ = -1;
    int row_ = -1;  // of the picture being drawn
    QImage picture_;  // written by the thread before it ends
    QString message_;
};

class BatchResults : public QDialog {
    Q_OBJECT
public:
    BatchResults(GradingRun& run, std::vector<std::string> files, QWidget* parent);

    // Shows the progress window and starts grading; the list follows when
    // the work ends.
    void start();
    BatchJob& job() { return job_; }
    QProgressDialog* progressWindow() const { return progress_; }

signals:
    // The run holds cards the work stored (the grid and the save button follow).
    void runChanged();
    // The whole batch has been graded or stopped.
    void graded();
    // The picture of the current row `row` is shown.
    void pictureShown(int row);

protected:
    void reject() override;

private:
    void workEnded();
    void showOutcome();
    int currentRow() const;
    void setBusy(bool busy);

    BatchJob job_;
    BatchOutcomeModel model_;
    PictureDrawer drawer_;
    QPointer<QProgressDialog> progress_;
    QLabel* summary_;
    QTableView* list_;
    QLabel* picture_;
    QPlainTextEdit* detail_;
    QPushButton* store_;
    QPushButton* leave_;
    QPushButton* close_;
    std::vector<QPushButton*> suggestions_;
    bool listed_ = false;
};

}  // namespace tarvel::app
