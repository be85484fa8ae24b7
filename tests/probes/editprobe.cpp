// editprobe [--options HEX] [--tabwidth N] [--wrap COLS] [--highlighter CLASS] [--size WxH] TEXTFILE
// editprobe [--size WxH] --record BANK ID
// Loads TEXTFILE (UTF-8) into the editor control on a recording window (cells 8 x 16, client
// WxH pixels, default 640x480) and runs the script on stdin, one command a line:
//   caret X Y | sel X1 Y1 X2 Y2 [normal|column|line] | top N | left N | text STRING |
//   option NAME on|off | font FAMILY SIZE
//   b2d X Y | d2b COL ROW | px2rc X Y | px2near X Y | rc2px COL ROW | rc2idx X Y | idx2rc N |
//   token X Y                                      (each prints one line of plain values)
//   dump                                           (one JSON object)
//   png FILE                                       (the control on the real window, offscreen)
//   ecCommandName | char C | str TEXT | key Ctrl+Shift+Right | undo | redo
// In STRING and TEXT, \n \r \t \\ and \uXXXX stand for those characters. --wrap COLS turns word
// wrap on with a client just wide enough for COLS columns (at most 255).
// With --record, the record with that ID of the databank file BANK is opened in the record editor
// (with the program's highlighter set, and plug-ins beside the probe) as the databank window opens
// it, and the script runs on its code editor, with these commands besides:
//   store                    writes the record back and prints the record's XML
//   lang                     prints the language number and name (TAB between; "(none)": plain text)
//   find TEXT OPTS           the find command with TEXT and OPTS answered in its dialog; OPTS is the
//                            stored form of the options (eight 0/1, "10010000": match case, entire
//                            scope), a ninth character 1 asks for a regular expression
//   findnext | findprev      find next (F3) and find previous (Shift+F3)
// The find commands print "found C1 L1 C2 L2" (the selection), the notification when nothing was
// found, or "disabled" when the command could not run.
// Exit 0; 1 with a message on a bad command; 2 on bad arguments.
#include <QApplication>
#include <QImage>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "MapSettings.h"
#include "RecordingFrameView.h"
#include "SynPadScript.h"
#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
#include "highlighters/SynHighlighterRegistry.h"
#include "platform/qt/Drawing.h"
#include "recordeditor/FindReplaceDialogs.h"
#include "xml/uXMLBase2.h"

namespace {

int Usage(const std::string& message) {
  std::cerr << "editprobe: " << message << "\n"
            << "usage: editprobe [--options HEX] [--tabwidth N] [--wrap COLS] [--highlighter CLASS] [--size WxH] "
               "TEXTFILE\n"
            << "       editprobe [--size WxH] --record BANK ID\n";
  return 2;
}

bool ParseInt(const std::string& s, long long lo, long long hi, long long& out, int base = 10) {
  try {
    size_t used = 0;
    out = std::stoll(s, &used, base);
    return used == s.size() && out >= lo && out <= hi;
  } catch (...) {
    return false;
  }
}

// Renders the model's state on the real window: same text, options, view and selection.
void RenderPng(TSynPadScript& s, const std::string& file, std::unique_ptr<QApplication>& app) {
  static int argc = 1;
  static char name[] = "editprobe";
  static char* argv[] = {name, nullptr};
  if (!app) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app = std::make_unique<QApplication>(argc, argv);
    platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
  }
  TCustomSynPad& m = *s.Ed;
  TSynPadWidget w;
  w.setFrameShape(QFrame::NoFrame);
  TSynMemo& e = w.Editor();
  e.SetScrollBars(ssNone);
  w.resize(s.Host.Width, s.Host.Height);
  w.show();
  QApplication::processEvents();
  w.SetRenderFocused(true);
  e.SetFont(m.Font());
  e.Gutter().Assign(m.Gutter());
  e.SetTabWidth(m.TabWidth());
  e.SetOptions(m.Options());
  e.SetHighlighter(m.Highlighter());
  e.SetText(m.GetText());
  e.SetWordWrap(m.WordWrap());
  e.SetSelectionMode(m.SelectionMode());
  const TBufferCoord anchor = m.RawBlockBegin(), moving = m.RawBlockEnd();
  e.SetCaretXYEx(false, m.GetCaretXY());
  e.SetBlockBegin(anchor);
  e.SetBlockEnd(moving);
  e.SetActiveSelectionMode(m.ActiveSelectionMode());
  e.SetTopLine(m.TopLine());
  e.SetLeftChar(m.LeftChar());
  if (!w.RenderToImage().save(QString::fromStdString(file), "PNG"))
    throw std::runtime_error("png: cannot write " + file);
}

