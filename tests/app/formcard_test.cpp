// FormCard: the two lists in directory order, the preselection, the picture
// of a layout, the print button's rules and the ways of choosing.
#include <QLabel>
#include <filesystem>
#include <fstream>

#include "apptest.h"
#include "base/paths.h"
#include "dialogs/formcard.h"

namespace tarvel::app::test {

class FormCardTest : public QObject {
    Q_OBJECT

    struct CardRig : Rig {
        explicit CardRig(const std::string& name) : Rig(name), form(prompter, desktop) {
            writeLayout("DY第二卡.dat");
            std::filesystem::create_directories(folder.path("CardImage"));
            QImage red(100, 80, QImage::Format_RGB32);
            red.fill(Qt::red);
            red.save(QString::fromStdString(folder.path("CardImage/JD测试卡.jpg")), "JPG");
            std::ofstream(folder.path("模板文件/说明.txt")) << "not a layout";
        }
        QTreeWidget* list(const char* name) { return form.findChild<QTreeWidget*>(name); }
        QStringList rows(const char* name) {
            QStringList out;
            for (int i = 0; i < list(name)->topLevelItemCount(); ++i) out << list(name)->topLevelItem(i)->text(0);
            return out;
        }
        QStringList selected(const char* name) {
            QStringList out;
            for (auto* item : list(name)->selectedItems()) out << item->text(0);
            return out;
        }
        void clickRow(const char* name, const QString& text, bool twice = false) {
            QTreeWidget* l = list(name);
            const QPoint at = l->visualItemRect(l->findItems(text, Qt::MatchExactly).value(0)).center();
            if (twice) {
                QTest::mousePress(l->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
            } else {
                QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
            }
        }
        QImage picture() { return form.findChild<QLabel*>("ImageCard")->pixmap().toImage(); }
    // The red test picture, as JPEG keeps it.
    bool redAt(int x, int y) {
        const QColor c = picture().pixelColor(x, y);
        return c.red() > 240 && c.green() < 16 && c.blue() < 16;
    }
        QPushButton* print() { return form.findChild<QPushButton*>("BtnPrint"); }
        void show(const std::string& current) {
            form.prepare(current, "选择");
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
        }
        FormCard form;
    };

private slots:
    void listsHoldTheLayoutsInDirectoryOrder() {
        CardRig rig("fc-lists");
        QStringList dy, jd;
        for (const auto& e : std::filesystem::directory_iterator(rig.folder.path("模板文件"))) {
            const QString name = QString::fromStdString(e.path().filename().string());
            if (name.startsWith("DY")) dy << name;
            if (name.startsWith("JD")) jd << name;
        }
        rig.show("");
        QCOMPARE(rig.rows("LVCards1"), dy);
        QCOMPARE(rig.rows("LVCards2"), jd);
        QCOMPARE(dy.size(), 2);
        QCOMPARE(rig.form.windowTitle(), QString("选择"));
    }

    void preselectionFollowsTheCurrentName() {
        CardRig rig("fc-preselect");
        rig.show("");
        const QString first = rig.rows("LVCards1").value(0);
        QCOMPARE(rig.selected("LVCards1"), QStringList{first});
        QCOMPARE(QString::fromStdString(rig.form.currentName()), first);
        QCOMPARE(rig.form.focusWidget(), rig.list("LVCards1"));

        rig.show("JD测试卡.dat");
        QCOMPARE(rig.selected("LVCards2"), QStringList{"JD测试卡.dat"});
        QVERIFY(rig.selected("LVCards1").isEmpty());
        QCOMPARE(rig.form.focusWidget(), rig.list("LVCards2"));
        QVERIFY(rig.redAt(20, 20));  // CardImage/JD测试卡.jpg at (20, 20)
        QVERIFY(!rig.redAt(19, 19));
        QVERIFY(!rig.print()->isEnabled());

        rig.show("XX其他.dat");
        QVERIFY(rig.selected("LVCards1").isEmpty() && rig.selected("LVCards2").isEmpty());
        QCOMPARE(rig.form.currentName(), std::string("XX其他.dat"));
        QVERIFY(rig.prompter.shown().empty());
    }

    void withoutSelfPrintedCardsNothingIsPreselected() {
        CardRig rig("fc-nody");
        for (const char* name : {"DY测试卡.dat", "DY第二卡.dat"}) std::filesystem::remove(rig.folder.path(std::string("模板文件/") + name));
        rig.show("");
        QVERIFY(rig.rows("LVCards1").isEmpty());
        QVERIFY(rig.selected("LVCards2").isEmpty());
        QCOMPARE(rig.form.currentName(), std::string());
    }

    void clicksShowThePictureAndSetThePrintButton() {
        CardRig rig("fc-clicks");
        rig.show("");
        rig.clickRow("LVCards2", "JD测试卡.dat");
        QCOMPARE(rig.form.currentName(), std::string("JD测试卡.dat"));
        QVERIFY(!rig.print()->isEnabled());
        QVERIFY(rig.redAt(60, 60));
        // A click beside the rows changes only the print button.
        QTreeWidget* dy = rig.list("LVCards1");
        QTest::mouseClick(dy->viewport(), Qt::LeftButton, {}, QPoint(10, dy->viewport()->height() - 5));
        QVERIFY(rig.print()->isEnabled());
        QCOMPARE(rig.form.currentName(), std::string("JD测试卡.dat"));
        // A layout without a picture: a grey area, no message.
        rig.clickRow("LVCards1", "DY第二卡.dat");
        QCOMPARE(rig.form.currentName(), std::string("DY第二卡.dat"));
        QCOMPARE(rig.picture().size(), QSize(820, 600));
        QCOMPARE(rig.picture().pixelColor(60, 60), rig.picture().pixelColor(0, 0));
        QVERIFY(rig.prompter.shown().empty());
    }

    void doubleClickAndOkChooseTheCloseBoxDoesNot() {
        CardRig rig("fc-choose");
        rig.show("");
        rig.clickRow("LVCards2", "JD测试卡.dat", true);  // never clicked before
        QCOMPARE(rig.form.chosenName(), std::string("JD测试卡.dat"));
        QCOMPARE(rig.form.result(), int(QDialog::Accepted));

        QTimer::singleShot(0, [&] { rig.form.findChild<QPushButton*>("BtnDaiRu")->click(); });
        QCOMPARE(rig.form.choose("DY第二卡.dat", "新阅卷"), std::string("DY第二卡.dat"));
        QTimer::singleShot(0, [&] { rig.form.reject(); });  // the close box
        QCOMPARE(rig.form.choose("JD测试卡.dat", "新阅卷"), std::string());
        QCOMPARE(rig.form.currentName(), std::string("JD测试卡.dat"));
    }

    void printOpensThePrintableCards() {
        CardRig rig("fc-print");
        rig.show("");
        rig.print()->click();
        QCOMPARE(rig.desktop.opened, std::vector<std::string>{installedPath("答题卡.pdf")});
        rig.desktop.works = false;
        rig.print()->click();
        QCOMPARE(rig.prompter.texts().size(), size_t(1));
        QVERIFY(rig.form.isVisible());  // the chooser stays open
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::FormCardTest)
#include "formcard_test.moc"
