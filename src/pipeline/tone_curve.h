// The tone mapping as a table: what each raw sample value becomes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "pipeline/render_context.h"

namespace vantorel {

using ToneCurve = std::array<std::uint8_t, 256>;

// Raw sample value -> value shown, for the stretch code of this file name, the
// options and counters (bounded as MapTones would bound them, without changing
// them), Invert included, at a column the gradient ramp leaves alone. Identity
// with every option off and counters 0. Sharpen and despeckle depend on the
// neighbours and are not part of it.
ToneCurve ToneTransferCurve(std::string_view currentFileName, const OptionSet& active, const ToneSteps& steps);

// The curve that changes nothing.
ToneCurve IdentityToneCurve();

}  // namespace vantorel
