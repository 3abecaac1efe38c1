// Libraries that only some runs need (CFITSIO, FFmpeg, FFTW) are opened by
// their sonames when first needed, so that no run pays for loading them
// otherwise; these are the two steps every such loader takes.
#pragma once

#include <dlfcn.h>

#include <string>
#include <string_view>

namespace vantorel {

// The library, kept loaded for the rest of the run; nullptr when it cannot
// be loaded, with error "PURPOSE needs SONAME (FROM), which could not be
// loaded: the loader's reason".
void* OpenSharedLibrary(const char* soname, std::string_view purpose, std::string_view from, std::string& error);

// Sets function to the library's symbol name; false, with error naming both
// (when error is still empty), when it has none.
template <typename Function>
bool ResolveSymbol(void* library, const char* soname, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  if (function == nullptr && error.empty()) error = std::string("no ") + name + " in " + soname;
  return function != nullptr;
}

// A library's functions as loaded, or why they could not be.
template <typename Api>
struct LoadedApi {
  Api Functions{};
  std::string Error;  // empty when every function was found
};

// The functions load() gives, loaded on the first call only; nullptr, with
// error set, when that failed.
template <typename Api, typename Load>
const Api* LoadOnce(const Load& load, std::string& error) {
  static const LoadedApi<Api> loaded = load();
  if (!loaded.Error.empty()) {
    error = loaded.Error;
    return nullptr;
  }
  return &loaded.Functions;
}

}  // namespace vantorel
