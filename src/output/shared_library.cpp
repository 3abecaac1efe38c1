#include "output/shared_library.h"

namespace vantorel {

void* OpenSharedLibrary(const char* soname, std::string_view purpose, std::string_view from, std::string& error) {
  void* library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr) return library;
  const char* reason = ::dlerror();
  error = purpose;
  error += " needs ";
  error += soname;
  error += " (";
  error += from;
  error += "), which could not be loaded: ";
  error += reason ? reason : "the loader gave no reason";
  return nullptr;
}

}  // namespace vantorel
