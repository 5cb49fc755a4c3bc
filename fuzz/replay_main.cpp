// Runs a fuzz target once over given inputs, without libFuzzer: every file
// named on the command line, and every file under a directory named there.
// Arguments that start with '-' (libFuzzer flags) are ignored, so a fuzz
// target's command line works with either build.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputFiles(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        if (argv[i][0] == '-')
            continue;
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.push_back(arg);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<fs::path> files = InputFiles(argc, argv);
    if (files.empty()) {
        std::fprintf(stderr, "no inputs: name corpus files or directories\n");
        return 1;
    }
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
            return 1;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        // A heap block of exactly the input's size, as libFuzzer passes it, so
        // that the address sanitizer sees a read past its end.
        const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), data.get());
        std::fprintf(stderr, "input %s (%zu bytes)\n", file.string().c_str(), bytes.size());
        LLVMFuzzerTestOneInput(data.get(), bytes.size());
    }
    std::fprintf(stderr, "replayed %zu inputs\n", files.size());
    return 0;
}
