#include "output/fits_file.h"

#include <algorithm>

namespace vantorel {

namespace {

constexpr std::uint8_t FitsPadByte = ' ';

}  // namespace

std::vector<std::uint8_t> BuildFitsHeader(const LabelCardSet& cards) {
  std::vector<std::uint8_t> header(FitsHeaderBytes, FitsPadByte);
  for (std::size_t n = 0; n < cards.size(); ++n) {
    // A card is never longer than a card slot; cutting keeps the plane where it belongs if one were.
    const std::size_t length = std::min(cards[n].size(), FitsCardBytes);
    std::copy_n(cards[n].begin(), length, header.begin() + std::ptrdiff_t(n * FitsCardBytes));
  }
  return header;
}

std::vector<std::uint8_t> BuildFitsFile(const LabelCardSet& cards, std::span<const std::uint8_t> fitsPlane) {
  std::vector<std::uint8_t> file = BuildFitsHeader(cards);
  // Always exactly one plane: a short plane is zero-filled, a long one cut.
  file.resize(FitsFileBytes, 0);
  const std::size_t planeBytes = std::min(fitsPlane.size(), FitsPlaneBytes);
  std::copy_n(fitsPlane.begin(), planeBytes, file.begin() + std::ptrdiff_t(FitsHeaderBytes));
  return file;
}

}  // namespace vantorel
