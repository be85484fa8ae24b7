// editprobe [--options HEX] [--tabwidth N] [--wrap COLS] [--highlighter CLASS] [--size WxH]
//           [--script FILE] TEXTFILE
// editprobe [--size WxH] [--script FILE] --record BANK ID
// Loads TEXTFILE (UTF-8) into the editor control on a recording window (cells 8 x 16, client
// WxH pixels, default 640x480) and runs the script on stdin (or in FILE), one command a line:
//   caret X Y | sel X1 Y1 X2 Y2 [normal|column|line] | top N | left N | text STRING |
//   option NAME on|off | font FAMILY SIZE
//   b2d X Y | d2b COL ROW | px2rc X Y | px2near X Y | rc2px COL ROW | rc2idx X Y | idx2rc N |
//   token X Y                                      (each prints one line of plain values)
//   dump                                           (one JSON object)
//   png FILE                                       (the control on the real window, offscreen)
//   ecCommandName | char C | str TEXT | key Ctrl+Shift+Right | undo | redo
//   paste TEXT [normal|line|column]   (puts TEXT on the clipboard, with the mode when given, and pastes)
//   copy                              (copies; prints the clipboard's text and mode)
//   find TEXT [OPTS] | replace TEXT WITH [OPTS]   (SearchReplace; prints the count; replace sets
//       the replace option, OPTS letters add: c match case, w whole word, b backwards, e entire
//       scope, s selected only, a replace all, p prompt, r regular expressions; "..." holds blanks)
//   answers LETTERS                   (what prompts answer, in order: r replace, s skip, a all, c cancel)
//   bracket                           (the matching bracket of the caret: X Y, or none)
//   mark N | gotomark N               (bookmark N set or cleared at the caret / gone to)
//   wait MS                           (serves the clipboard for MS milliseconds)
// The clipboard is the desktop's (Qt's platform: offscreen unless QT_QPA_PLATFORM says otherwise).
// In STRING and TEXT, \n \r \t \\ and \uXXXX stand for those characters. --wrap COLS turns word
// wrap on with a client just wide enough for COLS columns (at most 255).
// With --record, the record with that ID of the databank file BANK is opened in the record editor
// (with the program's highlighter set, and plug-ins beside the probe) as the databank window opens
// it, and the script runs on its code editor, with these commands besides:
//   store                    writes the record back and prints the record's XML
//   lang                     prints the language number and name (TAB between; "(none)": plain text)
//   find TEXT [OPTS]         the find command (Ctrl+F) with TEXT and OPTS answered in its dialog
//                            (OPTS letters c, w, b, e, s and r as above; without e From Cursor is on)
//   findnext | findprev      find next (F3) and find previous (Shift+F3)
// The find commands print "found C1 L1 C2 L2" (the selection), the notification when nothing was
// found, or "disabled" when the command could not run.
// Exit 0; 1 with a message on a bad command; 2 on bad arguments.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "MapSettings.h"
#include "ProbeSupport.h"
#include "RecordingFrameView.h"
#include "SynPadScript.h"
#include "SystemLeakSuppressions.h"
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
               "[--script FILE] TEXTFILE\n"
            << "       editprobe [--size WxH] [--script FILE] --record BANK ID\n";
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
void RenderPng(TSynPadScript& s, const std::string& file) {
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

// The script's commands: the file, or stdin without one; nullptr when the file cannot be read.
std::istream* OpenCommands(const std::string& script, std::ifstream& file) {
  if (script.empty()) return &std::cin;
  file.open(script);
  return file ? &file : nullptr;
}

// Runs the script; `extra` answers the commands it knows (true) before the script does.
int RunScript(TSynPadScript& s, std::istream& commands,
              const std::function<bool(const std::string& line, std::string& out)>& extra = nullptr) {
  std::string line, out, error;
  int lineNo = 0;
  while (std::getline(commands, line)) {
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
    // Each answer goes out at once: a caller may wait for it while the probe stays (wait).
    std::cout << out << std::flush;
  }
  return 0;
}

// The record editor on a record of a databank file.
int RunRecord(const std::string& bankFile, int id, int width, int height, std::istream& commands) {
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
    result = RunScript(s, commands, [&](const std::string& line, std::string& out) {
      std::istringstream in(line);
      std::string cmd;
      in >> cmd;
      if (cmd == "store") {
        frame.StoreRecord();
        out = bank.Document()->GetNodeXML(node) + "\n";
      } else if (cmd == "lang") {
        out = std::to_string(frame.LanguageNumber()) + "\t" + (frame.Language() ? frame.Language()->Name : "(none)") +
              "\n";
      } else if (cmd == "find") {
        std::string rest, error;
        std::getline(in, rest);
        std::vector<std::u16string> args;
        if (!TSynPadScript::Tokens(rest, args, error) || args.empty() || args.size() > 2)
          throw std::runtime_error("find: expected TEXT [OPTS]");
        findText = codepage::Utf16ToUtf8(args[0]);
        findOptions = 0;
        findRegex = false;
        for (char16_t c : args.size() > 1 ? args[1] : std::u16string()) {
          const size_t bit = std::u16string_view(u"cwbes").find(c);
          if (c == u'r')
            findRegex = true;
          else if (bit != std::u16string_view::npos)
            findOptions |= static_cast<TSynSearchOptions>(1u << bit);
          else
            throw std::runtime_error("find: the dialog has no option letter " +
                                     codepage::Utf16ToUtf8(std::u16string(1, c)));
        }
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
  std::string highlighter, file, script, recordBank;
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
    } else if (a == "--script") {
      if (!value(script)) return Usage("--script takes a file");
    } else if (a == "--size") {
      const size_t x = (value(v) ? v.find('x') : std::string::npos);
      if (x == std::string::npos || !ParseInt(v.substr(0, x), 1, 20000, width) ||
          !ParseInt(v.substr(x + 1), 1, 20000, height))
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
  // The application gives the probe the desktop's clipboard (and the real window for png).
  static int qtArgc = 1;
  static char qtName[] = "editprobe";
  static char* qtArgv[] = {qtName, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ProbeRuntimeDir("editprobe");
  QApplication app(qtArgc, qtArgv);
  platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
  if (!recordBank.empty()) {
    if (!file.empty()) return Usage("a text file or --record, not both");
    std::ifstream scriptFile;
    std::istream* commands = OpenCommands(script, scriptFile);
    if (!commands) return Usage("cannot read " + script);
    return RunRecord(recordBank, static_cast<int>(recordId), static_cast<int>(width), static_cast<int>(height),
                     *commands);
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
  s.OnPng = [&s](const std::string& f) { RenderPng(s, f); };
  s.OnWait = [](int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(5);
    }
  };

  std::ifstream scriptFile;
  std::istream* commands = OpenCommands(script, scriptFile);
  if (!commands) return Usage("cannot read " + script);
  const int result = RunScript(s, *commands);
  ed.SetHighlighter(nullptr);
  return result;
}
