#include "platform/ModuleLoader.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fnmatch.h>

#include <algorithm>
#include <memory>

#include "platform/Files.h"

namespace platform {

namespace {

class TSystemModuleLoader final : public IModuleLoader {
 public:
  Handle Load(const std::string& path, std::string& error) override {
    dlerror();
    Handle h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
      const char* reason = dlerror();
      error = reason ? reason : "cannot load " + path;
    }
    return h;
  }
  void* Symbol(Handle module, const char* name) override {
    if (!module || !name) return nullptr;
    return dlsym(module, name);
  }
  bool Unload(Handle module) override { return module && dlclose(module) == 0; }
};

}  // namespace

IModuleLoader& SystemModuleLoader() {
  static TSystemModuleLoader loader;
  return loader;
}

std::vector<std::string> MatchingFiles(const std::string& folder, const std::vector<std::string>& patterns) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
  if (!dir) return names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const bool matches = std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
      return fnmatch(p.c_str(), name.c_str(), FNM_PERIOD) == 0;
    });
    if (matches) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> paths;
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  for (const std::string& name : names)
    if (FileExists(prefix + name)) paths.push_back(prefix + name);
  return paths;
}

}  // namespace platform
