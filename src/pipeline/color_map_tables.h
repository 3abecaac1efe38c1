// The colour maps' tables: a colour for each grey level.
#pragma once

#include <array>
#include <cstdint>

#include "pipeline/display_settings.h"

namespace vantorel {

struct Rgb {
  std::uint8_t red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

using ColorTable = std::array<Rgb, 256>;

// The perceptual maps, as published.
extern const ColorTable ViridisTable;
extern const ColorTable MagmaTable;
extern const ColorTable InfernoTable;
extern const ColorTable CividisTable;

// Any map's table: grey is v, v, v; heat runs black, red, yellow, white;
// cool runs cyan to magenta.
const ColorTable& ColorMapTable(ColorMap map);

}  // namespace vantorel
