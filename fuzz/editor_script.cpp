// Fuzzes the editor control through the probe's script language: random commands on random
// texts, editing commands of the key table, typing, clipboard, search and replace, brackets and
// bookmarks among them. The input is a text, a NUL, then either script lines or bytes from which
// commands of the language are made with arguments near the interesting values (0, 1, the ends of
// the text, huge and negative numbers). After every command the positions the control reports must
// lie in the text or where its options allow, and the whole window is painted now and then. At the
// end every change is undone, which must give back the text the changes started from, and redone,
// which must give the final text again. An input runs at most 24 commands, and stops once a line is
// longer than 512 characters or the caret stands further out: longer scripts and lines made each run
// slow without reaching code the short ones do not, and the fuzzer finds more with more runs. A
// prompted search for a pattern that matches everywhere ("x*") goes match by match, and each match
// costs the line's length again (caret, wrap, undo), so one such command on a 3,000-character line
// took 1-3 seconds, and the few runs holding one took most of a fuzzing run's time. The command that
// passes the limit still runs, is checked and undone, so lines past the 1,024 columns a new control
// scrolls to are still made (a match-everywhere replace triples a line, typing past a far caret pads
// it). A script also stops once the text holds more than 4,096 characters, and the 17th prompt of one
// command is answered "cancel": kept by the fuzzer for their coverage, pastes that multiplied the text
// and replaces answered one prompt at a time across long lines made most of a long run's time (with
// 32 commands and 64 prompts a ten-minute run averaged 445 runs a second; with these bounds 1,125,
// reaching more of the editor in the same time).
//
// One control on one window serves every input: making them, with their search engines, cost about
// a tenth of a short run. After each input it is put back to the state a new one has (text,
// history, options, font, modes, marks, selection, scroll, size), and a digest of that state must
// equal a new control's, so an input that breaks a rule breaks it alone too. The reset also frees what
// the input made, so that libFuzzer's leak check (a scan of the whole heap after every run that
// allocated more than it freed) runs seldom. The replay build
// (FUZZ_REPLAY) also runs every input on a new control and requires the same final state.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "SynPadScript.h"
#include "editor/SynTextDrawer.h"

