// The highlighter plug-ins of the primary highlighter set: loaded in file-name order at start-up,
// each asked to register its highlighters, and at the end told to free them and unloaded, in load
// order. A file that fails is reported once, in a box with OK alone that names its full path and
// why ("Error loading plugin: [path]" and the reason on the next line), and start-up goes on.
// The interface a plug-in implements is recordeditor/SynHighlighterPlugin.h.
#pragma once

#include <string>
#include <vector>

#include "platform/ModuleLoader.h"

class TSynCustomHighlighter;

// The file patterns of plug-ins in their folder.
extern const std::vector<std::string> kHighlighterPluginPatterns;  // "hl_*.so", "hl_*.bpl"
// The folders plug-ins are loaded from, in order: "<folder of the program>/highlighters", then the
// user's "<UserDataFolder>/highlighters" (an installed program's folder is not the user's to write).
// A portable program has the one folder.
std::vector<std::string> DefaultHighlighterPluginFolders();
// The plug-in files of the folders, in file-name order, folder by folder; a file whose name a later
// folder also holds is left out (the user's copy replaces the program's).
std::vector<std::string> HighlighterPluginFiles(const std::vector<std::string>& folders);
// The box's text for a plug-in that failed: "Error loading plugin: [path]" and the reason.
std::string PluginErrorText(const std::string& path, const std::string& reason);

class THighlighterPlugins {
 public:
  struct TModule {
    std::string FileName;  // without folder
    platform::IModuleLoader::Handle Handle = nullptr;
    std::vector<TSynCustomHighlighter*> Registered;  // what it put into HighlighterList
    bool Compatible = false;  // built for this interface version; nothing else of it is ever called
  };

  explicit THighlighterPlugins(platform::IModuleLoader& loader) : loader_(loader) {}
  // FinalizeAll.
  ~THighlighterPlugins();
  THighlighterPlugins(const THighlighterPlugins&) = delete;
  THighlighterPlugins& operator=(const THighlighterPlugins&) = delete;

  // Loads every plug-in file of the folders as HighlighterPluginFiles lists them.
  void LoadFolders(const std::vector<std::string>& folders);
  // Loads one file and lets it register its highlighters. A library that was loaded stays in the
  // module list even when a later step failed, so that it is finalised and unloaded at the end.
  // Returns false after reporting a failure.
  bool Load(const std::string& path);
  // For each module in load order: its highlighters leave HighlighterList, FinalizePlugin runs when
  // it is exported (and the module is compatible), the library is unloaded. Failures here are ignored. Leaves the list
  // empty.
  void FinalizeAll();

  const std::vector<TModule>& Modules() const { return modules_; }

 private:
  platform::IModuleLoader& loader_;
  std::vector<TModule> modules_;
};
