// The editor probe's command language, shared by the probe and the fuzz target: one command a
// line, run against a TSynPad on the recording host. Queries print one line of plain values;
// "dump" prints one JSON object. Header-only.
#pragma once

#include <cctype>
#include <climits>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SynPadRecordingHost.h"
#include "editor/SynPad.h"
#include "editor/SynPadRegexSearch.h"
#include "editor/SynPadSearch.h"
#include "platform/Clipboard.h"
#include "platform/CodePage.h"
#include "platform/EditorServices.h"
#include "platform/SystemServices.h"
#include "platform/VirtualKeys.h"

// A clipboard kept in the process, for programs without a desktop (the fuzz target). Installed
// only where no clipboard service is.
struct TSynMemoryClipboard {
  static std::u16string& Text() {
    static std::u16string text;
    return text;
  }
  static std::vector<std::pair<std::string, std::string>>& Data() {
    static std::vector<std::pair<std::string, std::string>> data;
    return data;
  }
  static void InstallWhereMissing() {
    platform::TSystemServices s = platform::SystemServices();
    if (s.WriteClipboardText) return;
    s.ClipboardHasText = [] { return !Text().empty(); };
    s.ReadClipboardText = [] { return Text(); };
    s.WriteClipboardText = [](std::u16string_view t) {
      Text() = std::u16string(t);
      Data().clear();
    };
    s.WriteClipboardTextAndData = [](std::u16string_view t, const std::vector<std::pair<std::string, std::string>>& d) {
      Text() = std::u16string(t);
      Data() = d;
    };
    platform::InstallSystemServices(s);
    // Private formats are read through the format clipboard: this one reads what was written above.
    static TFormats formats;
    platform::SetClipboard(&formats);
  }

 private:
  struct TFormats : platform::IClipboard {
    bool HasFormat(const std::string& format) const override { return Read(format).has_value(); }
    std::optional<std::string> Read(const std::string& format) const override {
      for (const auto& [type, bytes] : Data())
        if (type == format) return bytes;
      return std::nullopt;
    }
    void Write(const std::string& format, const std::string& bytes) override {
      Text().clear();
      Data() = {{format, bytes}};
    }
    void ClearOwned(const std::string& format) override {
      if (HasFormat(format)) Data().clear();
    }
  };
};

class TSynPadScript {
 public:
  TSynRecordingHost Host;
  TSynPad* Ed = nullptr;
  TSynCustomHighlighter* Highlighter = nullptr;
  // Status-change sets since the last dump.
  std::vector<TSynStatusChanges> Status;
  // png FILE; unset: the command is refused.
  std::function<void(const std::string& File)> OnPng;
  // wait MS: keeps the program (and what it owns on the clipboard) alive; unset: refused.
  std::function<void(int Milliseconds)> OnWait;
  // The search engines of find and replace (r picks the regular-expression one).
  TSynPadSearch PlainSearch;
  TSynPadRegexSearch RegexSearch;
  // Answers OnReplaceText gives to prompts, in order (r replace, s skip, a all, c cancel); when they
  // run out a prompt is answered "replace".
  std::string Answers;
  // After this many prompts in one find or replace command the next is answered "cancel" (0: no
  // limit); Prompts counts them.
  int MaxPrompts = 0;
  int Prompts = 0;

  TSynPadScript() : own_(std::make_unique<TSynPad>(&Host)) { SetEditor(*own_); }
  // Without an editor of its own: the caller makes one on Host and hands it to SetEditor.
  enum TNoEditor { NoEditor };
  explicit TSynPadScript(TNoEditor) {}
  void SetEditor(TSynPad& editor) {
    TSynMemoryClipboard::InstallWhereMissing();
    Ed = &editor;
    Ed->OnStatusChange = [this](TCustomSynPad*, TSynStatusChanges c) { Status.push_back(c); };
  }

