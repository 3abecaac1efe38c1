#include "pipeline/stages.h"

namespace vantorel {

void SharpenStage(RenderContext& context) { (void)context; }  // PLACEHOLDER

}  // namespace vantorel
