#include "header/header_decode.h"

namespace vantorel {

char EbcdicChar(std::uint8_t) { return ' '; }  // PLACEHOLDER
void DecodeHeader(std::span<const std::uint8_t>, std::string_view, HeaderState&) {}  // PLACEHOLDER
void BuildLabelCards(std::string_view, HeaderState&) {}  // PLACEHOLDER

}  // namespace vantorel
