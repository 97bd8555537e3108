#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include <unistd.h>

#include "base/bytes.h"
#include "base/paths.h"
#include "recognition/cardtemplate.h"
#include "tests/corpus.h"
#include "tests/hugefile.h"
#include "tests/samplecard/samplecard.h"

using namespace tarvel;
namespace fs = std::filesystem;

namespace {

// Every numeric field gets a value derived from its own offset, so a field
// read from the wrong place shows at once.
struct Field {
    size_t offset;
    bool isFloat;
};
const Field kFields[] = {{0, true},    {4, true},    {8, true},    {12, true},   {16, true},   {20, false},
                         {24, true},   {28, true},   {32, true},   {36, true},   {40, true},   {44, true},
                         {48, false},  {52, true},   {56, true},   {60, false},  {64, false},  {328, false},
                         {332, true},  {336, true},  {340, false}, {344, true},  {348, false}, {352, true},
                         {356, true},  {360, true},  {364, false}, {368, false}, {372, false}, {376, false},
                         {380, false}, {384, false}, {388, false}};

std::array<uint8_t, kTemplateSize> handBuiltImage() {
    std::array<uint8_t, kTemplateSize> bytes{};
    for (const Field& f : kFields) {
        if (f.isFloat) {
            writeF32(&bytes[f.offset], static_cast<float>(f.offset) + 0.25f);
        } else {
            writeI32(&bytes[f.offset], static_cast<int32_t>(f.offset) * 3);
        }
    }
    // Subject 0: code "03", name "英语" (GBK D3 A2 D3 EF); subject 19: code "9".
    std::memcpy(&bytes[68], "03", 2);
    const uint8_t english[] = {0xD3, 0xA2, 0xD3, 0xEF};
    std::memcpy(&bytes[71], english, 4);
    bytes[68 + 13 * 19] = '9';
    return bytes;
}

std::vector<float> floatsOf(const CardTemplate& t) {
    return {t.lowerLineLength, t.lineSpacing, t.cellWidth, t.cellHeight, t.originOffsetX, t.abCellAX, t.abCellAY,
            t.abCellBX,        t.abCellBY,    t.admissionX, t.admissionY, t.subjectX,     t.subjectY, t.scoreX,
            t.scoreY,          t.orientMarkX, t.answerY,   t.blockPitchX, t.blockPitchY};
}

std::vector<int32_t> intsOf(const CardTemplate& t) {
    return {t.abMode,         t.admissionDigits, t.subjectColumns,     t.subjectRows,    t.subjectCount,
            t.scoreDigits,    t.questionCount,   t.optionsVertical,    t.areaOneColumns, t.areaOneRows,
            t.areaOneFirstColumn, t.areaTwoColumns, t.areaTwoRows,     t.areaTwoFirstColumn};
}

CardTemplate usableLayout() {
    CardTemplate t;
    t.lowerLineLength = 100;
    t.lineSpacing = 80;
    t.cellWidth = 4;
    t.cellHeight = 3;
    t.admissionDigits = 9;
    t.subjectColumns = 2;
    t.subjectRows = 10;
    t.questionCount = 85;
    return t;
}

class TemplateFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tarvel-templates-" + std::to_string(::getpid()));
        fs::create_directories(folder_ / "模板文件");
        setProgramFolder(folder_.string());
    }
    void TearDown() override {
        setProgramFolder("");
        fs::remove_all(folder_);
    }
    void write(const std::string& name, const uint8_t* bytes, size_t n) {
        std::ofstream(folder_ / "模板文件" / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes), n);
    }
    void write(const std::string& name, const CardTemplate& t) {
        auto bytes = encodeTemplate(t);
        write(name, bytes.data(), bytes.size());
    }
    fs::path folder_;
};

}  // namespace

TEST(CardTemplateRecord, EveryFieldAtItsOffset) {
    auto bytes = handBuiltImage();
    CardTemplate t = decodeTemplate(bytes.data());

    std::vector<float> expectedFloats;
    std::vector<int32_t> expectedInts;
    for (const Field& f : kFields) {
        if (f.isFloat) {
            expectedFloats.push_back(static_cast<float>(f.offset) + 0.25f);
        } else {
            expectedInts.push_back(static_cast<int32_t>(f.offset) * 3);
        }
    }
    EXPECT_EQ(floatsOf(t), expectedFloats);
    EXPECT_EQ(intsOf(t), expectedInts);
    EXPECT_EQ(t.subjects[0].code, "03");
    EXPECT_EQ(t.subjects[0].name, "英语");
    EXPECT_EQ(t.subjects[19].code, "9");
    EXPECT_EQ(t.subjects[1].code, "");

    EXPECT_EQ(encodeTemplate(t), bytes) << "encoding writes every field back where it came from";

    auto sample = encodeTemplate(sample::sampleLayout(0));
    tarvel::testing::addToCorpus("template_fuzz", "sample-ab.dat", sample.data(), sample.size());
    auto vertical = encodeTemplate(sample::sampleLayout(1, 1));
    tarvel::testing::addToCorpus("template_fuzz", "sample-vertical.dat", vertical.data(), vertical.size());
}

