// Writing a whole file through QSaveFile: the target is replaced only when
// every byte was written, so a failed save leaves any earlier file as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class QIODevice;

namespace vantorel {

struct SaveOutcome {
  bool Saved = false;
  std::string Error;  // why not, for the user
};

// A piece of the file to write, in order.
using SaveChunks = std::vector<std::span<const std::uint8_t>>;

// Writes one chunk; returns false when the write failed. Tests replace it to
// fail midway.
using ChunkWriter = std::function<bool(QIODevice&, std::span<const std::uint8_t>)>;

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks);
SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer);

}  // namespace vantorel
