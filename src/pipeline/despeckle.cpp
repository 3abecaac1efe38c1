#include "pipeline/stages.h"

namespace vantorel {

void DespeckleEarly(RenderContext& context) { (void)context; }  // PLACEHOLDER
void DespeckleLate(RenderContext& context) { (void)context; }   // PLACEHOLDER

}  // namespace vantorel
