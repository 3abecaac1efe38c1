#include "analysis/fftw_library.h"

#include <dlfcn.h>

namespace vantorel {

namespace {

struct LoadedLibrary {
  FftwApi Api{};
  bool Loaded = false;
  std::string Error;
};

LoadedLibrary Load() {
  LoadedLibrary loaded;
  // Kept loaded for the rest of the run.
  void* library = ::dlopen(VANTOREL_FFTW_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    loaded.Error = "aligning pictures needs " VANTOREL_FFTW_SONAME " (Debian package " VANTOREL_FFTW_PACKAGE
                   "), which could not be loaded: ";
    loaded.Error += reason ? reason : "the loader gave no reason";
    return loaded;
  }
  FftwApi& api = loaded.Api;
#define VANTOREL_RESOLVE(name)                                              \
  api.name = reinterpret_cast<decltype(api.name)>(::dlsym(library, #name)); \
  if (api.name == nullptr && loaded.Error.empty()) loaded.Error = "no " #name " in " VANTOREL_FFTW_SONAME;
  VANTOREL_RESOLVE(fftwf_plan_dft_r2c_2d)
  VANTOREL_RESOLVE(fftwf_plan_dft_c2r_2d)
  VANTOREL_RESOLVE(fftwf_execute_dft_r2c)
  VANTOREL_RESOLVE(fftwf_execute)
  VANTOREL_RESOLVE(fftwf_destroy_plan)
  VANTOREL_RESOLVE(fftwf_malloc)
  VANTOREL_RESOLVE(fftwf_free)
#undef VANTOREL_RESOLVE
  loaded.Loaded = loaded.Error.empty();
  return loaded;
}

}  // namespace

const FftwApi* Fftw(std::string& error) {
  static const LoadedLibrary library = Load();
  if (!library.Loaded) {
    error = library.Error;
    return nullptr;
  }
  return &library.Api;
}

}  // namespace vantorel
