#include "pipeline/stages.h"

namespace vantorel {

void RotateStage(RenderContext& context) { (void)context; }  // PLACEHOLDER

}  // namespace vantorel