  // Decodes \n \r \t \\ and \uXXXX (one UTF-16 unit) in UTF-8 text.
  static std::u16string Unescape(const std::string& s) {
    std::string plain;
    std::u16string out;
    auto flush = [&] {
      out += codepage::Utf8ToUtf16(plain);
      plain.clear();
    };
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] != '\\' || i + 1 >= s.size()) {
        plain.push_back(s[i]);
        continue;
      }
      const char c = s[++i];
      if (c == 'n')
        plain.push_back('\n');
      else if (c == 'r')
        plain.push_back('\r');
      else if (c == 't')
        plain.push_back('\t');
      else if (c == '\\')
        plain.push_back('\\');
      else if (c == 'u' && i + 4 < s.size() + 0 && IsHex(s, i + 1, 4)) {
        flush();
        out.push_back(static_cast<char16_t>(std::stoul(s.substr(i + 1, 4), nullptr, 16)));
        i += 4;
      } else {
        plain.push_back('\\');
        plain.push_back(c);
      }
    }
    flush();
    return out;
  }

  static std::string Json(std::u16string_view s) {
    std::string out = "\"";
    char buf[8];
    for (char16_t c : s) {
      if (c == u'"' || c == u'\\') {
        out.push_back('\\');
        out.push_back(static_cast<char>(c));
      } else if (c >= 0x20 && c < 0x7F) {
        out.push_back(static_cast<char>(c));
      } else {
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
        out += buf;
      }
    }
    return out + "\"";
  }

  static const char* StatusName(int bit) {
    static const char* const names[] = {"scAll",        "scCaretX",   "scCaretY",    "scLeftChar", "scTopLine",
                                        "scInsertMode", "scModified", "scSelection", "scReadOnly"};
    return bit >= 0 && bit < 9 ? names[bit] : "?";
  }

  std::string Dump() {
    std::ostringstream o;
    o << "{\"lines\":[";
    for (int i = 0; i < Ed->LineCount(); ++i) o << (i ? "," : "") << Json(Ed->Lines().StringRef(i));
    const TBufferCoord b = Ed->BlockBegin(), e = Ed->BlockEnd();
    static const char* const modes[] = {"normal", "line", "column"};
    o << "],\"caret\":[" << Ed->CaretX() << "," << Ed->CaretY() << "],\"begin\":[" << b.Char << "," << b.Line
      << "],\"end\":[" << e.Char << "," << e.Line << "],\"mode\":\"" << modes[Ed->ActiveSelectionMode()]
      << "\",\"top\":" << Ed->TopLine() << ",\"left\":" << Ed->LeftChar()
      << ",\"modified\":" << (Ed->Modified() ? "true" : "false") << ",\"status\":[";
    for (size_t i = 0; i < Status.size(); ++i) {
      o << (i ? "," : "") << "\"";
      bool first = true;
      for (int bit = 0; bit < 16; ++bit)
        if (Status[i] & (1u << bit)) {
          o << (first ? "" : "|") << StatusName(bit);
          first = false;
        }
      o << "\"";
    }
    o << "]}";
    Status.clear();
    return o.str();
  }

  // The option letters of find and replace added to Options: c match case, w whole word,
  // b backwards, e entire scope, s selected only, a replace all, p prompt; r picks the regular
  // expressions. false on any other letter. (replace itself brings the replace option.)
  static bool SearchOptionsOf(std::u16string_view Letters, TSynSearchOptions& Options, bool& Regex) {
    for (char16_t c : Letters) {
      switch (c) {
        case u'c':
          Options |= ssoMatchCase;
          break;
        case u'w':
          Options |= ssoWholeWord;
          break;
        case u'b':
          Options |= ssoBackwards;
          break;
        case u'e':
          Options |= ssoEntireScope;
          break;
        case u's':
          Options |= ssoSelectedOnly;
          break;
        case u'a':
          Options |= ssoReplaceAll;
          break;
        case u'p':
          Options |= ssoPrompt;
          break;
        case u'r':
          Regex = true;
          break;
        default:
          return false;
      }
    }
    return true;
  }

  // Runs one line; false with Error set on a bad command.
  bool Execute(const std::string& Line, std::string& Out, std::string& Error) {
    std::istringstream in(Line);
    std::string cmd;
    if (!(in >> cmd)) return true;  // blank line
    auto rest = [&]() {
      std::string r;
      std::getline(in, r);
      if (!r.empty() && r[0] == ' ') r.erase(0, 1);
      return r;
    };
    auto ints = [&](int n, std::vector<int>& v) {
      v.assign(static_cast<size_t>(n), 0);
      for (int i = 0; i < n; ++i) {
        long long x;
        if (!(in >> x) || x < INT_MIN || x > INT_MAX) {
          Error = cmd + ": expected " + std::to_string(n) + " integer(s)";
          return false;
        }
        v[static_cast<size_t>(i)] = static_cast<int>(x);
      }
      std::string extra;
      if (cmd != "sel" && (in >> extra)) {
        Error = cmd + ": unexpected \"" + extra + "\"";
        return false;
      }
      return true;
    };
    auto pair = [&](int a, int b) { Out += std::to_string(a) + " " + std::to_string(b) + "\n"; };
    std::vector<int> v;
    if (cmd == "caret") {
      if (!ints(2, v)) return false;
      Ed->SetCaretXY(TBufferCoord{v[0], v[1]});
    } else if (cmd == "sel") {
      if (!ints(4, v)) return false;
      std::string mode = "normal";
      in >> mode;
      TSynSelectionMode m;
      if (mode == "normal")
        m = smNormal;
      else if (mode == "column")
        m = smColumn;
      else if (mode == "line")
        m = smLine;
      else
        return Fail(Error, "sel: unknown mode \"" + mode + "\"");
      Ed->SetSelectionMode(m);
      Ed->SetBlockBegin(TBufferCoord{v[0], v[1]});
      Ed->SetBlockEnd(TBufferCoord{v[2], v[3]});
      Ed->SetCaretXYEx(true, TBufferCoord{v[2], v[3]});
    } else if (cmd == "top") {
      if (!ints(1, v)) return false;
      Ed->SetTopLine(v[0]);
    } else if (cmd == "left") {
      if (!ints(1, v)) return false;
      Ed->SetLeftChar(v[0]);
    } else if (cmd == "text") {
      Ed->SetText(Unescape(rest()));
    } else if (cmd == "option") {
      std::string name, state, extra;
      if (!(in >> name >> state) || (state != "on" && state != "off") || (in >> extra))
        return Fail(Error, "option: expected NAME on|off");
      const bool on = state == "on";
      if (name == "ShowLineNumbers") {
        Ed->Gutter().SetShowLineNumbers(on);
      } else {
        const int bit = SynPadOptionByName(name);
        if (bit < 0) return Fail(Error, "option: unknown option \"" + name + "\"");
        const TSynPadorOptions o = Ed->Options();
        Ed->SetOptions(on ? (o | (1u << bit)) : (o & ~(1u << bit)));
      }
    } else if (cmd == "font") {
      std::string r = rest();
      const size_t sp = r.find_last_of(' ');
      if (sp == std::string::npos || sp == 0) return Fail(Error, "font: expected FAMILY SIZE");
      int size = 0;
      try {
        size = std::stoi(r.substr(sp + 1));
      } catch (...) {
        return Fail(Error, "font: bad size");
      }
      if (size == 0 || size < -500 || size > 500) return Fail(Error, "font: size out of range");
      TSynFont f(r.substr(0, sp), size);
      f.SetStyle(Ed->Font().Style());
      f.SetColor(Ed->Font().Color());
      Ed->SetFont(f);
    } else if (cmd == "b2d") {
      if (!ints(2, v)) return false;
      const TDisplayCoord d = Ed->BufferToDisplayPos(TBufferCoord{v[0], v[1]});
      pair(d.Column, d.Row);
    } else if (cmd == "d2b") {
      if (!ints(2, v)) return false;
      const TBufferCoord b = Ed->DisplayToBufferPos(TDisplayCoord{v[0], v[1]});
      pair(b.Char, b.Line);
    } else if (cmd == "px2rc" || cmd == "px2near") {
      if (!ints(2, v)) return false;
      const TDisplayCoord d =
          cmd == "px2rc" ? Ed->PixelsToRowColumn(v[0], v[1]) : Ed->PixelsToNearestRowColumn(v[0], v[1]);
      pair(d.Column, d.Row);
    } else if (cmd == "rc2px") {
      if (!ints(2, v)) return false;
      int x = 0, y = 0;
      Ed->RowColumnToPixels(TDisplayCoord{v[0], v[1]}, x, y);
      pair(x, y);
    } else if (cmd == "rc2idx") {
      if (!ints(2, v)) return false;
      Out += std::to_string(Ed->RowColToCharIndex(TBufferCoord{v[0], v[1]})) + "\n";
    } else if (cmd == "idx2rc") {
      if (!ints(1, v)) return false;
      const TBufferCoord b = Ed->CharIndexToRowCol(v[0]);
      pair(b.Char, b.Line);
    } else if (cmd == "token") {
      if (!ints(2, v)) return false;
      std::u16string token;
      int kind = 0, start = 0;
      TSynHighlighterAttributes* attr = nullptr;
      if (Ed->GetTokenAtRowCol(TBufferCoord{v[0], v[1]}, token, kind, start, attr))
        Out += Json(token) + " " + std::to_string(kind) + " " + (attr ? attr->Name() : std::string("-")) + "\n";
      else
        Out += "none\n";
    } else if (cmd == "dump") {
      Out += Dump() + "\n";
    } else if (cmd == "png") {
      const std::string file = rest();
      if (file.empty()) return Fail(Error, "png: expected FILE");
      if (!OnPng) return Fail(Error, "png: no renderer here");
      OnPng(file);
    } else if (cmd == "undo" || cmd == "redo") {
      return RunCommand(cmd == "undo" ? ecUndo : ecRedo, 0, {}, Error);
    } else if (cmd == "char") {
      const std::u16string c = Unescape(rest());
      if (c.size() != 1) return Fail(Error, "char: expected one character");
      return RunCommand(ecChar, c[0], {}, Error);
    } else if (cmd == "str") {
      return RunCommand(ecImeStr, 0, Unescape(rest()), Error);
    } else if (cmd == "paste") {
      std::vector<std::u16string> args;
      if (!Tokens(rest(), args, Error) || args.empty() || args.size() > 2)
        return Fail(Error, "paste: expected TEXT [normal|line|column]");
      if (args.size() == 1) {
        editorservices::WriteClipboardText(args[0]);
      } else {
        const std::u16string& m = args[1];
        const char mode = m == u"normal" ? 0 : m == u"line" ? 1 : m == u"column" ? 2 : -1;
        if (mode < 0) return Fail(Error, "paste: unknown mode");
        std::string block(1, mode);
        block += codepage::Utf16ToCp1252(args[0]);
        block.push_back('\0');
        editorservices::WriteClipboardTextWithData(args[0], SynPadClipboardFormat, block);
      }
      return RunCommand(ecPaste, 0, {}, Error);
    } else if (cmd == "copy") {
      std::string extra;
      if (in >> extra) return Fail(Error, "copy: takes nothing");
      Ed->CommandProcessor(ecCopy, 0);
      std::string block;
      static const char* const modeNames[] = {"normal", "line", "column"};
      const bool hasMode = editorservices::ReadClipboardData(SynPadClipboardFormat, block) && !block.empty() &&
                           static_cast<unsigned char>(block[0]) <= 2;
      Out += Json(editorservices::ReadClipboardText()) + " " +
             (hasMode ? modeNames[static_cast<unsigned char>(block[0])] : "none") + "\n";
    } else if (cmd == "find" || cmd == "replace") {
      std::vector<std::u16string> args;
      const size_t need = cmd == "find" ? 1 : 2;
      if (!Tokens(rest(), args, Error) || args.size() < need || args.size() > need + 1)
        return Fail(Error, cmd + (cmd == "find" ? ": expected TEXT [OPTS]" : ": expected TEXT WITH [OPTS]"));
      TSynSearchOptions options = cmd == "replace" ? ssoReplace : 0;
      bool regex = false;
      if (!SearchOptionsOf(args.size() > need ? args.back() : std::u16string(), options, regex))
        return Fail(Error, cmd + ": unknown option letter");
      Ed->SetSearchEngine(regex ? static_cast<TSynPadSearchCustom*>(&RegexSearch) : &PlainSearch);
      Prompts = 0;
      Ed->OnReplaceText = [this](TCustomSynPad*, const std::u16string&, const std::u16string&, int, int,
                                 TSynReplaceAction& Action) {
        if (MaxPrompts > 0 && ++Prompts > MaxPrompts) {
          Action = raCancel;
          return;
        }
        if (Answers.empty()) return;
        const char a = Answers[0];
        Answers.erase(0, 1);
        Action = a == 's' ? raSkip : a == 'a' ? raReplaceAll : a == 'c' ? raCancel : raReplace;
      };
      const int n = Ed->SearchReplace(args[0], cmd == "find" ? std::u16string() : args[1], options);
      Out += std::to_string(n) + "\n";
    } else if (cmd == "answers") {
      std::string letters;
      in >> letters;
      if (letters.find_first_not_of("rsac") != std::string::npos) return Fail(Error, "answers: letters r s a c");
      Answers = letters;
    } else if (cmd == "bracket") {
      const TBufferCoord p = Ed->GetMatchingBracket();
      if (p.Char == 0)
        Out += "none\n";
      else
        pair(p.Char, p.Line);
    } else if (cmd == "mark" || cmd == "gotomark") {
      if (!ints(1, v)) return false;
      if (v[0] < 0 || v[0] > 9) return Fail(Error, cmd + ": a bookmark number from 0 to 9");
      return RunCommand(static_cast<TSynPadorCommand>((cmd == "mark" ? ecSetMarker0 : ecGotoMarker0) + v[0]), 0, {},
                        Error);
    } else if (cmd == "wait") {
      if (!ints(1, v)) return false;
      if (!OnWait) return Fail(Error, "wait: nothing to wait for here");
      OnWait(v[0]);
    } else if (cmd == "key") {
      std::string spec;
      in >> spec;
      std::uint16_t key = 0;
      vk::TShiftState shift = 0;
      if (!ParseKey(spec, key, shift)) return Fail(Error, "key: unknown key \"" + spec + "\"");
      const int i = Ed->Keystrokes().FindKeycode(key, shift);
      if (i < 0) return Fail(Error, "key: " + spec + " is not bound");
      return RunCommand(Ed->Keystrokes().Items(i)->Command(), 0, {}, Error);
    } else {
      int command = 0;
      if (cmd.rfind("ec", 0) == 0 && IdentToEditorCommand(cmd, command))
        return RunCommand(static_cast<TSynPadorCommand>(command), 0, {}, Error);
      return Fail(Error, "unknown command \"" + cmd + "\"");
    }
    return true;
  }

 private:
  static bool IsHex(const std::string& s, size_t at, size_t n) {
    if (at + n > s.size()) return false;
    for (size_t i = at; i < at + n; ++i)
      if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
  }
  static bool Fail(std::string& Error, const std::string& Message) {
    Error = Message;
    return false;
  }
  bool RunCommand(TSynPadorCommand Command, char16_t Ch, const std::u16string& Text, std::string& /*Error*/) {
    Ed->CommandProcessor(Command, Ch, Command == ecImeStr ? TSynCommandData{Text} : TSynCommandData{});
    return true;
  }

 public:
  // Arguments separated by blanks; "..." holds blanks (\" for a quote), escapes as in TEXT.
  static bool Tokens(const std::string& Line, std::vector<std::u16string>& Out, std::string& Error) {
    size_t i = 0;
    while (i < Line.size()) {
      if (Line[i] == ' ') {
        ++i;
        continue;
      }
      std::string raw;
      if (Line[i] == '"') {
        ++i;
        bool closed = false;
        while (i < Line.size()) {
          if (Line[i] == '\\' && i + 1 < Line.size() && Line[i + 1] == '"') {
            raw.push_back('"');
            i += 2;
          } else if (Line[i] == '"') {
            ++i;
            closed = true;
            break;
          } else {
            raw.push_back(Line[i++]);
          }
        }
        if (!closed) return Fail(Error, "unclosed quote");
      } else {
        while (i < Line.size() && Line[i] != ' ') raw.push_back(Line[i++]);
      }
      Out.push_back(Unescape(raw));
    }
    return true;
  }

 private:
  // "Ctrl+Shift+Right": modifiers in any order, then a key name as the shortcut texts spell it.
  static bool ParseKey(const std::string& Spec, std::uint16_t& Key, vk::TShiftState& Shift) {
    auto lower = [](std::string t) {
      for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return t;
    };
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
      const size_t plus = Spec.find('+', from + 1);  // a key named "+" stays whole
      if (plus == std::string::npos) break;
      parts.push_back(Spec.substr(from, plus - from));
      from = plus + 1;
    }
    parts.push_back(Spec.substr(from));
    std::uint16_t mods = 0;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      const std::string m = lower(parts[i]);
      if (m == "ctrl")
        mods |= vk::scCtrl;
      else if (m == "shift")
        mods |= vk::scShift;
      else if (m == "alt")
        mods |= vk::scAlt;
      else
        return false;
    }
    const std::string name = lower(parts.back());
    for (std::uint16_t k = 1; k <= 255; ++k) {
      if (lower(vk::ShortCutToText(k)) != name) continue;
      vk::ShortCutToKey(static_cast<std::uint16_t>(k | mods), Key, Shift);
      return true;
    }
    return false;
  }

 private:
  std::unique_ptr<TSynPad> own_;
};
