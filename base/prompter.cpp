#include "base/prompter.h"

namespace tarvel {

std::string Prompter::titleOf(PromptKind kind) {
    switch (kind) {
        case PromptKind::Message: return kAppTitle;
        case PromptKind::Notice: return kNoticeTitle;
        default: return kQuestionTitle;
    }
}

std::vector<std::string> ScriptedPrompter::texts() const {
    std::vector<std::string> out;
    for (const auto& s : shown_) out.push_back(s.text);
    return out;
}

void ScriptedPrompter::message(const std::string& text) {
    shown_.push_back({PromptKind::Message, titleOf(PromptKind::Message), text});
}

void ScriptedPrompter::notice(const std::string& text) {
    shown_.push_back({PromptKind::Notice, titleOf(PromptKind::Notice), text});
}

Answer ScriptedPrompter::take(PromptKind kind, const std::string& text, Answer fallback) {
    shown_.push_back({kind, titleOf(kind), text});
    if (answers_.empty()) return fallback;
    Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

Answer ScriptedPrompter::askYesNo(const std::string& text) {
    return take(PromptKind::YesNo, text, Answer::No);
}

Answer ScriptedPrompter::askYesNoCancel(const std::string& text) {
    return take(PromptKind::YesNoCancel, text, Answer::Cancel);
}

Answer ScriptedPrompter::askOkCancel(const std::string& text) {
    return take(PromptKind::OkCancel, text, Answer::Cancel);
}

}  // namespace tarvel
