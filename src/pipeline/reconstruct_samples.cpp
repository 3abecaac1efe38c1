// Missing-pixel reconstruction: a zero sample is a sample the transmission lost.
//
// All three passes sweep in place in ascending order, so a decision may see
// what the same pass wrote earlier. Each pass is nevertheless worked in chunks
// whose cheap part is computed over a whole chunk at once (which the compiler
// vectorises); the comments at each pass say why that gives the very bytes a
// one-byte-at-a-time sweep would.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "pipeline/chunked_sweep.h"
#include "pipeline/neighbour_offsets.h"
#include "pipeline/stages.h"
#include "pipeline/vector_clones.h"

namespace vantorel {

namespace {

// Pass 1 looks two lines and two samples out, so it keeps off the outer lines.
constexpr int SpeckFirstOffset = 3 * RecordBytes + 2;                // 2,906: (line 3, s = 2)
constexpr int SpeckLastOffset = (FrameLines - 3) * RecordBytes - 3;  // 674,693: (line 696, s = 965)
// The fill passes start at line 1, whose upper neighbour is the header record.
constexpr int FillFirstOffset = RecordBytes;                        // 968: (line 1, s = 0)
constexpr int FillLastOffset = (FrameLines - 1) * RecordBytes - 3;  // 676,629: (line 698, s = 965)

// A speck is replaced when its outer ring is this much darker on every side...
constexpr int FarDarkerMargin = 36;
// ...or slightly darker on every side and nearly black altogether.
constexpr int NearDarkerMargin = 5;
constexpr int NearBlackRingSum = 18;

// The eight neighbours and the samples two away on either side.
constexpr std::array<int, NeighbourOffsets.size() + 2> NearRing = [] {
  std::array<int, NeighbourOffsets.size() + 2> ring{-2, 2};
  std::copy(NeighbourOffsets.begin(), NeighbourOffsets.end(), ring.begin() + 2);
  return ring;
}();
constexpr int OuterRing[] = {-2 * RecordBytes, -RecordBytes - 2, -RecordBytes + 2,
                             2 * RecordBytes,  RecordBytes - 2,  RecordBytes + 2};
constexpr int OuterRingSize = sizeof(OuterRing) / sizeof(OuterRing[0]);

// sum / count rounded to the nearest integer, a tie going to the even one.
constexpr std::uint8_t RoundedMean(int sum, int count) {
  const int quotient = sum / count;
  const int twiceRemainder = 2 * (sum % count);
  const bool up = twiceRemainder > count || (twiceRemainder == count && quotient % 2 == 1);
  return static_cast<std::uint8_t>(quotient + (up ? 1 : 0));
}

static_assert(RoundedMean(23, 2) == 12 && RoundedMean(21, 2) == 10 && RoundedMean(17, 6) == 3 &&
              RoundedMean(15, 6) == 2 && RoundedMean(21, 6) == 4 && RoundedMean(510, 2) == 255);

// The mean of two samples, branch-free and byte-wide so that whole chunks
// vectorise: the mean rounded up, less one where that made an odd result of
// an odd sum (a tie, which goes to the even neighbour below).
inline std::uint8_t RoundedPairMean(std::uint8_t a, std::uint8_t b) {
  const auto up = std::uint8_t((a + b + 1) >> 1);
  return std::uint8_t(up - ((a ^ b) & up & 1));
}

bool NearRingIsBlank(const std::uint8_t* frame, int x) {
  for (int offset : NearRing)
    if (frame[x + offset] != 0) return false;
  return true;
}

// Whether pass 1 may write at x: never at s = 831..966.
bool SpeckMayChange(int x) { return (x + 1) % RecordBytes < PictureSamples; }

// Whether the byte at x was changed.
bool RemoveSpeckAt(std::uint8_t* frame, int x) {
  const int r = frame[x];
  if (r == 0 || !NearRingIsBlank(frame, x) || !SpeckMayChange(x)) return false;
  int sum = 0, farDarker = 0, nearDarker = 0;
  for (int offset : OuterRing) {
    const int n = frame[x + offset];
    sum += n;
    farDarker += r - n >= FarDarkerMargin;
    nearDarker += r - n >= NearDarkerMargin;
  }
  if (farDarker != OuterRingSize && (nearDarker != OuterRingSize || sum > NearBlackRingSum)) return false;
  frame[x] = RoundedMean(sum, OuterRingSize);
  return frame[x] != r;
}

// Pass 1. Only a non-zero byte between two zero bytes can be a speck, so that
// cheap test picks the candidates of a chunk up front. Writing a speck never
// makes or unmakes another candidate: every byte of a speck's near ring is
// zero and pass 1 never changes a zero, and the ring is symmetric. Later
// candidates still read the written value through their outer ring.
VANTOREL_VECTOR_CLONES void FlagSpeckCandidates(const std::uint8_t* at, int length, std::uint8_t* candidate) {
  for (int i = 0; i < length; ++i) candidate[i] = (at[i] != 0) & (at[i - 1] == 0) & (at[i + 1] == 0);
}

void RemoveSpecks(const RenderContext& context, std::int32_t& replaced) {
  std::uint8_t* frame = context.WorkFrame.data();
  ForEachChunk(SpeckFirstOffset, SpeckLastOffset, [frame, &context, &replaced](int start, int length) {
    std::uint8_t candidate[ChunkBytes];
    FlagSpeckCandidates(frame + start, length, candidate);
    ForEachFlag(candidate, length, [frame, start, &context, &replaced](int i) {
      if (RemoveSpeckAt(frame, start + i) && IsPictureSample(start + i)) {
        ++replaced;
        context.NoteReplaced(start + i);
      }
    });
  });
}

// Passes 2 and 3 fill a zero between two non-zero bytes (above and below, or
// left and right) with their mean, which is never zero: so a byte changes
// exactly when it is filled.
inline bool Fills(std::uint8_t at, std::uint8_t before, std::uint8_t after) {
  return (at == 0) & (before != 0) & (after != 0);
}

// Pass 2. Within a chunk shorter than a record, a write at x is read only as
// the upper neighbour of x + 968, which lies in a later chunk; so a chunk may
// be worked all at once.
//
// Both fill passes flag the picture samples they fill (against a mask of the
// picture columns) in bytes, which keeps the loop one byte-wide vector loop,
// and count the flags after it; the flags are noted only when a mask was asked for.
VANTOREL_VECTOR_CLONES int FillVerticallyInChunk(std::uint8_t* at, int length, const std::uint8_t* __restrict picture,
                                                 std::uint8_t* __restrict filled) {
  for (int i = 0; i < length; ++i) {
    const std::uint8_t before = at[i - RecordBytes], after = at[i + RecordBytes];
    const bool fill = Fills(at[i], before, after);
    at[i] = fill ? RoundedPairMean(before, after) : at[i];
    filled[i] = std::uint8_t(fill & picture[i]);
  }
  return CountOnes(filled, length);
}

void NoteFilled(const RenderContext& context, const std::uint8_t* filled, int start, int length) {
  if (context.ReplacedMask.empty()) return;
  ForEachFlag(filled, length, [&context, start](int i) { context.NoteReplaced(start + i); });
}

void FillVertically(const RenderContext& context, std::int32_t& replaced) {
  std::uint8_t* frame = context.WorkFrame.data();
  ForEachChunk(FillFirstOffset, FillLastOffset, [frame, &context, &replaced](int start, int length) {
    std::uint8_t filled[ChunkBytes];
    const int count = FillVerticallyInChunk(frame + start, length, PictureColumns() + start % RecordBytes, filled);
    replaced += count;
    if (count > 0) NoteFilled(context, filled, start, length);
  });
}

// Pass 3. A zero at x is filled only when x - 1 is non-zero, and x - 1 itself
// was filled only if x was non-zero; so the left neighbour a zero sees is
// always the value from before the pass, and a chunk can be worked from a
// snapshot and written back.
VANTOREL_VECTOR_CLONES int FillHorizontallyInChunk(std::uint8_t* at, int length, const std::uint8_t* __restrict picture,
                                                   std::uint8_t* __restrict filled) {
  std::uint8_t values[ChunkBytes];
  for (int i = 0; i < length; ++i) {
    const bool fill = Fills(at[i], at[i - 1], at[i + 1]);
    values[i] = fill ? RoundedPairMean(at[i - 1], at[i + 1]) : at[i];
    filled[i] = std::uint8_t(fill & picture[i]);
  }
  std::memcpy(at, values, std::size_t(length));
  return CountOnes(filled, length);
}

void FillHorizontally(const RenderContext& context, std::int32_t& replaced) {
  std::uint8_t* frame = context.WorkFrame.data();
  ForEachChunk(FillFirstOffset, FillLastOffset, [frame, &context, &replaced](int start, int length) {
    std::uint8_t filled[ChunkBytes];
    const int count = FillHorizontallyInChunk(frame + start, length, PictureColumns() + start % RecordBytes, filled);
    replaced += count;
    if (count > 0) NoteFilled(context, filled, start, length);
  });
}

}  // namespace

void ReconstructSamples(RenderContext& context) {
  std::int32_t& replaced = context.Replaced.Reconstruction;
  replaced = 0;
  if (!context.On(Option::Reconstruct)) return;
  RemoveSpecks(context, replaced);
  FillVertically(context, replaced);
  FillHorizontally(context, replaced);
}

}  // namespace vantorel
