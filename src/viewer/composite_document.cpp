#include "viewer/composite_document.h"

#include <cmath>
#include <sstream>

#include "analysis/readout.h"
#include "export/frame_guard.h"

namespace vantorel {

namespace {

constexpr const char* ChannelWords[3] = {"red", "green", "blue"};

}  // namespace

CompositeDocument::CompositeDocument() {
  for (std::unique_ptr<FrameDocument>& document : documents_) document = std::make_unique<FrameDocument>();
}

std::array<const FrameDocument*, 3> CompositeDocument::Channels() const {
  return {documents_[0].get(), documents_[1].get(), documents_[2].get()};
}

bool CompositeDocument::Compose(const ColorSet& frames, const AnimationLook& look, const CompositeSettings& settings) {
  frames_ = frames;
  settings_ = settings;
  return Recompose(look);
}

bool CompositeDocument::Recompose(const AnimationLook& look) {
  look_ = look;
  composed_ = false;
  composite_ = {};
  error_.clear();
  for (std::size_t c = 0; c < 3; ++c) {
    std::ostringstream messages;
    if (!RenderAnimationFrame(*documents_[c], frames_[c], look, messages)) {
      error_ = messages.str();
      while (!error_.empty() && error_.back() == '\n') error_.pop_back();
      return false;
    }
  }
  composite_ = ComposeColor(Channels(), settings_);
  error_ = composite_.Error;
  composed_ = error_.empty();
  return composed_;
}

void CompositeDocument::Clear() {
  composed_ = false;
  composite_ = {};
  error_.clear();
}

std::string CompositeDocument::OffsetsText() const {
  std::string text;
  for (std::size_t c = 1; c < 3; ++c) {
    const PictureOffset offset = FrameOffsetOf(composite_.Offsets[c], *documents_[c]);
    text += c == 1 ? "green " : "; blue ";
    text += TenthsText(offset.Lines) + " lines, " + TenthsText(offset.Samples) + " samples";
  }
  return text + " from red";
}

std::string CompositeDocument::ReadoutAt(int x, int y) const {
  if (!composed_) return {};
  const std::optional<FramePosition> position =
      FramePositionAt(x, y, documents_[0]->ActiveOptions(), documents_[0]->LineCount());
  if (!position) return {};
  std::string text = PositionText(*position);
  for (std::size_t c = 0; c < 3; ++c) {
    text += c == 0 ? ": " : ", ";
    text += ChannelWords[c];
    text += ' ';
    // The same whole-sample shift the composite was made with.
    const int from = y + int(std::lround(composite_.Offsets[c].Lines));
    const int column = x + int(std::lround(composite_.Offsets[c].Samples));
    if (from < 0 || from >= FrameLines || column < 0 || column >= PictureSamples)
      text += ChannelMissing;
    else
      text += std::to_string(composite_.Planes[c][ShownLevelIndex(x, y)]);
  }
  return text;
}

SaveOutcome CompositeDocument::Save(const std::string& path, ExportFormat format, const ChunkWriter& writer) const {
  if (!composed_) return {false, "there is no composite"};
  const FrameGuard::Verdict verdict = FrameGuard({frames_.begin(), frames_.end()}).Check(path);
  if (verdict.Frame) {
    std::string why = "it is the file of the ";
    why += ChannelWords[*verdict.Frame];
    why += " frame";
    return {false, why};
  }
  if (!verdict.Error.empty()) return {false, verdict.Error};
  const EncodedComposite file = EncodeComposite(composite_, Channels(), look_, format);
  if (!file.Error.empty()) return {false, file.Error};
  return writer ? SaveFileAtomically(path, {file.Bytes}, writer) : SaveFileAtomically(path, {file.Bytes});
}

}  // namespace vantorel
