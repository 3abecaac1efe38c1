#include "pipeline/stages.h"

namespace vantorel {

void MinimizeStage(RenderContext& context) { (void)context; }  // PLACEHOLDER

}  // namespace vantorel
