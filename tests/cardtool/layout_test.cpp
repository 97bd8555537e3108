#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "base/bytes.h"
#include "cardfill.h"
#include "cards_test_helpers.h"
#include "randomlayout.h"

namespace tarvel::cards {
namespace {

TEST(LayoutText, ShippedLayoutsCompileAndPassTheLayoutCheck) {
    for (const std::string& name : layoutNames()) {
        CardDesign d = shippedDesign(name);
        EXPECT_EQ(checkTemplate(d.layout, d.datName()), "");
        EXPECT_EQ(d.layout.subjectCount, 9);
        EXPECT_EQ(d.layout.subjects[1].code, "02");
        EXPECT_EQ(d.layout.subjects[1].name, "数学");
    }
}

}  // namespace
}  // namespace tarvel::cards

namespace tarvel::cards {
namespace {

std::string shippedText(const std::string& name) {
    std::ifstream in(std::string(TARVEL_LAYOUT_DIR) + "/" + name + ".layout", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(LayoutText, FieldsLandAtTheirRecordOffsets) {
    CardDesign d = shippedDesign("DY标准85题自动AB卷");
    const auto bytes = encodeTemplate(d.layout);
    ASSERT_EQ(bytes.size(), 392u);
    EXPECT_EQ(readF32(bytes.data() + 0), 155.0f);     // lowerLineLength
    EXPECT_EQ(readF32(bytes.data() + 4), 130.0f);     // lineSpacing
    EXPECT_EQ(readI32(bytes.data() + 48), 9);         // admissionDigits
    EXPECT_EQ(readI32(bytes.data() + 328), 9);        // subjectCount
    EXPECT_EQ(readI32(bytes.data() + 348), 85);       // questionCount
    EXPECT_EQ(readI32(bytes.data() + 388), 1);        // areaTwoFirstColumn
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 68 + 13)), "02");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 68 + 13 + 3)), "\xca\xfd\xd1\xa7");  // 数学 in GBK
}

TEST(LayoutText, MistakesAreNamedWithTheirLine) {
    const std::string good = shippedText("DY标准50题A卷");
    CardDesign d;
    EXPECT_EQ(parseLayoutText(good, d), "");
    EXPECT_EQ(parseLayoutText(good + "cellWidth = 6\n", d).find("重复") != std::string::npos, true);
    EXPECT_NE(parseLayoutText(good + "colour = red\n", d).find("未知的字段“colour”"), std::string::npos);
    EXPECT_NE(parseLayoutText(good + "subject = 1x 物理\n", d).find("科目"), std::string::npos);
    std::string missing = good;
    missing.replace(missing.find("questionCount"), 13, "# questionCount");
    EXPECT_EQ(parseLayoutText(missing, d), "缺少字段“questionCount”。");
    std::string notNumber = good;
    notNumber.replace(notNumber.find("cellWidth = 5"), 13, "cellWidth = 5mm");
    EXPECT_NE(parseLayoutText(notNumber, d).find("不是数字"), std::string::npos);
}

TEST(LayoutText, InfoPrintsEveryFieldAsJson) {
    const std::string json = layoutJson(shippedDesign("JD标准100题"));
    for (const char* key : {"\"lowerLineLength\": 140", "\"cellHeight\": 3.79999995231628", "\"abMode\": 2",
                            "\"admissionDigits\": 10", "\"areaOneRows\": 5", "\"name\": \"JD标准100题.dat\"",
                            "{\"code\": \"09\", \"name\": \"地理\"}"}) {
        EXPECT_NE(json.find(key), std::string::npos) << key;
    }
}

TEST(FillDescription, ParsesColumnsAndAnswers) {
    const CardTemplate t = shippedDesign("DY标准85题自动AB卷").layout;
    CardContent c;
    EXPECT_EQ(parseContent("admission=0123_5678 subject=02 score=_85 ab=B answers=A,DB,,C", t, c), "");
    EXPECT_EQ(c.admission, "0123 5678");
    EXPECT_EQ(c.score, " 85");
    EXPECT_EQ(c.abFlag, 1);
    ASSERT_EQ(c.answers.size(), 4u);
    EXPECT_EQ(c.answers[1], "BD");
    EXPECT_EQ(c.answers[2], "");
    EXPECT_NE(parseContent("admission=0123456789", t, c), "");  // ten digits on a nine-column card
    EXPECT_NE(parseContent("answers=E", t, c), "");
}

}  // namespace
}  // namespace tarvel::cards

namespace tarvel::cards {
namespace {

// Random layouts cover what cards in use vary in, and every one keeps the
// card-design rules; the same start value gives the same layouts.
TEST(RandomLayouts, CoverTheRangesAndKeepTheRules) {
    const std::vector<CardDesign> designs = randomDesigns(11, 60);
    std::set<std::string> seen;
    int fewest = 1000, most = 0;
    for (const CardDesign& d : designs) {
        const CardTemplate& t = d.layout;
        EXPECT_EQ(designProblem(d), "") << d.name;
        EXPECT_EQ(checkTemplate(t, d.datName()), "") << d.name;
        EXPECT_GE(t.cellWidth, 3.5f);
        EXPECT_LE(t.cellWidth, 6.0f);
        EXPECT_GE(t.cellHeight, 3.5f);
        EXPECT_LE(t.cellHeight, 6.0f);
        EXPECT_GE(t.admissionDigits, 5);
        EXPECT_GE(t.subjectColumns, 1);
        EXPECT_LE(t.scoreDigits, 4);
        const ScaleRange scales = photographableScales(t);
        EXPECT_LT(scales.low, scales.high) << d.name;
        fewest = std::min(fewest, t.questionCount);
        most = std::max(most, t.questionCount);
        seen.insert(d.name.substr(0, 2));
        seen.insert("abMode " + std::to_string(t.abMode));
        seen.insert(t.optionsVertical ? "down" : "across");
        seen.insert("score " + std::to_string(t.scoreDigits));
        seen.insert("subject " + std::to_string(t.subjectColumns));
    }
    for (const char* kind : {"DY", "JD", "abMode 0", "abMode 1", "abMode 2", "down", "across", "score 0", "score 4",
                             "subject 1", "subject 2"}) {
        EXPECT_EQ(seen.count(kind), 1u) << kind;
    }
    EXPECT_LE(fewest, 15);
    EXPECT_GE(most, 120);
    EXPECT_EQ(layoutJson(randomDesigns(11, 3)[2]), layoutJson(designs[2]));
}

TEST(RandomLayouts, TheirTextReadsBackToTheSameRecord) {
    for (const CardDesign& d : randomDesigns(12, 6)) {
        CardDesign back;
        ASSERT_EQ(parseLayoutText(layoutText(d), back), "") << d.name;
        EXPECT_EQ(encodeTemplate(back.layout), encodeTemplate(d.layout)) << d.name;
        EXPECT_EQ(back.title, d.title);
    }
}

}  // namespace
}  // namespace tarvel::cards
