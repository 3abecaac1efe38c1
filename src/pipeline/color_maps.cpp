#include <algorithm>
#include <cmath>
#include <functional>

#include "pipeline/color_map_tables.h"

namespace vantorel {

namespace {

std::uint8_t Level(double fraction) { return std::uint8_t(std::lround(255 * std::clamp(fraction, 0.0, 1.0))); }

ColorTable TableOf(const std::function<Rgb(double)>& color) {
  ColorTable table{};
  for (int v = 0; v < 256; ++v) table[std::size_t(v)] = color(v / 255.0);
  return table;
}

}  // namespace

const ColorTable& ColorMapTable(ColorMap map) {
  static const ColorTable grey = TableOf([](double t) { return Rgb{Level(t), Level(t), Level(t)}; });
  // Red comes up over the first third, then green, then blue.
  static const ColorTable heat = TableOf([](double t) {
    return Rgb{Level(3 * t), Level(3 * t - 1), Level(3 * t - 2)};
  });
  static const ColorTable cool = TableOf([](double t) { return Rgb{Level(t), Level(1 - t), 255}; });
  switch (map) {
    case ColorMap::Grey: return grey;
    case ColorMap::Viridis: return ViridisTable;
    case ColorMap::Magma: return MagmaTable;
    case ColorMap::Inferno: return InfernoTable;
    case ColorMap::Cividis: return CividisTable;
    case ColorMap::Heat: return heat;
    case ColorMap::Cool: return cool;
  }
  return grey;
}

}  // namespace vantorel
