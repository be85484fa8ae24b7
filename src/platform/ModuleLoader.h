// Loading shared objects at run time (the highlighter plug-ins): open a library, look up an export,
// close it again, and list the candidate files of a folder. Plain code over the system's dynamic
// loader; tests substitute their own IModuleLoader to script loads that fail in every way.
#pragma once

#include <string>
#include <vector>

namespace platform {

class IModuleLoader {
 public:
  using Handle = void*;
  virtual ~IModuleLoader() = default;
  // Opens the library with every symbol resolved at once; nullptr and the loader's reason in error
  // when it cannot be loaded.
  virtual Handle Load(const std::string& path, std::string& error) = 0;
  // The address of an exported symbol, nullptr when the library has none of that name.
  virtual void* Symbol(Handle module, const char* name) = 0;
  // Releases the library; false when the system refused.
  virtual bool Unload(Handle module) = 0;
};

// The system's loader (dlopen, dlsym, dlclose). Libraries are opened with local symbol scope, so
// two plug-ins may export the same names.
IModuleLoader& SystemModuleLoader();

// The regular files (links followed) directly in folder whose names match one of the shell
// patterns, as full paths sorted by file name in byte order. A missing or unreadable folder gives
// an empty list.
std::vector<std::string> MatchingFiles(const std::string& folder, const std::vector<std::string>& patterns);

}  // namespace platform