// Runs the script on stdin; `extra` answers the commands it knows (true) before the script does.
int RunScript(TSynPadScript& s, const std::function<bool(const std::string& line, std::string& out)>& extra = nullptr) {
  std::string line, out, error;
  int lineNo = 0;
  while (std::getline(std::cin, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.clear();
    try {
      if (!(extra && extra(line, out)) && !s.Execute(line, out, error)) {
        std::cout << std::flush;
        std::cerr << "editprobe: line " << lineNo << ": " << error << "\n";
        return 1;
      }
    } catch (const std::exception& e) {
      std::cout << std::flush;
      std::cerr << "editprobe: line " << lineNo << ": " << e.what() << "\n";
      return 1;
    }
    std::cout << out;
  }
  return 0;
}

// The record editor on a record of a databank file.
int RunRecord(const std::string& bankFile, int id, int width, int height) {
  TXMLDataBase2 bank;
  try {
    if (!bank.LoadFromFile(bankFile)) return Usage("cannot read the databank " + bankFile + " " + bank.LastError());
  } catch (const std::exception& e) {
    return Usage(e.what());
  }
  TxevXMLNode2* node = bank::FindNodeByID(bank.Root(), id);
  if (!bank::IsRecord(node)) return Usage("no record with ID " + std::to_string(id));
  TdmHighLighters set;
  TSynPadScript s(TSynPadScript::NoEditor);
  s.Host.Width = width;
  s.Host.Height = height;
  TSynMemo memo(&s.Host);
  s.SetEditor(memo);
  TSynRecordingHost commentsHost;
  TSynMemo comments(&commentsHost);
  TRecordingFrameView view;
  MapSettings settings;
  std::string notice;
  int result = 0;
  {
    TEditorFrame frame(memo, comments, view, set);
    frame.SetSettings(&settings);
    frame.OnNotify = [&notice](int, const std::string& text) { notice = text; };
    memo.Resize();
    frame.OpenRecord(node);
    frame.SetEditorEnabled(true);
    s.Status.clear();
    std::string findText;
    TSynSearchOptions findOptions = 0;
    bool findRegex = false;
    SetFindDialogRunner([&](platform::WindowHandle, TFindDialogState& state) {
      state = TFindDialogState::FromOptions(findText, "", findRegex, findOptions);
      return true;
    });
    auto find = [&](TEditorAction action, std::string& out) {
      if (!frame.ActionEnabled(action)) {
        out = "disabled\n";
        return;
      }
      notice.clear();
      frame.Execute(action);
      const TBufferCoord b = memo.BlockBegin(), e = memo.BlockEnd();
      out = notice.empty() ? "found " + std::to_string(b.Char) + " " + std::to_string(b.Line) + " " +
                                 std::to_string(e.Char) + " " + std::to_string(e.Line) + "\n"
                           : notice + "\n";
    };
    result = RunScript(s, [&](const std::string& line, std::string& out) {
      std::istringstream in(line);
      std::string cmd;
      in >> cmd;
      if (cmd == "store") {
        frame.StoreRecord();
        out = bank.Document()->GetNodeXML(node) + "\n";
      } else if (cmd == "lang") {
        out = std::to_string(frame.LanguageNumber()) + "\t" + (frame.Language() ? frame.Language()->Name : "(none)") + "\n";
      } else if (cmd == "find") {
        std::string rest;
        std::getline(in, rest);
        const size_t cut = rest.find_last_of(' ');
        const std::string opts = cut == std::string::npos ? "" : rest.substr(cut + 1);
        if (cut == 0 || (opts.size() != 8 && opts.size() != 9) || opts.find_first_not_of("01") != std::string::npos)
          throw std::runtime_error("find: expected TEXT OPTS (eight or nine 0/1)");
        findText = codepage::Utf16ToUtf8(TSynPadScript::Unescape(rest.substr(1, cut - 1)));
        findOptions = StringToSearchOptions(opts.substr(0, 8));
        findRegex = opts.size() == 9 && opts[8] == '1';
        find(TEditorAction::FindInText, out);
      } else if (cmd == "findnext" || cmd == "findprev") {
        find(cmd == "findnext" ? TEditorAction::FindNextText : TEditorAction::FindPreviousText, out);
      } else {
        return false;
      }
      return true;
    });
    SetFindDialogRunner(nullptr);
  }
  memo.SetHighlighter(nullptr);
  comments.SetHighlighter(nullptr);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  long long options = -1, tabWidth = -1, wrap = -1, width = 640, height = 480;
  std::string highlighter, file, recordBank;
  long long recordId = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--options") {
      if (!value(v) || !ParseInt(v.rfind("0x", 0) == 0 ? v.substr(2) : v, 0, 0xFFFFFFFFLL, options, 16))
        return Usage("--options takes a hexadecimal option set");
    } else if (a == "--tabwidth") {
      if (!value(v) || !ParseInt(v, -1000000, 1000000, tabWidth)) return Usage("--tabwidth takes a number");
    } else if (a == "--wrap") {
      if (!value(v) || !ParseInt(v, 1, 255, wrap)) return Usage("--wrap takes a column count from 1 to 255");
    } else if (a == "--highlighter") {
      if (!value(highlighter)) return Usage("--highlighter takes a class name");
    } else if (a == "--size") {
      const size_t x = (value(v) ? v.find('x') : std::string::npos);
      if (x == std::string::npos || !ParseInt(v.substr(0, x), 1, 20000, width) || !ParseInt(v.substr(x + 1), 1, 20000, height))
        return Usage("--size takes WxH");
    } else if (a == "--record") {
      if (!value(recordBank) || !value(v) || !ParseInt(v, 0, 0x7FFFFFFF, recordId))
        return Usage("--record takes a databank file and a record ID");
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (file.empty()) {
      file = a;
    } else {
      return Usage("one text file only");
    }
  }
  if (!recordBank.empty()) {
    if (!file.empty()) return Usage("a text file or --record, not both");
    return RunRecord(recordBank, static_cast<int>(recordId), static_cast<int>(width), static_cast<int>(height));
  }
  if (file.empty()) return Usage("no text file");
  std::ifstream in(file, std::ios::binary);
  if (!in) return Usage("cannot read " + file);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  RegisterSynHighlighters();
  std::unique_ptr<TSynCustomHighlighter> hl;
  if (!highlighter.empty()) {
    for (const auto& cls : GetPlaceableHighlighters())
      if (cls.ClassName == highlighter && cls.Create) hl = cls.Create();
    if (!hl) return Usage("unknown highlighter class " + highlighter);
  }
  std::unique_ptr<QApplication> app;  // made on the first png
  TSynPadScript s;
  s.Host.Width = static_cast<int>(width);
  s.Host.Height = static_cast<int>(height);
  TSynPad& ed = *s.Ed;
  ed.Resize();
  if (wrap > 0) {
    // Rows are as wide as the visible columns.
    s.Host.Width = ed.GutterWidth() + 2 + static_cast<int>(wrap) * ed.CharWidth();
    ed.Resize();
  }
  if (options >= 0) ed.SetOptions(static_cast<TSynPadorOptions>(options));
  if (tabWidth != -1) ed.SetTabWidth(static_cast<int>(tabWidth));
  if (hl) ed.SetHighlighter(hl.get());
  ed.SetText(codepage::Utf8ToUtf16(bytes));
  if (wrap > 0) ed.SetWordWrap(true);
  s.Status.clear();
  s.OnPng = [&s, &app](const std::string& f) { RenderPng(s, f, app); };

  const int result = RunScript(s);
  ed.SetHighlighter(nullptr);
  return result;
}
