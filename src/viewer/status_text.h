// What the main window's status bar says about the frame on screen: the data
// set and the step counters. The pixel under the pointer is the readout's
// (analysis/readout.h).
#pragma once

#include <string>

#include "header/header_decode.h"
#include "pipeline/render_context.h"

namespace vantorel {

// "Mariner 10" or "Mariner 9".
std::string DataSetName(DataSet dataSet);

// "B -40  C +1  G 0": brightness, contrast and gradient steps.
std::string StepsText(const ToneSteps& steps);

}  // namespace vantorel
