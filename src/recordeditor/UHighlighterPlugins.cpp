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

void THighlighterPlugins::LoadFolder(const std::string& folder) {
  for (const std::string& path : platform::MatchingFiles(folder, kHighlighterPluginPatterns)) Load(path);
}

bool THighlighterPlugins::Load(const std::string& path) {
  const std::string fileName = ExtractFileName(path);
  bool ok = false;
  std::string error;
  if (platform::IModuleLoader::Handle h = loader_.Load(path, error)) {
    modules_.push_back(TModule{fileName, h, {}});
    // The index, not a reference: the vector may not move while the plug-in registers, but the
    // module is looked up again afterwards all the same.
    const size_t index = modules_.size() - 1;
    auto abi = reinterpret_cast<THighlighterPluginAbiProc>(loader_.Symbol(h, "HighlighterPluginAbi"));
    auto get = reinterpret_cast<TGetHighlighterProc>(loader_.Symbol(h, "GetHighlighter"));
    modules_[index].Compatible = abi && abi() == TESSARYN_HIGHLIGHTER_PLUGIN_ABI;
    if (modules_[index].Compatible && get) {
      try {
        TRegisteringScope scope(&modules_[index]);
        get(&RegisterFromPlugin);
        ok = true;
      } catch (...) {
        ok = false;
      }
    }
  }
  if (!ok)
    platform::UI().MessageBox("Error loading plugin: [" + fileName + "]", "Error!", platform::MsgButtons::OkCancel,
                              platform::MsgIcon::Error);
  return ok;
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
