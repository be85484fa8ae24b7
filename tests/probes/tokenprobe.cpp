// tokenprobe CLASS [--dialect NAME] [FILE]   scans FILE (stdin without one) with the highlighter
//                                           class and prints its tokens line by line
// tokenprobe --table CLASS [--dialect NAME]  prints the keyword index table (slot TAB word); for the
//                                           hash-entry languages (CSS, SQL per dialect) every entry
//                                           as bucket TAB word, in chain order
// tokenprobe --languages [--plugins DIR]    prints the language table of the program's highlighter
//                                           set as number TAB name TAB highlighter class, plug-ins
//                                           (from DIR, else from "highlighters" beside the probe)
//                                           included; a plug-in that fails is reported on stderr
// Exit 0; 2 on usage errors; 3 when a line needs more than 4 x length + 16 calls to Next.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "editor/SynPadTextBuffer.h"
#include "highlighters/SynHighlighterCSS.h"
#include "highlighters/SynHighlighterFamily.h"
#include "highlighters/SynHighlighterHashEntries.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "highlighters/SynHighlighterSQL.h"
#include "platform/CodePage.h"
#include "recordeditor/UHighlighters.h"

namespace {

int Usage(const std::string& message) {
  std::cerr << "tokenprobe: " << message << "\n"
            << "usage: tokenprobe CLASS [--dialect NAME] [FILE]\n"
            << "       tokenprobe --table CLASS [--dialect NAME]\n"
            << "       tokenprobe --languages [--plugins DIR]\n";
  return 2;
}

std::unique_ptr<TSynCustomHighlighter> Create(const std::string& className) {
  for (const auto& cls : GetPlaceableHighlighters())
    if (cls.ClassName == className && cls.Create) return cls.Create();
  return nullptr;
}

// Lines as the editor buffer splits them (SetTextStr).
std::vector<std::u16string> SplitLines(std::u16string_view text) {
  TSynPadStringList buffer;
  buffer.SetTextStr(text);
  std::vector<std::u16string> lines;
  lines.reserve(static_cast<size_t>(buffer.Count()));
  for (int i = 0; i < buffer.Count(); ++i) lines.emplace_back(buffer.StringRef(i));
  return lines;
}

// Hook for the dialect option of the SQL highlighter, which selects its dialect by enum name.
bool ApplyDialect(TSynCustomHighlighter& highlighter, const std::string& dialect) {
  auto* sql = dynamic_cast<TSynSQLSyn*>(&highlighter);
  TSQLDialect d;
  if (!sql || !SQLDialectFromName(dialect, d)) return false;
  sql->SetSQLDialect(d);
  return true;
}

// Every entry of a hash-entry list as "bucket TAB word", bucket by bucket in chain order.
void PrintHashEntries(const TSynHashEntryList& list) {
  for (int bucket = 0; bucket < list.Count(); ++bucket)
    for (const TSynHashEntry* e = list.Items(bucket); e; e = e->Next())
      std::cout << bucket << '\t' << codepage::Utf16ToUtf8(e->Keyword()) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  RegisterSynHighlighters();
  if (!args.empty() && args[0] == "--languages") {
    const bool withFolder = args.size() == 3 && args[1] == "--plugins";
    if (args.size() != 1 && !withFolder) return Usage("--languages takes only --plugins DIR");
    TdmHighLighters set(THighlighterSetRole::Primary, withFolder ? args[2] : "");
    TLanguageList languages;
    set.BuildLanguageList(languages);
    for (const TLanguageEntry& e : languages)
      std::cout << e.Tag << '\t' << e.Name << '\t' << e.Highlighter->ClassName() << '\n';
    return 0;
  }
  if (!args.empty() && args[0] == "--table") {
    const bool withDialect = args.size() == 4 && args[2] == "--dialect";
    if (args.size() != 2 && !withDialect) return Usage("--table takes one class name");
    auto h = Create(args[1]);
    if (!h) return Usage("unknown highlighter class " + args[1]);
    if (withDialect && !ApplyDialect(*h, args[3])) return Usage("no dialect " + args[3] + " for " + args[1]);
    if (auto* sql = dynamic_cast<TSynSQLSyn*>(h.get())) {
      PrintHashEntries(TSynSQLSyn::DialectKeywords(sql->SQLDialect()));
      return 0;
    }
    if (dynamic_cast<TSynCssSyn*>(h.get())) {
      PrintHashEntries(TSynCssSyn::Keywords());
      return 0;
    }
    auto* family = dynamic_cast<TSynFamilyHighlighter*>(h.get());
    const TSynHashKeywordTable* table = family ? family->KeywordTable() : nullptr;
    if (!table) return Usage(args[1] + " has no hash keyword table");
    for (std::uint32_t slot = 0; slot < table->M(); ++slot) {
      const int index = table->IndexOfSlot(slot);
      if (index >= 0) std::cout << slot << '\t' << codepage::Utf16ToUtf8(table->At(index).Text) << '\n';
    }
    return 0;
  }
  std::string className, dialect, file;
  bool haveDialect = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dialect") {
      if (i + 1 >= args.size()) return Usage("--dialect needs a name");
      dialect = args[++i];
      haveDialect = true;
    } else if (className.empty()) {
      className = args[i];
    } else if (file.empty()) {
      file = args[i];
    } else {
      return Usage("too many arguments");
    }
  }
  if (className.empty()) return Usage("no highlighter class given");
  auto h = Create(className);
  if (!h) return Usage("unknown highlighter class " + className);
  if (haveDialect && !ApplyDialect(*h, dialect)) return Usage("no dialect " + dialect + " for " + className);

  std::string bytes;
  if (file.empty()) {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Usage("cannot read " + file);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string out;
  const bool ok = SynDumpTokens(*h, SplitLines(codepage::Utf8ToUtf16(bytes)), out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return ok ? 0 : 3;
}
