// Runs a fuzz target without libFuzzer: every file of the seed corpus given on the command line, then
// a fixed series of generated inputs (random bytes and byte flips of the corpus files). The series is
// the same on every run, so a failure here is reproducible.
#include "../support/WholeFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::vector<uint8_t>> ReadCorpus(const char* folder) {
    std::vector<std::vector<uint8_t>> corpus;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return corpus;
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths)
        corpus.push_back(ZorbelTest::ReadWholeFile<std::vector<uint8_t>>(path.string()));
    return corpus;
}

void Run(const std::vector<uint8_t>& input) {
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::vector<uint8_t>> corpus;
    for (int i = 1; i < argc; ++i) {
        auto more = ReadCorpus(argv[i]);
        corpus.insert(corpus.end(), more.begin(), more.end());
    }
    for (const auto& input : corpus)
        Run(input);

    std::mt19937 random(12345);
    int runs = 0;
    for (int i = 0; i < 2000; ++i, ++runs) {
        std::vector<uint8_t> input(random() % 512);
        for (auto& byte : input)
            byte = static_cast<uint8_t>(random());
        Run(input);
    }
    for (const auto& seed : corpus) {
        if (seed.empty()) continue;
        for (int i = 0; i < 300; ++i, ++runs) {
            std::vector<uint8_t> input = seed;
            int flips = 1 + static_cast<int>(random() % 8);
            for (int f = 0; f < flips; ++f)
                input[random() % input.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            if (random() % 4 == 0) input.resize(random() % input.size());
            Run(input);
        }
    }
    std::printf("%zu corpus files and %d generated inputs ran cleanly\n", corpus.size(), runs);
    return 0;
}
