// CFITSIO, loaded the first time a standard FITS file is written. Linking it
// would load libcurl and GnuTLS into every run of the command line, whose
// start-up alone costs about 9 ms, standard FITS or not.
#pragma once

#include <fitsio.h>

#include <string>

namespace vantorel {

// The CFITSIO functions the standard FITS writer calls.
struct CfitsioApi {
  decltype(&ffimem) CreateMemoryFile;
  decltype(&ffclos) CloseFile;
  decltype(&ffghadll) HduAddresses;
  decltype(&ffplsw) WriteLongStringWarning;
  decltype(&ffpkls) WriteLongString;
  decltype(&ffpkyd) WriteDouble;
  decltype(&ffpcom) WriteComment;
  decltype(&ffcrim) CreateImage;
  decltype(&ffpkys) WriteString;
  decltype(&ffpdat) WriteDate;
  decltype(&ffphis) WriteHistory;
  decltype(&ffppr) WriteImage;
  decltype(&ffpcks) WriteChecksum;
  decltype(&ffgerr) ErrorText;
};

// The functions, loaded once; nullptr when the library cannot be loaded, with
// the reason in error.
const CfitsioApi* Cfitsio(std::string& error);

}  // namespace vantorel
