// The stages of the rendering chain, in the order RunPipeline calls them.
// Each one reads its own ActiveOptions entry and does nothing when it says so.
#pragma once

#include <array>
#include <cstdint>

#include "pipeline/color_map_tables.h"
#include "pipeline/render_context.h"

namespace vantorel {

void ReconstructSamples(RenderContext& context);
void FlipStage(RenderContext& context);
void DespeckleEarly(RenderContext& context);
void MapTones(RenderContext& context);
void DespeckleLate(RenderContext& context);
void SharpenStage(RenderContext& context);
void InvertStage(RenderContext& context);
void RotateStage(RenderContext& context);
void MinimizeStage(RenderContext& context);
// Finds the display scale's limits over the picture samples and the levels
// composition shows for them.
void DisplayScaleStage(RenderContext& context);
void WriteBitmapHeader(RenderContext& context);
void ComposeBitmap(RenderContext& context);

// The colour ramp: black, red, yellow, blue, light grey.
Rgb ColorizeSample(std::uint8_t v);

}  // namespace vantorel
