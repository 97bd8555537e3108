#include "qt/messageboxprompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "qt/text.h"

namespace tarvel::app {
namespace {

struct Button {
    QMessageBox::StandardButton id;
    const char* text;
    Answer answer;
};

const Button kOk{QMessageBox::Ok, "确定", Answer::Ok};
const Button kCancel{QMessageBox::Cancel, "取消", Answer::Cancel};
const Button kYes{QMessageBox::Yes, "是(&Y)", Answer::Yes};
const Button kNo{QMessageBox::No, "否(&N)", Answer::No};

// Shows a box with `buttons` (the first is the default) and returns the
// answer of the one pressed; closing the box answers `closed`.
Answer ask(PromptKind kind, QMessageBox::Icon icon, const std::string& text, std::initializer_list<Button> buttons,
           Answer closed) {
    QMessageBox box(icon, qs(Prompter::titleOf(kind)), qs(text), QMessageBox::NoButton, QApplication::activeWindow());
    for (const Button& b : buttons) {
        QPushButton* button = box.addButton(b.id);
        button->setText(QString::fromUtf8(b.text));
        if (b.answer == closed) box.setEscapeButton(button);  // Esc and the close box
    }
    box.setDefaultButton(buttons.begin()->id);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const Button& b : buttons)
        if (b.id == pressed) return b.answer;
    return closed;
}

}  // namespace

void MessageBoxPrompter::message(const std::string& text) {
    ask(PromptKind::Message, QMessageBox::Information, text, {kOk}, Answer::Ok);
}

void MessageBoxPrompter::notice(const std::string& text) {
    ask(PromptKind::Notice, QMessageBox::Information, text, {kOk}, Answer::Ok);
}

Answer MessageBoxPrompter::askYesNo(const std::string& text) {
    // Closing a Yes/No box declines.
    return ask(PromptKind::YesNo, QMessageBox::Question, text, {kYes, kNo}, Answer::No);
}

Answer MessageBoxPrompter::askYesNoCancel(const std::string& text) {
    return ask(PromptKind::YesNoCancel, QMessageBox::Question, text, {kYes, kNo, kCancel}, Answer::Cancel);
}

Answer MessageBoxPrompter::askOkCancel(const std::string& text) {
    return ask(PromptKind::OkCancel, QMessageBox::Question, text, {kOk, kCancel}, Answer::Cancel);
}

}  // namespace tarvel::app
