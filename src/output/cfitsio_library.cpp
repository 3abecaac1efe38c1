#include "output/cfitsio_library.h"

#include "output/shared_library.h"

namespace vantorel {

namespace {

LoadedApi<CfitsioApi> Load() {
  LoadedApi<CfitsioApi> loaded;
  constexpr const char* Soname = VANTOREL_CFITSIO_SONAME;
  void* library = OpenSharedLibrary(Soname, "standard FITS", "Debian package " VANTOREL_CFITSIO_PACKAGE, loaded.Error);
  if (library == nullptr) return loaded;
  CfitsioApi& api = loaded.Functions;
  std::string& error = loaded.Error;
  const auto resolve = [&](const char* name, auto& function) { ResolveSymbol(library, Soname, name, function, error); };
  resolve("ffimem", api.CreateMemoryFile);
  resolve("ffclos", api.CloseFile);
  resolve("ffghadll", api.HduAddresses);
  resolve("ffplsw", api.WriteLongStringWarning);
  resolve("ffpkls", api.WriteLongString);
  resolve("ffpkyd", api.WriteDouble);
  resolve("ffpcom", api.WriteComment);
  resolve("ffcrim", api.CreateImage);
  resolve("ffpkys", api.WriteString);
  resolve("ffpdat", api.WriteDate);
  resolve("ffphis", api.WriteHistory);
  resolve("ffppr", api.WriteImage);
  resolve("ffpcks", api.WriteChecksum);
  resolve("ffgerr", api.ErrorText);
  return loaded;
}

}  // namespace

const CfitsioApi* Cfitsio(std::string& error) { return LoadOnce<CfitsioApi>(Load, error); }

}  // namespace vantorel
