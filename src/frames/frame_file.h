// Reading a frame file into the in-memory layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "frames/frame_layout.h"

namespace vantorel {

struct FrameRead {
  FrameBuffer WorkFrame;                      // FrameBytes, zero past the bytes read
  std::int32_t BytesRead = -1;                // -1 when the file could not be read
  std::string Error;                          // why it could not be read; empty on success
  std::optional<std::uintmax_t> FileBytes{};  // the file's whole size, when it could be opened
};

// The three frame-file sizes: a short and a full Mariner 10 frame, a Mariner 9 one.
bool IsAcceptedFrameSize(std::uintmax_t bytes);

// Whether a file is a frame: a readable regular file of a frame size. Anything
// else still loads (as a black or partial picture), so this only tells.
struct FrameCheck {
  std::optional<std::uintmax_t> FileBytes;  // nothing when the file could not be read
  std::string Error;                        // why not, then

  bool IsFrame() const { return FileBytes && IsAcceptedFrameSize(*FileBytes); }
};

// The check from the file system alone, reading no byte of the file.
FrameCheck CheckFrameFile(const std::string& path);
// The check of what a read found, so that it describes the bytes loaded.
FrameCheck CheckOf(const FrameRead& read);
// "notes.txt is 35 bytes, not a frame", "x.img could not be read: No such file
// or directory"; empty for a frame.
std::string NotAFrameNotice(std::string_view fileName, const FrameCheck& check);

// Reads at most FrameBytes of the file at path. Anything but a regular file
// (a directory, FIFO or device) counts as unreadable, so a FIFO cannot hang us.
FrameRead ReadFrameFile(const std::string& path);
// The same into a buffer taken over from an earlier read, so that a reader of
// frame after frame does not touch fresh memory for each.
FrameRead ReadFrameFile(const std::string& path, FrameBuffer&& reuse);

// The command line's reads of what the window refuses: a pipe, a FIFO, a
// device, standard input. At most FrameBytes are kept, and reading stops once
// the stream is longer than any frame, so that an endless one cannot hold the
// run; FileBytes counts what arrived up to there. A regular file is read as
// ReadFrameFile reads it; a directory or a terminal is refused.
FrameRead ReadFrameStream(int fd, FrameBuffer&& reuse);
// The same from a path, opened to wait for a FIFO's writer.
FrameRead ReadFrameFileOrStream(const std::string& path, FrameBuffer&& reuse);

// Brings a Mariner 9 frame (header byte 80 = F9) into the common layout by
// dropping file record 1, then copies the frame into pristine. Both buffers
// are FrameBytes long; workFrame ends up equal to pristine.
void ArrangeFrame(FrameBuffer& workFrame, FrameBuffer& pristine);

}  // namespace vantorel
