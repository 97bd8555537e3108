#pragma once
// Batch grading ("批量阅卷…"): the photos or scans of a folder, or several
// chosen files, graded in name order exactly as presses of "阅卷" grade cards
// under the camera, without a window: a grading page runs it on a worker
// thread behind a progress dialog that may stop it between pictures, then
// lists every picture with its outcome.
//
// Nothing is asked while the batch runs. Where a press of "阅卷" would ask or
// stop at a question - a repeated read that differs in many answers, a card
// of a student of another class - the picture's outcome carries the question
// and the run stays as it was; the teacher answers in the list afterwards
// (choose), and the card is then read again from its picture with that
// answer. Messages a read shows ("AB卷标识未选", empty standard answers) are
// kept with the picture's outcome.
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "capture/gradingread.h"
#include "gradingfile/gradingrun.h"
#include "recognition/picturescale.h"

namespace tarvel {

// The question of an outcome whose card a choice may still store.
enum class BatchQuestion {
    None,
    RepeatDiffers,  // a repeated read with more than three differing answers: replace the stored read?
    OtherClass,     // a student on the roster, of another class than the one chosen: store the card all the same?
};

inline constexpr const char* kOtherClassQuestion =
    "这张答题卡的学生不属于当前选定的班级。是否仍然存入阅卷记录（如同在“所有班级”下阅卷）？";

struct BatchOutcome {
    std::string picture;  // as shown: the path, with "#" and the page for PDF files of several pages
    std::string path;     // the file, to show the picture again
    int page = 0;         // in the file, from 0
    // The read's code; nullopt when the picture could not be read at all
    // (the reason is in hint).
    std::optional<ReadResult> code;
    std::string prompt;                 // the short result text shown over the live picture
    std::string hint;                   // the memo text
    std::vector<std::string> messages;  // message boxes the read would have shown
    FrameView view;                     // how the picture was framed for the read
    int record = -1;                    // the record the card is stored in, -1 when not stored
    std::string admissionNumber;        // of that record
    std::string name;
    float total = 0;
    BatchQuestion question = BatchQuestion::None;
    std::string questionText;  // the message box's text
    bool answered = false;     // the teacher left the card out (a choice to store replaces the outcome)
    bool anyClass = false;     // read as under "所有班级", the teacher having chosen so
    // A card refused because its number is not on the roster while students
    // of the group are one slip away from it (suggestions in the hint): it
    // can be stored for one of them (BatchGrading::storeForStudent).
    std::optional<UnknownCard> unknownCard;
    int assignedStudent = -1;  // the roster student the teacher gave the card to

    bool stored() const { return record >= 0; }
    bool awaitsChoice() const { return question != BatchQuestion::None && !answered; }
};

// The outcome in one line of the list: "202410103 胡昊然 92分" (with
// "（手动指定）" for a card given to a suggested student), "标准答案", or why
// the picture was not stored (the first line of its hint, else its short
// text).
std::string outcomeLine(const BatchOutcome& outcome);
// "共12张图片：存入9张，未存入2张，待选择1张。" with "已停止，还有N张未阅。"
// when the batch was stopped before its end.
std::string batchSummary(const std::vector<BatchOutcome>& outcomes, size_t total);
// The picture of an outcome as its read framed it (640 x 480; the whole
// picture when it was never read), for the teacher to look at. False with a
// message when the file cannot be drawn (any more).
bool drawOutcomePicture(const BatchOutcome& outcome, Bitmap& frame, std::string& message);

// The pictures of a folder: files named as pictures or PDF files (.jpg,
// .jpeg, .png, .bmp, .pdf, any case), in name order.
std::vector<std::string> picturesInFolder(const std::string& folder);

// Name order: runs of digits compare by their value ("卡2" before "卡10"),
// everything else byte by byte.
bool comesBefore(const std::string& a, const std::string& b);

class BatchGrading {
public:
    // "请选择年级！" or "请选择班级" when the grading page's choice is missing
    // (the batch must not start, as "阅卷" does not read), else "".
    static std::string cannotStart(const GradingRun& run);

    // The files in name order; each page of a PDF file is a picture of its
    // own. The run is the main window's; it must not change while a picture
    // is graded.
    BatchGrading(GradingRun& run, std::vector<std::string> files);

    size_t total() const { return items_.size(); }
    size_t done() const { return outcomes_.size(); }
    bool finished() const { return done() == total(); }

    // Grades the next picture (there must be one); its outcome is
    // outcomes().back().
    const BatchOutcome& gradeNext();
    // Grades until every picture is graded or `stop` is set (looked at before
    // each picture); `progress` (done, total) is called after each one, on
    // the calling thread. True when every picture was graded.
    bool run(const std::atomic<bool>& stop, const std::function<void(size_t, size_t)>& progress = {});

    const std::vector<BatchOutcome>& outcomes() const { return outcomes_; }

    // The teacher's answer to outcome `index`'s question: store reads the
    // card again from its picture and stores it as the answer allows (OK to
    // the replacement; all classes for a student of another class), leave
    // changes nothing and closes the question. After a store the outcome
    // shows the new read - which may ask a new question. False when the
    // outcome awaits no choice.
    bool choose(size_t index, bool store);

    // The grading page's click on a roster suggestion, for outcome `index`'s
    // unknown card: stores it for roster student `student`
    // (StoreCardForStudent). A question that store raises (a repeated read
    // that differs much, a student of another class) becomes the outcome's
    // question, answered by choose as above. False when the outcome holds no
    // unknown card or the card was not stored.
    bool storeForStudent(size_t index, int student);

private:
    struct Item {
        std::string path;
        int page = 0;
        std::string name;
    };

    // Records what a read shows; answers every question with `answer`.
    class Collector : public Prompter {
    public:
        void reset(Answer answer);
        void message(const std::string& text) override { messages.push_back(text); }
        void notice(const std::string& text) override { messages.push_back(text); }
        Answer askYesNo(const std::string& text) override;
        Answer askYesNoCancel(const std::string& text) override;
        Answer askOkCancel(const std::string& text) override;

        std::vector<std::string> messages;
        std::string question;
        Answer answer = Answer::Cancel;
    };

    BatchOutcome grade(const Item& item, Answer answer, bool anyClass);
    // The student's card given again, with the teacher's answers.
    void assign(BatchOutcome& o, int student, Answer answer, bool anyClass);
    // Runs one judgement (`judge` reads or assigns the card) with the
    // question answered by `answer` and, for anyClass, the page's class set
    // to all classes for its time; fills the outcome from what it did.
    void judgeInto(BatchOutcome& o, Answer answer, bool anyClass,
                   const std::function<std::optional<ReadResult>(std::string&, std::string&)>& judge);

    GradingRun& run_;
    std::vector<Item> items_;
    PictureFile file_;  // the file of the picture graded last: a PDF is read once for all its pages
    std::string filePath_;
    std::vector<BatchOutcome> outcomes_;
    Collector prompter_;
    GradingCardReader reader_;
    std::optional<Judgement> judged_;
    ImageSet images_;
};

}  // namespace tarvel
