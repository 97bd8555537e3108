#pragma once
// Tests that build valid files also hand them to the fuzzers as starting
// inputs: they land in <build>/fuzz-corpus/<target>/.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarvel::testing {

inline void addToCorpus(const std::string& target, const std::string& name, const uint8_t* bytes, size_t size) {
#ifndef TARVEL_CORPUS_DIR
    return;
#else
    const char* root = TARVEL_CORPUS_DIR;
    std::filesystem::path folder = std::filesystem::path(root) / target;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes), size);
#endif
}

inline void addToCorpus(const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes) {
    addToCorpus(target, name, bytes.data(), bytes.size());
}

}  // namespace tarvel::testing
