#pragma once

#include "pipeline/render_context.h"

namespace vantorel {

// The full chain of twelve steps, from the restored WorkFrame to BitmapImage.
void RunPipeline(RenderContext& context);

// "Original Image": the frame only turned the right way up, composed in grey.
// Expects ActiveOptions all 0.
void RunOriginalPipeline(RenderContext& context);

// The steps after the geometry alone, over a WorkFrame that a run of either
// chain left: a new display scale or colour map without the stages again.
void RunDisplaySteps(RenderContext& context);

}  // namespace vantorel
