// How the picture is shown on top of the tone mapping: a display scale (the
// limits stretched over the grey levels, and the curve between them) and a
// colour map. Neither changes the grey samples that FITS files keep. Each
// choice is named here once for every front end.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantorel {

enum class ScaleMode { None, MinMax, Percentile, ZScale };
enum class ScaleCurve { Linear, Log, Sqrt, Asinh, HistogramEqualization };
enum class ColorMap { Grey, Viridis, Magma, Inferno, Cividis, Heat, Cool };

template <typename Choice>
struct ChoiceName {
  Choice Value;
  std::string_view Word;   // the command line's and PNG text's: "zscale"
  std::string_view Label;  // the window's: "Z-scale"
};

inline constexpr std::array<ChoiceName<ScaleMode>, 4> ScaleModeNames = {{
    {ScaleMode::None, "none", "None"},
    {ScaleMode::MinMax, "minmax", "Min-max"},
    {ScaleMode::Percentile, "percentile", "Percentile"},
    {ScaleMode::ZScale, "zscale", "Z-scale"},
}};

inline constexpr std::array<ChoiceName<ScaleCurve>, 5> ScaleCurveNames = {{
    {ScaleCurve::Linear, "linear", "Linear"},
    {ScaleCurve::Log, "log", "Log"},
    {ScaleCurve::Sqrt, "sqrt", "Square root"},
    {ScaleCurve::Asinh, "asinh", "Asinh"},
    {ScaleCurve::HistogramEqualization, "histeq", "Histogram equalization"},
}};

inline constexpr std::array<ChoiceName<ColorMap>, 7> ColorMapNames = {{
    {ColorMap::Grey, "grey", "Grey"},
    {ColorMap::Viridis, "viridis", "Viridis"},
    {ColorMap::Magma, "magma", "Magma"},
    {ColorMap::Inferno, "inferno", "Inferno"},
    {ColorMap::Cividis, "cividis", "Cividis"},
    {ColorMap::Heat, "heat", "Heat"},
    {ColorMap::Cool, "cool", "Cool"},
}};

template <typename Choice, std::size_t Count>
constexpr std::optional<Choice> ChoiceByWord(const std::array<ChoiceName<Choice>, Count>& names,
                                             std::string_view word) {
  for (const ChoiceName<Choice>& name : names)
    if (name.Word == word) return name.Value;
  return std::nullopt;
}

template <typename Choice, std::size_t Count>
constexpr const ChoiceName<Choice>& NameOf(const std::array<ChoiceName<Choice>, Count>& names, Choice value) {
  for (const ChoiceName<Choice>& name : names)
    if (name.Value == value) return name;
  return names.front();
}

inline constexpr double DefaultLowPercent = 0.5;
inline constexpr double DefaultHighPercent = 99.5;

// Grey levels of the tone-mapped picture that the scale stretches over 0..255.
struct ScaleLimits {
  double Low = 0;
  double High = 255;
  friend bool operator==(const ScaleLimits&, const ScaleLimits&) = default;
};

struct DisplaySettings {
  ScaleMode Mode = ScaleMode::None;
  ScaleCurve Curve = ScaleCurve::Linear;
  double LowPercent = DefaultLowPercent;
  double HighPercent = DefaultHighPercent;
  // Limits set by hand (the histogram's markers), in place of the mode's own.
  std::optional<ScaleLimits> HeldLimits;
  ColorMap Map = ColorMap::Grey;

  bool Scaled() const { return Mode != ScaleMode::None; }
  friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

// Tone-mapped grey level -> the level the picture shows.
using DisplayLevels = std::array<std::uint8_t, 256>;

constexpr DisplayLevels IdentityLevels() {
  DisplayLevels levels{};
  for (int v = 0; v < 256; ++v) levels[std::size_t(v)] = std::uint8_t(v);
  return levels;
}

}  // namespace vantorel
