#include <array>
#include <cstdint>
#include <cstring>

#include "pipeline/stages.h"
#include "pipeline/vector_clones.h"

namespace vantorel {

namespace {

static_assert(PictureSamples % 8 == 0 && FrameLines % 2 == 0);

constexpr int SuffixBytes = RecordBytes - PictureSamples;

// The picture samples of `from`, last first, into `to`: eight at a time, each
// eight turned round with one byte swap.
VANTOREL_VECTOR_CLONES void PutMirrored(const std::uint8_t* from, std::uint8_t* to) {
  for (int s = 0; s < PictureSamples; s += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, from + PictureSamples - 8 - s, sizeof word);
    word = __builtin_bswap64(word);
    std::memcpy(to + s, &word, sizeof word);
  }
}

}  // namespace

// Half a turn: the lines exchanged and each line mirrored; only the picture
// samples are mirrored, the suffix moves with its line as it is.
void RotateStage(RenderContext& context) {
  if (!context.On(Option::Rotate)) return;
  std::array<std::uint8_t, RecordBytes> held;
  for (int line = 1; line <= FrameLines / 2; ++line) {
    std::uint8_t* upper = context.WorkFrame.data() + SampleOffset(line, 1);
    std::uint8_t* lower = context.WorkFrame.data() + SampleOffset(FrameLines + 1 - line, 1);
    std::memcpy(held.data(), upper, RecordBytes);
    PutMirrored(lower, upper);
    std::memcpy(upper + PictureSamples, lower + PictureSamples, SuffixBytes);
    PutMirrored(held.data(), lower);
    std::memcpy(lower + PictureSamples, held.data() + PictureSamples, SuffixBytes);
  }
}

}  // namespace vantorel
