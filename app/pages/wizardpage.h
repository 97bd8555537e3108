#pragma once
// One page of the six-page wizard. A page builds its own controls into
// body(), gets ready in prepare() when a Next move enters it, and decides in
// checkNext() whether its Next button may move on (telling the user why not
// and moving the focus to the control that fixes it). The foot row with the
// Back, Next and Help buttons is the same on every page; the main window
// connects those buttons and moves between pages.
#include <QPushButton>
#include <QWidget>

#include "context.h"

namespace tarvel::app {

class WizardPage : public QWidget {
    Q_OBJECT
public:
    // Page `number` (1-6). The foot row holds BtnBack<n>, BtnNext<n> (on the
    // last page BtnGoToFirst "返回第一步") and BtnHelp<n>.
    WizardPage(int number, const QString& caption, AppContext& context, QWidget* parent = nullptr);

    int number() const { return number_; }
    const QString& caption() const { return caption_; }

    // A Next move has entered the page (Back moves never prepare).
    virtual void prepare() {}
    // The check of this page's Next button.
    virtual bool checkNext() { return true; }
    // What "保存阅卷原始文件" commits first while this page is active.
    virtual ActivePage activePage() const { return {}; }
    // The run changed outside the page (new, opened or saved run): show it.
    virtual void refresh() {}

    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* helpButton() const { return help_; }

signals:
    // The page changed the grading run (card layout, roster, save state).
    void runChanged();

protected:
    QWidget* body() const { return body_; }
    AppContext& context_;

private:
    int number_;
    QString caption_;
    QWidget* body_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* help_;
};

// A button of the program's usual size with its component name.
QPushButton* makeButton(const char* objectName, const QString& text, QWidget* parent, QSize size = QSize(113, 33));

}  // namespace tarvel::app
