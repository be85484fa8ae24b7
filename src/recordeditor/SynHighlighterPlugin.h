// The calling interface of a highlighter plug-in: a shared object named hl_<something>.so in the
// folder "highlighters" beside the program, compiled against this header and the program's own
// highlighter headers (editor/SynPadHighlighter.h and what it includes), with the same compiler.
// The plug-in's highlighter classes derive from TSynCustomHighlighter; the program's copy of that
// class (and of everything else the plug-in calls) is used, because the program exports its symbols
// to the libraries it loads. A plug-in therefore links no Tessaryn library itself.
//
// A plug-in exports, with C linkage:
//   HighlighterPluginAbi()          the interface version it was built for (put
//                                   TESSARYN_HIGHLIGHTER_PLUGIN_ABI_EXPORT once in one source);
//   GetHighlighter(register)        creates its highlighters and registers each one through the
//                                   given function, with a display name and a language number;
//   FinalizePlugin()   (optional)   frees them; called just before the library is unloaded, when
//                                   no editor uses them any more.
// A library that cannot be loaded, was built for another interface version, lacks GetHighlighter or
// lets an exception out of it is reported to the user and skipped.
//
// The language number is what a databank stores for a record; choose one no other language uses
// (the program's own are 0 to 14), and keep it for good.
#pragma once

#include "editor/SynPadHighlighter.h"

// The interface version: raised whenever a class or function a plug-in relies on changes shape.
// The sizes of the two classes every plug-in builds on are part of the number, so a plug-in built
// against headers whose classes have another size is refused even when the version was not raised.
#define TESSARYN_HIGHLIGHTER_PLUGIN_ABI \
  ((1 << 24) | ((int(sizeof(TSynCustomHighlighter)) & 0xFFF) << 12) | (int(sizeof(TSynHighlighterAttributes)) & 0xFFF))

extern "C" {
// name: UTF-8, at most 255 bytes are kept. The highlighter stays the plug-in's; it must live until
// FinalizePlugin.
typedef void (*TRegisterHighlighterProc)(const char* name, TSynCustomHighlighter* highlighter, int languageNumber);
typedef void (*TGetHighlighterProc)(TRegisterHighlighterProc registerHighlighter);
typedef void (*TFinalizePluginProc)();
typedef int (*THighlighterPluginAbiProc)();
}

#define TESSARYN_HIGHLIGHTER_PLUGIN_ABI_EXPORT                                   \
  extern "C" __attribute__((visibility("default"))) int HighlighterPluginAbi() { \
    return TESSARYN_HIGHLIGHTER_PLUGIN_ABI;                                      \
  }

#define TESSARYN_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
