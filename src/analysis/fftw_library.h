// FFTW in single precision, loaded the first time two pictures are aligned:
// only that needs it, and every run of either program would load it otherwise.
#pragma once

#include <fftw3.h>

#include <string>

namespace vantorel {

// The FFTW functions the alignment calls, by their own names.
struct FftwApi {
  decltype(&::fftwf_plan_dft_r2c_2d) fftwf_plan_dft_r2c_2d;
  decltype(&::fftwf_plan_dft_c2r_2d) fftwf_plan_dft_c2r_2d;
  decltype(&::fftwf_execute_dft_r2c) fftwf_execute_dft_r2c;
  decltype(&::fftwf_execute) fftwf_execute;
  decltype(&::fftwf_destroy_plan) fftwf_destroy_plan;
  decltype(&::fftwf_malloc) fftwf_malloc;
  decltype(&::fftwf_free) fftwf_free;
};

// The functions, loaded once; nullptr when the library cannot be loaded, with
// the library and the loader's reason in error.
const FftwApi* Fftw(std::string& error);

}  // namespace vantorel
