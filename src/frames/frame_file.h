// Reading a frame file into the in-memory layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frames/frame_layout.h"

namespace vantorel {

struct FrameRead {
  FrameBuffer WorkFrame;        // FrameBytes, zero past the bytes read
  std::int32_t BytesRead = -1;  // -1 when the file could not be read
  std::string Error;            // why it could not be read; empty on success
};

// Reads at most FrameBytes of the file at path. Anything but a regular file
// (a directory, FIFO or device) counts as unreadable, so a FIFO cannot hang us.
FrameRead ReadFrameFile(const std::string& path);
// The same into a buffer taken over from an earlier read, so that a reader of
// frame after frame does not touch fresh memory for each.
FrameRead ReadFrameFile(const std::string& path, FrameBuffer&& reuse);

// Brings a Mariner 9 frame (header byte 80 = F9) into the common layout by
// dropping file record 1, then copies the frame into pristine. Both buffers
// are FrameBytes long; workFrame ends up equal to pristine.
void ArrangeFrame(FrameBuffer& workFrame, FrameBuffer& pristine);

}  // namespace vantorel
