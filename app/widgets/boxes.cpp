#include "widgets/boxes.h"

#include <QApplication>
#include <QValidator>

#include "qt/text.h"

namespace tarvel::app {
namespace {

class RuleValidator : public QValidator {
public:
    RuleValidator(TextRule accepts, QObject* parent) : QValidator(parent), accepts_(accepts) {}
    State validate(QString& input, int&) const override { return accepts_(ss(input)) ? Acceptable : Invalid; }

private:
    TextRule accepts_;
};

bool inside(const QWidget* area, const QWidget* w) { return w && (w == area || area->isAncestorOf(w)); }

}  // namespace

QLineEdit* makeNumberBox(const char* objectName, int maxLength, TextRule accepts, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    box->setMaxLength(maxLength);
    box->setValidator(new RuleValidator(accepts, box));
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    box->setDragEnabled(false);
    return box;
}

void whenLeft(QWidget* area, std::function<void()> check) {
    QObject::connect(qApp, &QApplication::focusChanged, area,
                     [area, check = std::move(check)](QWidget* old, QWidget* now) {
                         if (inside(area, old) && now && !inside(area, now) && now->window() == area->window()) check();
                     });
}

}  // namespace tarvel::app
