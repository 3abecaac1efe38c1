#include <cstdint>

#include "pipeline/stages.h"

namespace vantorel {

namespace {

constexpr std::uint8_t White = 255;

}  // namespace

// The negative of the lines read, suffix bytes included.
void InvertStage(RenderContext& context) {
  if (!context.On(Option::Invert)) return;
  for (std::uint8_t& byte : context.PresentRecords()) byte = static_cast<std::uint8_t>(White - byte);
}

}  // namespace vantorel
