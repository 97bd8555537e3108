#include "output/reportrows.h"

#include <algorithm>
#include <cmath>

#include "base/floattext.h"

namespace tarvel {
namespace {

int sectionCount(const ExamSettings& settings) { return std::clamp(settings.sectionCount, 0, kMaxSections); }

ReportCell countCell(int32_t count) { return {std::to_string(count), double(count)}; }

void appendValues(const GradingRecord& r, ReportItem item, const ExamSettings& settings,
                  std::vector<ReportCell>& cells) {
    switch (item) {
        case ReportItem::AdmissionNumber: cells.push_back({r.admissionNumber, {}, true}); break;
        case ReportItem::Name: cells.push_back({r.name, {}}); break;
        case ReportItem::Total: cells.push_back(scoreCell(r.total)); break;
        case ReportItem::Subjective: cells.push_back(scoreCell(r.subjectiveScore)); break;
        case ReportItem::Objective: cells.push_back(scoreCell(r.objectiveScore)); break;
        case ReportItem::Sections:
            for (int k = 0; k < sectionCount(settings); ++k) cells.push_back(scoreCell(r.sectionScores[k]));
            break;
        case ReportItem::ExtraCount: cells.push_back(countCell(r.extraCount)); break;
        case ReportItem::MissingCount: cells.push_back(countCell(r.missingCount)); break;
        case ReportItem::WrongCount: cells.push_back(countCell(r.wrongCount)); break;
        case ReportItem::ExtraList: cells.push_back({ListQuestionsByOutcome(r, settings, kOutcomeExtra), {}}); break;
        case ReportItem::MissingList:
            cells.push_back({ListQuestionsByOutcome(r, settings, kOutcomeMissing), {}});
            break;
        case ReportItem::WrongList: cells.push_back({ListQuestionsByOutcome(r, settings, kOutcomeWrong), {}}); break;
    }
}

}  // namespace

std::optional<ReportItem> reportItemFromText(std::string_view text) {
    for (size_t i = 0; i < kReportItemTexts.size(); ++i) {
        if (text == kReportItemTexts[i]) return ReportItem(i);
    }
    return std::nullopt;
}

std::vector<ReportItem> allReportItems() {
    std::vector<ReportItem> items;
    for (size_t i = 0; i < kReportItemTexts.size(); ++i) items.push_back(ReportItem(i));
    return items;
}

bool addReportItem(std::vector<ReportItem>& chosen, ReportItem item) {
    if (std::find(chosen.begin(), chosen.end(), item) != chosen.end()) return false;
    chosen.push_back(item);
    return true;
}

std::string checkReportChoices(const Roster& roster, const ReportRequest& request) {
    if (roster.gradesEnabled && !request.group.gradeChosen) return kChooseGradeMessage;
    if (roster.classesEnabled && request.group.classIndex < 0) return kChooseClassMessage;
    if (request.items.empty()) return kChooseItemsMessage;
    return {};
}

std::string ListQuestionsByOutcome(const GradingRecord& record, const ExamSettings& settings, char outcome) {
    std::string text;
    const int questions = std::clamp(settings.questionCount, 0, kMaxExamQuestions);
    for (int q = 1; q <= questions; ++q) {
        const AnswerSlot& slot = record.answers[q - 1];
        if (slot.outcome != outcome) continue;
        text += std::to_string(q);
        text += '.';
        text += slot.answer.view();
        text += ' ';
    }
    return text;
}

std::vector<ReportColumn> reportColumns(const ReportRequest& request, const ExamSettings& settings) {
    std::vector<ReportColumn> columns;
    for (ReportItem item : request.items) {
        if (item == ReportItem::Sections) {
            for (int k = 0; k < sectionCount(settings); ++k) {
                const ScoreSection& s = settings.sections[k];
                columns.push_back({std::to_string(s.first) + "到" + std::to_string(s.last) + "题", 0});
            }
            continue;
        }
        double width = 0;
        if (item == ReportItem::AdmissionNumber) width = 12;
        if (item == ReportItem::ExtraCount || item == ReportItem::MissingCount || item == ReportItem::WrongCount) {
            width = 5;
        }
        columns.push_back({reportItemText(item), width});
    }
    return columns;
}

ReportCell scoreCell(float value) {
    ReportCell cell{floatToText(value), {}};
    // A general-format cell shows up to 11 characters of a plain decimal; a
    // longer text (0.100000001490116) or an exponent stays text.
    const bool plain = std::all_of(cell.text.begin(), cell.text.end(),
                                   [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; });
    if (plain && std::isfinite(value) && cell.text.size() <= 11) cell.number = double(value);
    return cell;
}

std::vector<ReportRow> reportRows(const RunView& run, const ReportRequest& request) {
    std::vector<ReportRow> rows;
    int taken = 0;
    for (const GroupMember& m : reportOrder(run, request.group, request.order)) {
        ReportRow row{m.student, m.record, ++taken, {}};
        if (m.record < 0) {
            if (!request.includeAbsent) continue;
            const StudentEntry& s = run.roster.students[m.student];
            row.cells = {{s.admissionNumber, {}, true}, {s.name, {}}};
        } else {
            for (ReportItem item : request.items) appendValues(run.records[m.record], item, run.settings, row.cells);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tarvel
