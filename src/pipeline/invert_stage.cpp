#include <cstdint>

#include "pipeline/stages.h"
#include "pipeline/vector_clones.h"

namespace vantorel {

namespace {

constexpr std::uint8_t White = 255;

VANTOREL_VECTOR_CLONES void Invert(std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(White - bytes[i]);
}

}  // namespace

// The negative of the lines read, suffix bytes included.
void InvertStage(RenderContext& context) {
  if (!context.On(Option::Invert)) return;
  Invert(context.PresentRecords().data(), context.PresentRecords().size());
}

}  // namespace vantorel