namespace {

// Stops at the first broken rule, saying which.
#define Require(ok)                                                                      \
  do {                                                                                   \
    if (!(ok)) {                                                                         \
      std::fprintf(stderr, "editor_script: rule broken: %s (line %d)\n", #ok, __LINE__); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

constexpr int kCeiling = 1 << 20;
constexpr int kMaxSteps = 24;
constexpr int kMaxLineLength = 512;
constexpr int kMaxTextLength = 4096;
constexpr int kMaxPrompts = 16;

void Check(TSynPadScript& s) {
  TSynPad& e = *s.Ed;
  const int count = e.LineCount();
  auto lineLen = [&](int line) { return line <= count ? static_cast<int>(e.LineText(line).size()) : 0; };
  Require(e.CaretY() >= 1 && e.CaretY() <= std::max(1, count));
  const int len = lineLen(e.CaretY());
  // Typing blanks that are not stored, or a tab past the end, leaves the caret past the end even
  // where it could not be put there; the ceiling holds always.
  const int maxX = std::max(len + 1, kCeiling);
  Require(e.CaretX() >= 1 && e.CaretX() <= maxX);
  for (const TBufferCoord& b : {e.BlockBegin(), e.BlockEnd()}) {
    Require(b.Line >= 1 && b.Line <= std::max(1, count));
    Require(b.Char >= 1 && b.Char <= std::max(lineLen(b.Line) + 1, kCeiling));
  }
  // Past the last row only where eoScrollPastEof lets the top line pass it.
  Require(e.TopLine() >= 1 && (e.HasOption(eoScrollPastEof) || e.TopLine() <= std::max(1, e.DisplayRowCount())));
  Require(e.LeftChar() >= 1);
  if (e.WordWrap()) Require(e.LeftChar() == 1);
  if (e.CaretX() <= len + 1 && count > 0)
    Require(e.DisplayToBufferPos(e.BufferToDisplayPos(e.GetCaretXY())) == e.GetCaretXY());
}

int Arg(const uint8_t*& p, const uint8_t* end, TSynPad& e) {
  if (p >= end) return 1;
  const uint8_t b = *p++;
  switch (b % 8) {
    case 0:
      return 0;
    case 1:
      return 1;
    case 2:
      return e.LineCount();
    case 3:
      return e.LineCount() > 0 ? static_cast<int>(e.LineText(1).size()) + 1 : 2;
    case 4:
      return (b & 0x80) ? 2147483647 : -2147483647;
    case 5:
      return b >> 3;
    case 6:
      return -(b >> 3);
    default:
      return (b >> 3) * 97;
  }
}

// Each argument's bytes are read in its own statement, in the order the words stand: the operands
// of a chain of + are evaluated in an order the compiler picks (GCC right to left, Clang left to
// right), so an input found by the Clang fuzzer replayed another script in the GCC replay build.
std::string Generate(const uint8_t*& p, const uint8_t* end, TSynPad& e) {
  static const char* const names[] = {"caret", "sel",     "top",     "left",    "text",     "option",  "font",
                                      "b2d",   "d2b",     "px2rc",   "px2near", "rc2px",    "rc2idx",  "idx2rc",
                                      "token", "dump",    "bogus",   "command", "command",  "command", "command",
                                      "char",  "char",    "str",     "undo",    "redo",     "paste",   "copy",
                                      "find",  "replace", "bracket", "mark",    "gotomark", "answers"};
  const std::string cmd = names[*p++ % std::size(names)];
  auto word = [&] {
    static const char* const words[] = {"a",   "ab",      "\\n", "x*",  "(", "\\r\\n",
                                        "\\t", "\\u4e2d", "",    "a|b", "[", "\\u0000"};
    return std::string("\"") + words[p < end ? *p++ % std::size(words) : 0] + "\"";
  };
  if (cmd == "command") {
    const auto& table = EditorCommandStrs();
    const TIdentMapEntry& c = table[p < end ? *p++ % table.size() : 0];
    // Clearing everything ends what undo can give back; it stays rare.
    if (c.Value == ecClearAll && (p >= end || *p++ % 8 != 0)) return "ecDeleteChar";
    return c.Name;
  }
  if (cmd == "char") {
    static const char* const chars[] = {"a", " ", "\\t", "(", ")", "\\u00e9", "\\u4e2d", "\\ud83d", "\\u0007"};
    return "char " + std::string(chars[p < end ? *p++ % std::size(chars) : 0]);
  }
  if (cmd == "str") {
    const std::string w = word();
    return "str " + w.substr(1, w.size() - 2);
  }
  if (cmd == "paste") {
    static const char* const modes[] = {"", " normal", " line", " column"};
    const std::string w = word();
    return "paste " + w + modes[p < end ? *p++ % 4 : 0];
  }
  if (cmd == "find" || cmd == "replace") {
    std::string opts;
    const uint8_t bits = p < end ? *p++ : 0;
    for (int i = 0; i < 8; ++i)
      if (bits & (1 << i)) opts.push_back("cwbesapr"[i]);
    const std::string what = word();
    const std::string with = cmd == "replace" ? " " + word() : "";
    return cmd + " " + what + with + (opts.empty() ? "" : " " + opts);
  }
  if (cmd == "answers") {
    std::string a;
    for (int i = 0; i < 4 && p < end; ++i) a.push_back("rsac"[*p++ % 4]);
    return "answers " + a;
  }
  if (cmd == "mark" || cmd == "gotomark") return cmd + " " + std::to_string(p < end ? *p++ % 10 : 0);
  auto n = [&] { return std::to_string(Arg(p, end, e)); };
  if (cmd == "caret" || cmd == "b2d" || cmd == "d2b" || cmd == "px2rc" || cmd == "px2near" || cmd == "rc2px" ||
      cmd == "rc2idx" || cmd == "token") {
    const std::string a = n(), b = n();
    return cmd + " " + a + " " + b;
  }
  if (cmd == "sel") {
    static const char* const modes[] = {"normal", "column", "line", "diagonal"};
    const std::string a = n(), b = n(), c = n(), d = n();
    return cmd + " " + a + " " + b + " " + c + " " + d + " " + modes[p < end ? *p++ % 4 : 0];
  }
  if (cmd == "top" || cmd == "left" || cmd == "idx2rc") return cmd + " " + n();
  if (cmd == "text") {
    std::string t;
    while (p < end && *p != 0xFF && t.size() < 64) t.push_back(static_cast<char>(*p++));
    return "text " + t;
  }
  if (cmd == "option") {
    const int bit = p < end ? *p++ % 30 : 0;
    const std::string name = bit < SynPadOptionCount ? SynPadOptionNames[bit]
                             : bit == 27             ? "ShowLineNumbers"
                                                     : "eoNothing";
    return "option " + name + ((p < end && (*p++ & 1)) ? " on" : " off");
  }
  if (cmd == "font") {
    const std::string family = (p < end && (*p++ & 1)) ? "DejaVu Sans " : "Courier New ";
    return "font " + family + n();
  }
  return cmd;
}

// Everything of the control and its window a script can change or that steers what it does next.
std::string StateDigest(TSynPadScript& s) {
  TSynPad& e = *s.Ed;
  std::ostringstream o;
  for (int i = 0; i < e.LineCount(); ++i) o << TSynPadScript::Json(e.Lines().StringRef(i)) << ',';
  const TBufferCoord b = e.BlockBegin(), x = e.BlockEnd();
  o << "|caret " << e.CaretX() << ' ' << e.CaretY() << " eor " << e.WordWrapEndOfRow() << " block " << b.Char << ' '
    << b.Line << ' ' << x.Char << ' ' << x.Line << " modes " << static_cast<int>(e.SelectionMode()) << ' '
    << static_cast<int>(e.ActiveSelectionMode()) << " top " << e.TopLine() << " left " << e.LeftChar() << " rows "
    << e.DisplayRowCount() << " modified " << e.Modified() << " ro " << e.ReadOnly() << " insert " << e.InsertMode()
    << " options " << static_cast<long long>(e.Options()) << " tab " << e.TabWidth() << " wrap " << e.WordWrap()
    << " font " << e.Font().Name() << ' ' << e.Font().Size() << ' ' << static_cast<long long>(e.Font().Style()) << ' '
    << e.Font().Color() << " numbers " << e.Gutter().ShowLineNumbers() << " gutter " << e.GutterWidth() << " window "
    << e.CharsInWindow() << ' ' << e.LinesInWindow() << " scrollwidth " << e.MaxScrollWidth() << " caretshape "
    << e.CaretWidth() << ' ' << e.CaretHeight() << ' ' << e.CaretOffsetX() << ' ' << e.CaretOffsetY() << " marks "
    << e.Marks().size();
  for (int i = 0; i < 10; ++i) o << ' ' << e.IsBookmark(i);
  for (const TSynPadUndoList* l : {&e.UndoList(), &e.RedoList()})
    o << " history " << l->ItemCount() << ' ' << l->NextChangeNumber() << ' ' << l->InitialChangeNumber() << ' '
      << l->BlockChangeNumber() << ' ' << l->BlockCount() << ' ' << l->IsLocked() << ' ' << l->FullUndoImpossible()
      << ' ' << l->InsideRedo() << ' ' << l->MaxUndoActions() << ' ' << l->GetInitialState();
  for (TSynScrollBarKind k : {sbHorizontal, sbVertical}) {
    const TSynScrollInfo& i = e.ScrollInfo(k);
    o << " bar " << i.Min << ' ' << i.Max << ' ' << i.Page << ' ' << i.Pos << ' ' << i.Visible;
  }
  o << " host " << s.Host.Width << ' ' << s.Host.Height << " answers " << s.Answers << " status " << s.Status.size();
  return o.str();
}

// A control as new, with the settings a script can change as they were then.
struct TFresh {
  std::unique_ptr<TSynPadScript> Script = std::make_unique<TSynPadScript>();
  TSynPadorOptions Options;
  int TabWidth;
  int MaxScrollWidth;
  TSynFont Font;
  bool LineNumbers;
  bool Insert;
  TSynSelectionMode Mode;
  int Width, Height;
  std::string Digest;
  // Holds the shared measurements of the control's first font, which a script that changes the font
  // would otherwise free and the reset make again (see Reset).
  std::unique_ptr<TheFontStock> FirstFont;
  TFresh()
      : Options(Script->Ed->Options()),
        TabWidth(Script->Ed->TabWidth()),
        MaxScrollWidth(Script->Ed->MaxScrollWidth()),
        Font(Script->Ed->Font()),
        LineNumbers(Script->Ed->Gutter().ShowLineNumbers()),
        Insert(Script->Ed->InsertMode()),
        Mode(Script->Ed->SelectionMode()),
        Width(Script->Host.Width),
        Height(Script->Host.Height),
        FirstFont(
            std::make_unique<TheFontStock>(&Script->Ed->TextDrawer().BaseFont(), Script->Ed->TextDrawer().Measurer())) {
    Script->Status.clear();
    Digest = StateDigest(*Script);
  }

  // Puts the control back to how it was when new, and frees what the input made: libFuzzer checks
  // for leaks, scanning the whole heap, after every run that allocated more than it freed, which
  // took a sixth of the time while clipboard text and search patterns outlived their run.
  void Reset() {
    TSynPadScript& s = *Script;
    TSynPad& e = *s.Ed;
    e.SetReadOnly(false);
    e.SetWordWrap(false);
    e.SetOptions(Options);
    e.SetTabWidth(TabWidth);
    e.SetMaxScrollWidth(MaxScrollWidth);  // long lines widen it
    // Setting a font measures it afresh (cell tables of every UTF-16 unit): only when it changed.
    const TSynFont& f = e.Font();
    if (f.Name() != Font.Name() || f.Size() != Font.Size() || f.Style() != Font.Style() || f.Color() != Font.Color())
      e.SetFont(Font);
    e.Gutter().SetShowLineNumbers(LineNumbers);
    e.SetInsertMode(Insert);
    e.ClearAll();   // text, marks, history, modified
    e.ClearUndo();  // the change numbering too
    e.SetModified(false);
    e.SetSelectionMode(Mode);
    e.SetActiveSelectionMode(Mode);
    e.SetCaretXY(TBufferCoord{1, 1});
    e.SetTopLine(1);
    e.SetLeftChar(1);
    e.SetSearchEngine(nullptr);
    // The regular-expression engine keeps its compiled program: one that searched is made anew (a
    // new one allocates what the old one held when new).
    if (!s.RegexSearch.GetPattern().empty()) {
      std::destroy_at(&s.RegexSearch);
      std::construct_at(&s.RegexSearch);
    }
    std::u16string().swap(TSynMemoryClipboard::Text());
    std::vector<std::pair<std::string, std::string>>().swap(TSynMemoryClipboard::Data());
    e.OnReplaceText = nullptr;
    s.Answers.clear();
    s.Host.Width = Width;
    s.Host.Height = Height;
    e.Resize();
    s.Host.Invalidated.clear();
    s.Host.Scrolls.clear();
    s.Status.clear();
    const std::string now = StateDigest(s);
    if (now != Digest)
      std::fprintf(stderr, "editor_script: reset control is\n%s\nnew one is\n%s\n", now.c_str(), Digest.c_str());
    Require(now == Digest);
  }
};

// Runs one input on S (a control as new); returns the final state's digest when WANTDIGEST.
std::string Run(TSynPadScript& s, const uint8_t* data, size_t size, bool wantDigest) {
  const uint8_t* end = data + size;
  const uint8_t* nul = data;
  while (nul < end && *nul != 0) ++nul;
  // Every input starts from an empty clipboard, so that it replays alike on its own.
  TSynMemoryClipboard::Text().clear();
  TSynMemoryClipboard::Data().clear();
  s.Host.Width = 30 + 2 + 8 * (1 + static_cast<int>(size % 40));
  s.Host.Height = 16 * (1 + static_cast<int>(size % 7));
  TSynPad& e = *s.Ed;
  s.MaxPrompts = kMaxPrompts;
  e.Resize();
  e.SetText(codepage::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(nul - data))));
  if (size % 3 == 0) e.SetWordWrap(true);
  if (size % 5 == 0) e.SetTabWidth(static_cast<int>(size % 11));
  const uint8_t* p = nul < end ? nul + 1 : end;
  const bool textual = p < end && *p >= 'a' && *p <= 'z';
  std::string out, error;
  int steps = 0;
  // The text the recorded changes start from: the loaded one, or the one left when the history was
  // emptied (a new text, ecClearAll).
  std::u16string baseline = e.GetText();
  while (p < end && steps < kMaxSteps) {
    std::string line;
    if (textual) {
      while (p < end && *p != '\n') line.push_back(static_cast<char>(*p++));
      if (p < end) ++p;
    } else {
      line = Generate(p, end, e);
    }
    // Before running it, so that a command that never ends is the last one shown.
    static const bool trace = std::getenv("EDITOR_SCRIPT_TRACE") != nullptr;
    if (trace) std::fprintf(stderr, "%s\n", line.c_str());
    out.clear();
    try {
      s.Execute(line, out, error);  // a refused command leaves the control as it was
    } catch (const std::exception&) {
      // A regular expression that does not compile is reported, not fatal.
    }
    if (!e.UndoList().CanUndo() && !e.RedoList().CanUndo()) baseline = e.GetText();
    // A line padded out towards the column ceiling makes every later edit of it long; enough is
    // tried then.
    if (e.Lines().LengthOfLongestLine() > kMaxLineLength) break;
    int length = 0;
    for (int i = 0; i < e.LineCount() && length <= kMaxTextLength; ++i)
      length += static_cast<int>(e.Lines().StringRef(i).size()) + 1;
    if (length > kMaxTextLength) break;
    Check(s);
    // Where the caret was clamped far past a line's end, the next character typed would pad the line
    // with up to a million blanks, and every later step would walk them: the script ends there. So
    // it does where a selection's end was: a column block out to the millionth column, copied,
    // padded each of its lines that far (ninety lines made a 90-million-character clipboard, and
    // its paste took seconds).
    if (std::max({e.CaretX(), e.BlockBegin().Char, e.BlockEnd().Char}) > kMaxLineLength) break;
    if (++steps % 16 == 0) {
      TSynRecordingCanvas canvas;
      e.Paint(canvas, TSynRect{0, 0, s.Host.Width, s.Host.Height});
    }
  }
  TSynRecordingCanvas canvas;
  e.Paint(canvas, TSynRect{0, 0, s.Host.Width, s.Host.Height});
  // Undo gives back where the history starts, redo the text it ended with.
  e.SetReadOnly(false);
  const std::u16string final = e.GetText();
  const int redoBefore = e.RedoList().ItemCount();
  for (int guard = 0; e.CanUndo() && guard < 5000; ++guard) e.Undo();
  if (!e.UndoList().FullUndoImpossible()) Require(e.GetText() == baseline);
  for (int guard = 0; e.RedoList().ItemCount() > redoBefore && guard < 5000; ++guard) e.Redo();
  Require(e.GetText() == final);
  Check(s);
  return wantDigest ? StateDigest(s) : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // EDITOR_SCRIPT_SAVE=FILE keeps the input being run, so the one that broke a rule can be replayed.
  if (const char* keep = std::getenv("EDITOR_SCRIPT_SAVE")) {
    if (FILE* f = std::fopen(keep, "wb")) {
      if (size > 0) std::fwrite(data, 1, size, f);
      std::fclose(f);
    }
  }
  // Never destroyed: at exit it would outlive the editor's own static caches.
  static TFresh& reused = *new TFresh;
  // The final state is compared only where a digest is asked for or the replay checks it.
  const char* digestFile = std::getenv("EDITOR_SCRIPT_DIGEST");
#ifdef FUZZ_REPLAY
  const bool wantDigest = true;
#else
  const bool wantDigest = digestFile != nullptr;
#endif
  const std::string digest = Run(*reused.Script, data, size, wantDigest);
  // Put back at once rather than before the next input, so that what the run made is freed within
  // it: libFuzzer takes a run that leaves more allocations than it frees for a possible leak and
  // runs it again under the leak checker.
  reused.Reset();
#ifdef FUZZ_REPLAY
  // The reused control must end where a new one does.
  TFresh fresh;
  const std::string freshDigest = Run(*fresh.Script, data, size, true);
  if (digest != freshDigest)
    std::fprintf(stderr, "editor_script: reused control ended as\n%s\nnew one as\n%s\n", digest.c_str(),
                 freshDigest.c_str());
  Require(digest == freshDigest);
#endif
  // EDITOR_SCRIPT_DIGEST=FILE appends each input's final state, to compare runs in one process and
  // one process per input.
  if (digestFile) {
    if (FILE* f = std::fopen(digestFile, "ab")) {
      std::fprintf(f, "%zu %016llx\n", size, static_cast<unsigned long long>(std::hash<std::string>{}(digest)));
      std::fclose(f);
    }
  }
  return 0;
}
