// Every output of every sample frame under a handful of option sets, as
// digests of the files and texts that vantorel-render made when this table
// was written: reworking the code inside must not change a single byte.
// VANTOREL_WRITE_GOLDEN=1 rewrites the table (only for a change that is meant).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/render_command.h"
#include "support/test_support.h"

namespace vantorel::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* TablePath = VANTOREL_TESTS_DIR "/cli/golden_outputs.txt";

std::string Digest(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : bytes) hash = (hash ^ std::uint8_t(c)) * 1099511628211ull;
  std::ostringstream text;
  text << std::hex << hash << ' ' << std::dec << bytes.size();
  return text.str();
}

// Standard FITS carries the time it was written: in DATE, and in the checksum cards.
std::string WithoutWriteDate(std::string fits) {
  constexpr std::size_t Card = 80;
  for (std::size_t at = 0; at + Card <= fits.size(); at += Card)
    for (const char* keyword : {"DATE    ", "CHECKSUM", "DATASUM "})
      if (fits.compare(at, 8, keyword) == 0) fits.replace(at, Card, Card, ' ');
  return fits;
}

std::string Run(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = RunRender(args, out, err);
  EXPECT_EQ(status, ExitSuccess) << err.str();
  return out.str();
}

std::string FileText(const fs::path& path) {
  const std::vector<std::uint8_t> bytes = testing::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::map<std::string, std::string> CurrentOutputs(const fs::path& scratch) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> optionSets = {
      {"none", {}},
      {"all",
       {"--stretch", "--despeckle", "--reconstruct", "--flip", "--rotate", "--sharpen", "--invert", "--minimize",
        "--colorize"}},
      {"cleaning", {"--stretch", "--despeckle", "--reconstruct"}},
      {"geometry-steps",
       {"--flip", "--rotate", "--minimize", "--colorize", "--brightness", "40", "--contrast", "-2", "--gradient", "3"}},
      {"original", {"--original"}},
  };
  std::vector<std::string> samples;
  for (const auto& entry : fs::directory_iterator(VANTOREL_SAMPLES_DIR))
    if (entry.path().filename().string()[0] != '.') samples.push_back(entry.path().string());
  std::sort(samples.begin(), samples.end());
  std::map<std::string, std::string> digests;
  for (const auto& [setName, options] : optionSets) {
    for (const std::string& sample : samples) {
      const std::string key = fs::path(sample).filename().string() + ' ' + setName + ' ';
      for (const auto& [name, extension] : {std::pair{"bmp", "bmp"}, {"png", "png"}, {"fits", "fit"}}) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {sample, "-o", scratch / (std::string("out.") + extension)});
        Run(args);
        digests[key + name] = Digest(FileText(scratch / (std::string("out.") + extension)));
      }
      std::vector<std::string> args = options;
      args.insert(args.end(), {sample, "-o", scratch / "standard.fits"});
      Run(args);
      digests[key + "standard-fits"] = Digest(WithoutWriteDate(FileText(scratch / "standard.fits")));
      args = options;
      args.insert(args.end(), {"--info", sample});
      digests[key + "info"] = Digest(Run(args));
      if (setName == "none") digests[key + "cards"] = Digest(Run({"--cards", sample}));
    }
    std::vector<std::string> args = options;
    args.insert(args.end(), {"--info", "--json"});
    args.insert(args.end(), samples.begin(), samples.end());
    std::string json = Run(args);
    // The paths are this build's; the table holds what follows them.
    for (const std::string& sample : samples)
      for (std::size_t at; (at = json.find(sample)) != std::string::npos;) json.replace(at, sample.size(), "SAMPLE");
    digests["all-samples " + setName + " json"] = Digest(json);
  }
  return digests;
}

TEST(GoldenOutputs, EveryOutputOfEverySampleIsAsBefore) {
  testing::TempDir scratch;
  const std::map<std::string, std::string> current = CurrentOutputs(scratch.Path());
  if (std::getenv("VANTOREL_WRITE_GOLDEN")) {
    std::ofstream table(TablePath);
    for (const auto& [key, digest] : current) table << key << " = " << digest << '\n';
    GTEST_SKIP() << "wrote " << TablePath;
  }
  std::map<std::string, std::string> golden;
  std::ifstream table(TablePath);
  for (std::string line; std::getline(table, line);)
    if (const std::size_t equals = line.find(" = "); equals != std::string::npos)
      golden[line.substr(0, equals)] = line.substr(equals + 3);
  ASSERT_EQ(golden.size(), current.size()) << "the table and the outputs name different things";
  for (const auto& [key, digest] : current) EXPECT_EQ(golden[key], digest) << key;
}

}  // namespace
}  // namespace vantorel::cli
