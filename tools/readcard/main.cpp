// tarvel-readcard: a self-test of the card reader. It stores the built-in
// sample layout as a layout file, loads it the way the program loads a chosen
// card, paints a filled rectified card in memory and prints what is read.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <unistd.h>

#include "base/paths.h"
#include "recognition/reading.h"
#include "tests/samplecard/samplecard.h"

using namespace tarvel;

int main(int argc, char** argv) {
    if (argc > 1) {
        std::cout << "用法：tarvel-readcard\n读取一张内置的示例答题卡并打印读取结果。\n";
        return std::string(argv[1]) == "--help" ? 0 : 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("tarvel-readcard-" + std::to_string(::getpid()));
    fs::create_directories(folder / installed::kTemplates);
    const std::string name = "DY示例85题.dat";
    auto bytes = encodeTemplate(sample::sampleLayout(0));
    std::ofstream(folder / installed::kTemplates / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    DecliningPrompter prompter(&std::cerr);
    setProgramFolder(folder.string());
    TemplateStore store;
    store.chosenCardName = name;
    bool loaded = store.LoadCurrentTemplate(prompter);
    fs::remove_all(folder);
    if (!loaded) return 1;

    sample::SampleCard card(store.current);
    CardCells cells;
    computeCells(card.layout, card.place, 0, cells);
    const std::string admission = "201000307";
    for (int i = 0; i < 9; ++i) card.markDigit(cells.admission, i, admission[i] - '0');
    card.markDigit(cells.subject, 0, 0);
    card.markDigit(cells.subject, 1, 2);
    for (int i = 0; i < 3; ++i) card.markDigit(cells.score, i, "085"[i] - '0');
    card.markPaperFlag(false);
    const char* pattern[] = {"A", "C", "B", "D", "", "AB", "BD", "C"};
    std::array<bool, kMaxQuestions> multiple{};
    for (int q = 0; q < 85; ++q) {
        multiple[q] = q >= 60;
        std::string letters = pattern[q % 8];
        if (!multiple[q] && letters.size() > 1) letters = letters.substr(0, 1);
        card.markAnswer(q, letters);
    }

    MarkReader reader(card.layout, store.family(), card.place, card.normalized, card.confirmation, prompter);
    CardReading r;
    reader.PrepareCardGeometry(r);
    reader.BinarizeReadingAreas();
    reader.ReadAdmissionNumber(r, 9);
    reader.ReadSubjectCode(r);
    bool scoreRead = reader.ReadSubjectiveScore(r);
    reader.ReadAnswers(r, 85, multiple);

    std::cout << "答题卡模板：" << store.chosenCardName << "（" << store.current.questionCount << "题）\n";
    std::cout << "AB卷：" << (r.abFlag ? "B" : "A") << "\n";
    std::cout << "准考证号：" << r.admissionNumber << "\n";
    std::cout << "科目代码：" << r.subjectCode << "\n";
    std::cout << "主观分：" << (scoreRead ? std::to_string(static_cast<int>(r.subjectiveScore)) : "读取失败") << "\n";
    std::cout << "答案：";
    for (int q = 0; q < 85; ++q) std::cout << (q ? " " : "") << q + 1 << ":" << (r.answers[q].empty() ? "-" : r.answers[q]);
    std::cout << "\n";
    return 0;
}
