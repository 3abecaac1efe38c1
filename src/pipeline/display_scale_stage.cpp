#include "analysis/display_scale.h"
#include "pipeline/stages.h"

namespace vantorel {

void DisplayScaleStage(RenderContext& context) {
  const ScaledDisplay display =
      ScaleDisplay(context.WorkFrame, context.ActiveOptions, context.PresentLines(), context.Display);
  context.DisplayLimits = display.Limits;
  context.ShownLevels = display.Levels;
}

}  // namespace vantorel
