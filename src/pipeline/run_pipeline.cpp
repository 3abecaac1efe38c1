#include "pipeline/run_pipeline.h"

#include "pipeline/stages.h"

namespace vantorel {

void RunPipeline(RenderContext& context) {
  ReconstructSamples(context);
  FlipStage(context);
  DespeckleEarly(context);
  MapTones(context);
  DespeckleLate(context);
  SharpenStage(context);
  InvertStage(context);
  RotateStage(context);
  MinimizeStage(context);
  DisplayScaleStage(context);
  WriteBitmapHeader(context);
  ComposeBitmap(context);
}

void RunOriginalPipeline(RenderContext& context) {
  FlipStage(context);
  DisplayScaleStage(context);
  WriteBitmapHeader(context);
  ComposeBitmap(context);
}

void RunDisplaySteps(RenderContext& context) {
  DisplayScaleStage(context);
  WriteBitmapHeader(context);
  ComposeBitmap(context);
}

}  // namespace vantorel