TEST_F(TemplateFiles, LoadsAUsableLayoutAndKeepsThePreviousOnFailure) {
    ScriptedPrompter prompter;
    TemplateStore store;
    store.chosenCardName = "";
    EXPECT_FALSE(store.LoadCurrentTemplate(prompter));
    EXPECT_TRUE(prompter.shown().empty()) << "no card chosen: nothing happens";

    write("DY好.dat", usableLayout());
    store.chosenCardName = "DY好.dat";
    ASSERT_TRUE(store.LoadCurrentTemplate(prompter));
    EXPECT_EQ(store.current.questionCount, 85);
    EXPECT_EQ(store.cardFamily(), "DY");
    EXPECT_EQ(store.family(), CardFamily::DY);

    store.chosenCardName = "JD没有.dat";
    EXPECT_FALSE(store.LoadCurrentTemplate(prompter));
    ASSERT_EQ(prompter.texts().size(), 1u);
    EXPECT_EQ(prompter.texts()[0], "未发现模板文件：JD没有.dat");
    EXPECT_EQ(store.current.questionCount, 85) << "the previous layout stays";

    store.ClearTemplate();
    EXPECT_EQ(store.chosenCardName, "");
    EXPECT_EQ(encodeTemplate(store.current), (std::array<uint8_t, kTemplateSize>{}));
}

// Refused: counts beyond the cell tables, and geometry that would leave the
// reader sampling cells far off the card or a billion pixels high, for ever.
TEST_F(TemplateFiles, RefusesLayoutsBeyondTheCapacitiesOrTheCard) {
    struct Case {
        const char* name;
        void (*spoil)(CardTemplate&);
        const char* mentions;
    };
    const Case cases[] = {
        {"a.dat", [](CardTemplate& t) { t.admissionDigits = 21; }, "admissionDigits"},
        {"b.dat", [](CardTemplate& t) { t.subjectColumns = 3; }, "subjectColumns"},
        {"c.dat", [](CardTemplate& t) { t.subjectRows = 16; }, "subjectRows"},
        {"d.dat", [](CardTemplate& t) { t.scoreDigits = 5; }, "scoreDigits"},
        {"e.dat", [](CardTemplate& t) { t.subjectCount = 21; }, "subjectCount"},
        {"f.dat", [](CardTemplate& t) { t.questionCount = 205; }, "questionCount"},
        {"g.dat", [](CardTemplate& t) { t.questionCount = 83; }, "questionCount"},
        {"h.dat", [](CardTemplate& t) { t.admissionDigits = -1; }, "admissionDigits"},
        {"i.dat", [](CardTemplate& t) { t.cellWidth = std::numeric_limits<float>::quiet_NaN(); }, "偏移8"},
        {"j.dat", [](CardTemplate& t) { t.lowerLineLength = 0; }, "lowerLineLength"},
        {"k.dat", [](CardTemplate& t) { t.admissionX = 3e9f; }, "admissionX"},
        {"l.dat", [](CardTemplate& t) { t.cellHeight = 1e9f; }, "cellHeight"},
        // Cells of 104 pixels when the lower line spans the whole card.
        {"m.dat", [](CardTemplate& t) { t.cellWidth = 13; }, "cellWidth"},
        // The lines alone 802 pixels apart at the smallest scale a card is found at.
        {"n.dat", [](CardTemplate& t) { t.lineSpacing = 401; }, "lineSpacing"},
        {"o.dat", [](CardTemplate& t) { t.scoreDigits = 3, t.scoreY = -1e6f; }, "scoreY"},
        {"p.dat", [](CardTemplate& t) { t.areaOneColumns = 1, t.areaOneRows = 17, t.blockPitchY = 30; }, "blockPitchY"},
        {"q.dat", [](CardTemplate& t) { t.answerY = 1e5f; }, "answerY"},
        {"r.dat", [](CardTemplate& t) { t.abCellBX = -1e9f; }, "abCellBX"},
        {"s.dat", [](CardTemplate& t) { t.originOffsetX = 3e38f; }, "originOffsetX"},
    };
    for (const Case& c : cases) {
        CardTemplate t = usableLayout();
        c.spoil(t);
        write(c.name, t);
        ScriptedPrompter prompter;
        TemplateStore store;
        store.current.questionCount = 40;
        store.chosenCardName = c.name;
        EXPECT_FALSE(store.LoadCurrentTemplate(prompter)) << c.name;
        ASSERT_EQ(prompter.texts().size(), 1u) << c.name;
        EXPECT_NE(prompter.texts()[0].find(c.name), std::string::npos) << prompter.texts()[0];
        EXPECT_NE(prompter.texts()[0].find(c.mentions), std::string::npos) << prompter.texts()[0];
        EXPECT_EQ(store.current.questionCount, 40) << c.name;
    }

    auto bytes = encodeTemplate(usableLayout());
    write("short.dat", bytes.data(), 391);
    ScriptedPrompter prompter;
    TemplateStore store;
    store.chosenCardName = "short.dat";
    EXPECT_FALSE(store.LoadCurrentTemplate(prompter));
    EXPECT_NE(prompter.texts().at(0).find("391"), std::string::npos);

    // Bytes beyond the record are never read, and a file of 4 GB is no layout.
    std::vector<uint8_t> longer(bytes.begin(), bytes.end());
    longer.resize(1000, 0xFF);
    write("long.dat", longer.data(), longer.size());
    store.chosenCardName = "long.dat";
    EXPECT_TRUE(store.LoadCurrentTemplate(prompter));
    const tarvel::testing::HugeFile huge((folder_ / "模板文件" / "大.dat").string());
    ASSERT_TRUE(huge.ok());
    store.chosenCardName = "大.dat";
    EXPECT_FALSE(store.LoadCurrentTemplate(prompter));
    EXPECT_EQ(prompter.texts().back(), "模板文件“大.dat”无效：文件过大，不是模板文件。");

    // Cells of exactly 100 pixels are still readable.
    CardTemplate largest = usableLayout();
    largest.cellWidth = 12.5f;
    EXPECT_EQ(checkTemplate(largest, "t.dat"), "");
}
