#include "cli_test_frames.h"

#include <fstream>
#include <sstream>

namespace vantorel::testing {

std::string WriteMariner10Frame(const TempDir& folder, const std::string& name, std::size_t length) {
  std::vector<std::uint8_t> bytes = PatternFrameFile(length);
  if (bytes.size() > 1) bytes[0] = bytes[1] = 0xF7;
  const std::string path = folder / name;
  WriteBytes(path, bytes);
  return path;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace vantorel::testing
