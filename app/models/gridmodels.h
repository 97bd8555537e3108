#pragma once
// The grids of the students and exam pages as table models over the rows
// the pages keep. Texts, headings, which cells are edited and what an edit
// does all come from the cores (roster/studentgrid.h, roster/gradegrid.h,
// grading/exampage.h); the models only translate between them and Qt.
#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "grading/exampage.h"
#include "roster/gradegrid.h"
#include "roster/studentgrid.h"

namespace tarvel::app {

class CoreTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The rows were changed by an operation of the page: the views show them
    // anew.
    void reload();
    // One cell changed while it is being typed into.
    void cellChanged(int row, int column);

protected:
    virtual std::string cellText(int row, int column) const = 0;
    virtual std::string heading(int column) const = 0;
    virtual bool editable(int column) const = 0;
    bool validCell(const QModelIndex& index) const;
};

// SGridXS: the rows of the shown group. An edit that ends is judged by
// finishStudentEdit; `edited` hears where that leaves the page.
class StudentGridModel : public CoreTableModel {
    Q_OBJECT
public:
    StudentGridModel(StudentGrid& grid, Roster& roster, Prompter& prompter, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    std::function<void(int row, int column, const GridOutcome&)> edited;

protected:
    std::string cellText(int row, int column) const override { return studentCellText(grid_, row, column); }
    std::string heading(int column) const override { return studentColumnHeading(column); }
    bool editable(int column) const override { return studentCellEditable(column); }

private:
    StudentGrid& grid_;
    Roster& roster_;
    Prompter& prompter_;
};

// SGridNJ: the grade rows of the page. `edited` hears each cell that took
// its new text.
class GradeGridModel : public CoreTableModel {
    Q_OBJECT
public:
    GradeGridModel(std::vector<GradeEntry>& rows, Prompter& prompter, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    std::function<void(int row, int column)> edited;

protected:
    std::string cellText(int row, int column) const override { return gradeCellText(rows_, row, column); }
    std::string heading(int column) const override { return gradeColumnHeading(column); }
    bool editable(int column) const override { return gradeCellEditable(column); }

private:
    std::vector<GradeEntry>& rows_;
    Prompter& prompter_;
};

// SGridTF and SGridDX over the exam page's rows. `edited` hears whether an
// edit counts as a change of the run.
class ExamGridModel : public CoreTableModel {
    Q_OBJECT
public:
    ExamGridModel(tarvel::ExamPage& page, ExamGrid grid, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    ExamGrid grid() const { return grid_; }
    std::function<void(bool changed)> edited;

protected:
    std::string cellText(int row, int column) const override { return examCellText(page_, grid_, row, column); }
    std::string heading(int column) const override { return examColumnHeading(grid_, column); }
    bool editable(int column) const override { return examCellInput(grid_, column) != ExamCellInput::None; }

private:
    tarvel::ExamPage& page_;
    ExamGrid grid_;
};

}  // namespace tarvel::app
