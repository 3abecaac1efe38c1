// Frame files the command-line tests render.
#pragma once

#include <string>

#include "support/test_support.h"

namespace vantorel::testing {

// A full Mariner 10 frame (pattern samples, the two F7 bytes of its header)
// written into folder under name; returns its path.
std::string WriteMariner10Frame(const TempDir& folder, const std::string& name,
                                std::size_t length = std::size_t(FullFrameFileBytes));

std::string ReadText(const std::string& path);

}  // namespace vantorel::testing
