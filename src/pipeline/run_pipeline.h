#pragma once

#include "pipeline/render_context.h"

namespace vantorel {

// The full chain of eleven steps, from the restored WorkFrame to BitmapImage.
void RunPipeline(RenderContext& context);

// "Original Image": the frame only turned the right way up, composed in grey.
// Expects ActiveOptions all 0.
void RunOriginalPipeline(RenderContext& context);

}  // namespace vantorel
