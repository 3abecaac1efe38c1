// Runs the fuzz target once on every file of a folder, so that the corpus is
// replayed by ordinary builds (and under the sanitizers) without libFuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantorel-fuzz-replay CORPUS_FOLDER\n");
    return 2;
  }
  std::vector<fs::path> inputs;
  std::error_code error;
  for (fs::directory_iterator entry(argv[1], error), end; !error && entry != end; entry.increment(error))
    if (entry->is_regular_file()) inputs.push_back(entry->path());
  if (error || inputs.empty()) {
    std::fprintf(stderr, "vantorel-fuzz-replay: no inputs in %s\n", argv[1]);
    return 1;
  }
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("%s (%zu bytes)\n", path.filename().c_str(), bytes.size());
    std::fflush(stdout);
    // A rejected input would pass without testing anything.
    if (LLVMFuzzerTestOneInput(bytes.data(), bytes.size()) != 0) {
      std::fprintf(stderr, "vantorel-fuzz-replay: %s was rejected as too short\n", path.c_str());
      return 1;
    }
  }
  std::printf("replayed %zu inputs\n", inputs.size());
  return 0;
}
