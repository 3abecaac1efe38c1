#include "pipeline/line_exchange.h"
#include "pipeline/stages.h"

namespace vantorel {

// Composition puts line 1 at the bottom, so by default the lines are exchanged
// to show the file's first line on top; checking Flip leaves them in file order.
void FlipStage(RenderContext& context) {
  if (Entry(context.ActiveOptions, Option::Flip) != 0) return;
  ExchangeLines(context.WorkFrame);
  context.LinesExchanged = true;
}

}  // namespace vantorel
