#include "output/cfitsio_library.h"

#include <dlfcn.h>

namespace vantorel {

namespace {

struct LoadedLibrary {
  CfitsioApi Api{};
  bool Loaded = false;
  std::string Error;
};

template <typename Function>
bool Resolve(void* library, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  if (function == nullptr) error = std::string("no ") + name + " in " VANTOREL_CFITSIO_SONAME;
  return function != nullptr;
}

LoadedLibrary Load() {
  LoadedLibrary loaded;
  // Kept loaded for the rest of the run.
  void* library = ::dlopen(VANTOREL_CFITSIO_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    loaded.Error = "standard FITS needs " VANTOREL_CFITSIO_SONAME " (Debian package " VANTOREL_CFITSIO_PACKAGE
                   "), which could not be loaded: ";
    loaded.Error += reason ? reason : "the loader gave no reason";
    return loaded;
  }
  CfitsioApi& api = loaded.Api;
  std::string& error = loaded.Error;
  loaded.Loaded =
      Resolve(library, "ffimem", api.CreateMemoryFile, error) && Resolve(library, "ffclos", api.CloseFile, error) &&
      Resolve(library, "ffghadll", api.HduAddresses, error) &&
      Resolve(library, "ffplsw", api.WriteLongStringWarning, error) &&
      Resolve(library, "ffpkls", api.WriteLongString, error) && Resolve(library, "ffpkyd", api.WriteDouble, error) &&
      Resolve(library, "ffpcom", api.WriteComment, error) && Resolve(library, "ffcrim", api.CreateImage, error) &&
      Resolve(library, "ffpkys", api.WriteString, error) && Resolve(library, "ffpdat", api.WriteDate, error) &&
      Resolve(library, "ffphis", api.WriteHistory, error) && Resolve(library, "ffppr", api.WriteImage, error) &&
      Resolve(library, "ffpcks", api.WriteChecksum, error) && Resolve(library, "ffgerr", api.ErrorText, error);
  return loaded;
}

}  // namespace

const CfitsioApi* Cfitsio(std::string& error) {
  static const LoadedLibrary library = Load();
  if (!library.Loaded) {
    error = library.Error;
    return nullptr;
  }
  return &library.Api;
}

}  // namespace vantorel
