#include "qtio/save_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace vantorel {

namespace {

bool WriteChunk(QIODevice& device, std::span<const std::uint8_t> chunk) {
  return device.write(reinterpret_cast<const char*>(chunk.data()), qint64(chunk.size())) == qint64(chunk.size());
}

}  // namespace

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks) {
  return SaveFileAtomically(path, chunks, WriteChunk);
}

SaveOutcome SaveFileAtomically(const std::string& path, const SaveChunks& chunks, const ChunkWriter& writer) {
  const QString name = QString::fromStdString(path);
  if (QFileInfo(name).isDir()) return {false, "it is a directory"};
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly)) return {false, file.errorString().toStdString()};
  for (const auto& chunk : chunks) {
    if (!writer(file, chunk)) {
      std::string reason = file.errorString().toStdString();
      file.cancelWriting();
      return {false, reason.empty() || reason == "Unknown error" ? "the write failed" : reason};
    }
  }
  if (!file.commit()) return {false, file.errorString().toStdString()};
  return {true, {}};
}

}  // namespace vantorel
