#include "pipeline/stages.h"

namespace vantorel {

void FlipStage(RenderContext& context) { (void)context; }  // PLACEHOLDER

}  // namespace vantorel
