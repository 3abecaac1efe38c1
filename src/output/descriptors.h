// The process's file descriptors: the three standard ones, and how many more
// a run may open.
#pragma once

#include <cstddef>

namespace vantorel {

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. Run first
// thing: otherwise the next file opened takes the number, and what is meant
// for the terminal lands in it.
void EnsureStandardDescriptors();

// Raises the soft limit on open files to the hard one and returns how many
// more descriptors may be opened.
std::size_t FreeDescriptors();

}  // namespace vantorel
