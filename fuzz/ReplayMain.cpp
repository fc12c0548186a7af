// Runs a fuzz target over saved inputs, so that its corpus is an ordinary
// test in any build: every file named, and every file under every folder
// named, in name order. A failed check aborts with the input's name printed
// just before it.
//
// Usage: TARGET FILE-OR-FOLDER...

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path named(argv[i]);
        std::error_code error;
        if (fs::is_directory(named, error)) {
            std::vector<fs::path> found;
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(named))
                if (entry.is_regular_file())
                    found.push_back(entry.path());
            std::sort(found.begin(), found.end());
            inputs.insert(inputs.end(), found.begin(), found.end());
        } else if (fs::is_regular_file(named, error)) {
            inputs.push_back(named);
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 2;
    }

    for (const fs::path& input : inputs) {
        std::ifstream file(input, std::ios::binary);
        const std::vector<char> read((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (!file.eof() && file.fail()) {
            std::fprintf(stderr, "cannot read %s\n", input.c_str());
            return 2;
        }
        // An allocation of exactly the input's size, so that a read past its
        // end is caught by the address sanitizer.
        const std::vector<std::uint8_t> bytes(read.begin(), read.end());
        std::printf("%s (%zu bytes)\n", input.c_str(), bytes.size());
        std::fflush(stdout);
        // An empty input still comes with a valid pointer, as under libFuzzer.
        static const std::uint8_t none = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
    }
    std::printf("%zu inputs passed\n", inputs.size());
    return 0;
}
