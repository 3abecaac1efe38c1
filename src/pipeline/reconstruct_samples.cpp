#include "pipeline/stages.h"

namespace vantorel {

void ReconstructSamples(RenderContext& context) { (void)context; }  // PLACEHOLDER

}  // namespace vantorel
