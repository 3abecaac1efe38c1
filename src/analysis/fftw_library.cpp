#include "analysis/fftw_library.h"

#include "output/shared_library.h"

namespace vantorel {

namespace {

struct LoadedLibrary {
  FftwApi Api{};
  bool Loaded = false;
  std::string Error;
};

LoadedLibrary Load() {
  LoadedLibrary loaded;
  constexpr const char* Soname = VANTOREL_FFTW_SONAME;
  void* library = OpenSharedLibrary(Soname, "aligning pictures", "Debian package " VANTOREL_FFTW_PACKAGE, loaded.Error);
  if (library == nullptr) return loaded;
  FftwApi& api = loaded.Api;
#define VANTOREL_RESOLVE(name) ResolveSymbol(library, Soname, #name, api.name, loaded.Error)
  VANTOREL_RESOLVE(fftwf_plan_dft_r2c_2d);
  VANTOREL_RESOLVE(fftwf_plan_dft_c2r_2d);
  VANTOREL_RESOLVE(fftwf_execute_dft_r2c);
  VANTOREL_RESOLVE(fftwf_execute);
  VANTOREL_RESOLVE(fftwf_destroy_plan);
  VANTOREL_RESOLVE(fftwf_malloc);
  VANTOREL_RESOLVE(fftwf_free);
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
