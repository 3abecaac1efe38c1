#include "viewer/status_text.h"

namespace vantorel {

namespace {

// Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a literal
// added to a temporary string.
void AppendSigned(std::string& text, std::int32_t value) {
  if (value > 0) text += '+';
  text += std::to_string(value);
}

}  // namespace

std::string DataSetName(DataSet dataSet) { return dataSet == DataSet::Mariner9 ? "Mariner 9" : "Mariner 10"; }

std::string StepsText(const ToneSteps& steps) {
  std::string text = "B ";
  AppendSigned(text, steps.BrightnessStep);
  text += "  C ";
  AppendSigned(text, steps.ContrastStep);
  text += "  G ";
  AppendSigned(text, steps.GradientStep);
  return text;
}

}  // namespace vantorel
