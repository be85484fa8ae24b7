#include "recordeditor/UHighlighterPlugins.h"

#include <exception>

#include "platform/Files.h"
#include "platform/UIServices.h"
#include "recordeditor/SynHighlighterPlugin.h"
#include "recordeditor/UHighlighters.h"

const std::vector<std::string> kHighlighterPluginPatterns = {"hl_*.so", "hl_*.bpl"};

std::vector<std::string> DefaultHighlighterPluginFolders() {
  std::vector<std::string> folders{ExtractFileDir(ExecutablePath()) + "/highlighters"};
  const std::string user = UserDataFolder() + "/highlighters";
  if (user != folders.front()) folders.push_back(user);
  return folders;
}

std::vector<std::string> HighlighterPluginFiles(const std::vector<std::string>& folders) {
  std::vector<std::vector<std::string>> found;
  for (const std::string& folder : folders)
    found.push_back(platform::MatchingFiles(folder, kHighlighterPluginPatterns));
  std::vector<std::string> files;
  for (size_t f = 0; f < found.size(); ++f)
    for (const std::string& path : found[f]) {
      const std::string name = ExtractFileName(path);
      bool replaced = false;
      for (size_t later = f + 1; later < found.size() && !replaced; ++later)
        for (const std::string& other : found[later]) replaced = replaced || ExtractFileName(other) == name;
      if (!replaced) files.push_back(path);
    }
  return files;
}

std::string PluginErrorText(const std::string& path, const std::string& reason) {
  return "Error loading plugin: [" + path + "]\n" + reason;
}

namespace {

// The module whose GetHighlighter is running: its registrations are noted so that they can be
// withdrawn before the plug-in frees its highlighters.
THighlighterPlugins::TModule* g_registering = nullptr;

extern "C" void RegisterFromPlugin(const char* name, TSynCustomHighlighter* highlighter, int languageNumber) {
  if (!highlighter) return;
  RegisterHighlighter(name ? std::string_view(name) : std::string_view(), highlighter, languageNumber);
  if (g_registering) g_registering->Registered.push_back(highlighter);
}

class TRegisteringScope {
 public:
  explicit TRegisteringScope(THighlighterPlugins::TModule* module) { g_registering = module; }
  ~TRegisteringScope() { g_registering = nullptr; }
};

}  // namespace

THighlighterPlugins::~THighlighterPlugins() {
  FinalizeAll();
}

void THighlighterPlugins::LoadFolders(const std::vector<std::string>& folders) {
  for (const std::string& path : HighlighterPluginFiles(folders)) Load(path);
}

bool THighlighterPlugins::Load(const std::string& path) {
  const std::string fileName = ExtractFileName(path);
  std::string error;
  if (platform::IModuleLoader::Handle h = loader_.Load(path, error)) {
    modules_.push_back(TModule{fileName, h, {}});
    // The index, not a reference: the vector may not move while the plug-in registers, but the
    // module is looked up again afterwards all the same.
    const size_t index = modules_.size() - 1;
    auto abi = reinterpret_cast<THighlighterPluginAbiProc>(loader_.Symbol(h, "HighlighterPluginAbi"));
    auto get = reinterpret_cast<TGetHighlighterProc>(loader_.Symbol(h, "GetHighlighter"));
    modules_[index].Compatible = abi && abi() == TESSARYN_HIGHLIGHTER_PLUGIN_ABI;
    if (!abi) {
      error = "It exports no HighlighterPluginAbi: it was not built against this program's plug-in header.";
    } else if (!modules_[index].Compatible) {
      error = "It was built for another version of the plug-in interface.";
    } else if (!get) {
      error = "It exports no GetHighlighter.";
    } else {
      try {
        TRegisteringScope scope(&modules_[index]);
        get(&RegisterFromPlugin);
        return true;
      } catch (const std::exception& e) {
        error = std::string("Its GetHighlighter failed: ") + e.what();
      } catch (...) {
        error = "Its GetHighlighter failed.";
      }
    }
  } else if (error.empty()) {
    error = "The system could not load it.";
  }
  platform::UI().MessageBox(PluginErrorText(path, error), "Error!", platform::MsgButtons::Ok, platform::MsgIcon::Error);
  return false;
}

void THighlighterPlugins::FinalizeAll() {
  for (TModule& m : modules_) {
    for (TSynCustomHighlighter* h : m.Registered) HighlighterList().Remove(h);
    try {
      auto fin = reinterpret_cast<TFinalizePluginProc>(loader_.Symbol(m.Handle, "FinalizePlugin"));
      if (fin && m.Compatible) fin();
    } catch (...) {
      // A plug-in that fails while finishing is unloaded all the same.
    }
    loader_.Unload(m.Handle);
  }
  modules_.clear();
}
