// The standard FITS file of what a document shows.
#pragma once

#include "output/standard_fits.h"
#include "viewer/frame_document.h"

namespace vantorel {

StandardFitsFile BuildStandardFitsFileFor(const FrameDocument& document);

}  // namespace vantorel
