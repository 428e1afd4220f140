/* Runs a fuzz target over every file of its corpus without the fuzzer, so
 * that the seeds and every finding kept there stay regression tests. */
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    size_t inputs = 0;
    for (int a = 1; a < argc; ++a) {
        for (const auto &entry : std::filesystem::directory_iterator(argv[a])) {
            std::ifstream file(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
            ++inputs;
        }
    }
    printf("%zu inputs checked\n", inputs);
    return inputs > 0 ? 0 : 1;
}
