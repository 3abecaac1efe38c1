#include "viewer/fits_export.h"

#include <span>

namespace vantorel {

StandardFitsFile BuildStandardFitsFileFor(const FrameDocument& document) {
  const FrameBuffer& frame = document.PristineFrame();
  const std::span<const std::uint8_t> record(frame.data(), std::min<std::size_t>(frame.size(), RecordBytes));
  return BuildStandardFitsFile({document.Header(), document.CurrentFileName(), document.FitsPlane(), record,
                                document.ActiveOptions(), document.Steps(), document.ShowsOriginal()});
}

}  // namespace vantorel
