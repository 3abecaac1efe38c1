#include "analysis/fftw_library.h"

#include "output/shared_library.h"

namespace vantorel {

namespace {

LoadedApi<FftwApi> Load() {
  LoadedApi<FftwApi> loaded;
  constexpr const char* Soname = VANTOREL_FFTW_SONAME;
  void* library = OpenSharedLibrary(Soname, "aligning pictures", "Debian package " VANTOREL_FFTW_PACKAGE, loaded.Error);
  if (library == nullptr) return loaded;
  FftwApi& api = loaded.Functions;
#define VANTOREL_RESOLVE(name) ResolveSymbol(library, Soname, #name, api.name, loaded.Error)
  VANTOREL_RESOLVE(fftwf_plan_dft_r2c_2d);
  VANTOREL_RESOLVE(fftwf_plan_dft_c2r_2d);
  VANTOREL_RESOLVE(fftwf_execute_dft_r2c);
  VANTOREL_RESOLVE(fftwf_execute);
  VANTOREL_RESOLVE(fftwf_destroy_plan);
  VANTOREL_RESOLVE(fftwf_malloc);
  VANTOREL_RESOLVE(fftwf_free);
#undef VANTOREL_RESOLVE
  return loaded;
}

}  // namespace

const FftwApi* Fftw(std::string& error) { return LoadOnce<FftwApi>(Load, error); }

}  // namespace vantorel
