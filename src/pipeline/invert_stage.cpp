#include "pipeline/stages.h"

namespace vantorel {

void InvertStage(RenderContext& context) { (void)context; }  // PLACEHOLDER

}  // namespace vantorel
