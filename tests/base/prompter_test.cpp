#include <gtest/gtest.h>

#include "base/prompter.h"

using namespace tarvel;

TEST(ScriptedPrompter, RecordsTitlesAndAnswersCautiouslyWhenUnscripted) {
    ScriptedPrompter p;
    p.message("未发现模板文件：x.dat");
    p.notice("没有发现可以使用的摄像头");
    p.answerNext(Answer::Yes);
    EXPECT_EQ(p.askYesNo("q1"), Answer::Yes);
    EXPECT_EQ(p.askYesNo("q2"), Answer::No);
    EXPECT_EQ(p.askOkCancel("q3"), Answer::Cancel);
    EXPECT_EQ(p.askYesNoCancel("q4"), Answer::Cancel);

    ASSERT_EQ(p.shown().size(), 6u);
    EXPECT_EQ(p.shown()[0].title, "Tarvel数码阅卷机（Tarvel摄像头阅卷专家）");
    EXPECT_EQ(p.shown()[1].title, "提示：");
    EXPECT_EQ(p.shown()[2].title, "Tarvel阅卷");
    EXPECT_EQ(p.shown()[4].kind, PromptKind::OkCancel);
    EXPECT_EQ(p.texts()[0], "未发现模板文件：x.dat");
}
