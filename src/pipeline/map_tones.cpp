#include "pipeline/stages.h"

namespace vantorel {

void MapTones(RenderContext& context) { (void)context; }  // PLACEHOLDER

}  // namespace vantorel
