#pragma once
// Every message box and question of the program goes through a Prompter, so
// that the cores never open windows and tests can answer the questions.
#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace tarvel {

inline constexpr const char* kAppTitle = "Tarvel数码阅卷机（Tarvel摄像头阅卷专家）";
inline constexpr const char* kQuestionTitle = "Tarvel阅卷";
inline constexpr const char* kNoticeTitle = "提示：";

enum class Answer { Ok, Cancel, Yes, No };
enum class PromptKind { Message, Notice, YesNo, YesNoCancel, OkCancel };

class Prompter {
public:
    virtual ~Prompter() = default;
    // A plain message titled with the application title.
    virtual void message(const std::string& text) = 0;
    // A notice titled "提示：" with OK.
    virtual void notice(const std::string& text) = 0;
    // Questions titled "Tarvel阅卷".
    virtual Answer askYesNo(const std::string& text) = 0;
    virtual Answer askYesNoCancel(const std::string& text) = 0;
    virtual Answer askOkCancel(const std::string& text) = 0;

    static std::string titleOf(PromptKind kind);
};

// For programs without a window: messages go to `out` (nowhere when null),
// every question is declined (No, or Cancel where offered).
class DecliningPrompter : public Prompter {
public:
    explicit DecliningPrompter(std::ostream* out = nullptr) : out_(out) {}
    void message(const std::string& text) override { write(text); }
    void notice(const std::string& text) override { write(text); }
    Answer askYesNo(const std::string&) override { return Answer::No; }
    Answer askYesNoCancel(const std::string&) override { return Answer::Cancel; }
    Answer askOkCancel(const std::string&) override { return Answer::Cancel; }

private:
    void write(const std::string& text) {
        if (out_) *out_ << text << '\n';
    }
    std::ostream* out_;
};

// Records what was shown; answers questions from a queue. An empty queue
// answers the cautious way (No, or Cancel where offered) so that an unexpected
// question can never confirm something by accident.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        PromptKind kind;
        std::string title;
        std::string text;
    };

    void answerNext(Answer answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<std::string> texts() const;
    void clear() { shown_.clear(); }

    void message(const std::string& text) override;
    void notice(const std::string& text) override;
    Answer askYesNo(const std::string& text) override;
    Answer askYesNoCancel(const std::string& text) override;
    Answer askOkCancel(const std::string& text) override;

private:
    Answer take(PromptKind kind, const std::string& text, Answer fallback);

    std::deque<Answer> answers_;
    std::vector<Shown> shown_;
};

}  // namespace tarvel
