// The editor's window taking real input: synthetic keys, wheel and input-method events offscreen,
// a person's editing session on an X server, and the clipboard between two running copies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>
#include <QWheelEvent>
#include <array>
#include <regex>

#include "TestSupport.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/qt/Drawing.h"

using namespace testsupport;

namespace {

struct Window {
  TSynPadWidget w;
  TSynMemo& e = w.Editor();
  Window() {
    platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
    w.resize(400, 200);
    w.show();
    QApplication::processEvents();
    w.SetRenderFocused(true);
    e.SetFont(TSynFont("Courier New", 10));
  }
};

// One key event as the window system sends it (QTest would press and release Alt around each key).
void SendKey(QWidget& w, QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text = {}) {
  QKeyEvent e(type, key, mods, text);
  QApplication::sendEvent(&w, &e);
}

TEST(SynPadWidgetInput, KeysAltCodesWheelAndInputMethod) {
  Window win;
  TSynMemo& e = win.e;
  const Qt::KeyboardModifiers altPad = Qt::AltModifier | Qt::KeypadModifier;
  SendKey(win.w, QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
  for (Qt::Key k : {Qt::Key_9, Qt::Key_7, Qt::Key_3, Qt::Key_2}) {
    // The desktop may give the digit as text; with Alt held it is not typed.
    SendKey(win.w, QEvent::KeyPress, k, altPad, QString(QChar('0' + (k - Qt::Key_0))));
    SendKey(win.w, QEvent::KeyRelease, k, altPad);
  }
  SendKey(win.w, QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
  QTest::keyClicks(&win.w, "x");
  EXPECT_EQ(e.GetText(), u"\u2604x");
  // Commands take their keys; the characters of those keys never arrive as text.
  QTest::keyClick(&win.w, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(&win.w, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(&win.w, Qt::Key_End);
  QTest::keyClick(&win.w, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(e.GetText(), u"\u2604xx");
  QInputMethodEvent preedit(u"\u65E5"_qs, {});
  QApplication::sendEvent(&win.w, &preedit);
  EXPECT_EQ(win.w.Preedit(), u"\u65E5"_qs);
  QInputMethodEvent commit;
  commit.setCommitString(u"\u65E5\u672C"_qs);
  QApplication::sendEvent(&win.w, &commit);
  EXPECT_EQ(e.GetText(), u"\u2604xx\u65E5\u672C");
  EXPECT_TRUE(win.w.Preedit().isEmpty());
  // For a person to look at: a column block over tabs (each line shows the characters a copy
  // takes) and text being composed at the caret.
  e.SetText(u"int\tx = 1;\n\tif (x)\n\t\treturn x;");
  e.SetSelectionMode(smColumn);
  e.SetBlockBegin(TBufferCoord{2, 1});
  e.SetBlockEnd(TBufferCoord{5, 3});
  e.SetCaretXYEx(false, TBufferCoord{5, 3});
  QInputMethodEvent composing(u"\u3042\u3044"_qs, {});
  QApplication::sendEvent(&win.w, &composing);
  EXPECT_TRUE(win.w.RenderToImage().save(QString::fromStdString(ArtifactDir() + "/synpad_column_and_preedit.png")));
  QInputMethodEvent done;
  QApplication::sendEvent(&win.w, &done);
  e.SetSelectionMode(smNormal);
  // Two half notches scroll once, by the desktop's lines per notch.
  std::u16string text;
  for (int i = 0; i < 200; ++i) text += u"line\n";
  e.SetText(text);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(e.TopLine(), 1);
    QWheelEvent wheel(QPointF(50, 50), win.w.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -60), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(win.w.viewport(), &wheel);
  }
  EXPECT_EQ(e.TopLine(), 1 + QApplication::wheelScrollLines());
  // Tab stays in the text when the control wants tabs.
  e.SetWantTabs(true);
  e.SetText(u"");
  QTest::keyClick(&win.w, Qt::Key_Tab);
  EXPECT_EQ(e.GetText(), u"        ");
}

TEST(SynPadWidgetInput, ColumnBlockKeepsItsModeOnTheClipboard) {
  Window a, b;
  a.e.SetText(u"abcdef\nghijkl");
  a.e.SetSelectionMode(smColumn);
  a.e.SetBlockBegin(TBufferCoord{2, 1});
  a.e.SetBlockEnd(TBufferCoord{4, 2});
  QTest::keyClick(&a.w, Qt::Key_C, Qt::ControlModifier);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_TRUE(data->hasFormat(SynPadClipboardFormat));
  EXPECT_EQ(data->data(SynPadClipboardFormat).at(0), 2);
  EXPECT_EQ(data->text(), u"bc\nhi"_qs);
  b.e.SetText(u"12\n34");
  b.e.SetCaretXY(TBufferCoord{2, 1});
  QTest::keyClick(&b.w, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(b.e.GetText(), u"1bc2\r\n3hi4");
}

// Every selecting move from no selection, in each selection mode, through the editprobe: the
// anchor stays where the caret stood however often the move is repeated (Shift+Down four times in
// column mode once left a one-column block that the next move took for no selection, so the
// anchor went down with the caret), and the caret goes where the plain move takes it.
TEST(SynPadWidgetInput, SelectingMovesKeepTheirAnchorInEveryMode) {
  TempDir tmp;
  const std::string text = tmp.File("text.txt");
  std::string lines;
  std::vector<int> length = {0};  // of each line, from 1
  for (int i = 1; i <= 14; ++i) {
    const std::string line = i == 5 ? std::string("x") : "int value_" + std::to_string(i) + " = i;";
    lines += line + "\n";
    length.push_back(static_cast<int>(line.size()));
  }
  length.push_back(0);
  WriteFile(text, lines);
  struct Move {
    const char* selecting;
    const char* plain;
  };
  // Each line of a move is run twice: the second run starts from what the first left.
  const std::vector<std::vector<Move>> moves = {
      {{"ecSelLeft", "ecLeft"}},
      {{"ecSelRight", "ecRight"}},
      {{"ecSelUp", "ecUp"}},
      {{"ecSelDown", "ecDown"}},
      {{"ecSelWordLeft", "ecWordLeft"}},
      {{"ecSelWordRight", "ecWordRight"}},
      {{"ecSelLineStart", "ecLineStart"}},
      {{"ecSelLineEnd", "ecLineEnd"}},
      {{"ecSelPageUp", "ecPageUp"}},
      {{"ecSelPageDown", "ecPageDown"}},
      {{"ecSelPageTop", "ecPageTop"}},
      {{"ecSelPageBottom", "ecPageBottom"}},
      {{"ecSelEditorTop", "ecEditorTop"}},
      {{"ecSelEditorBottom", "ecEditorBottom"}},
      {{"ecSelDown", "ecDown"}, {"ecSelDown", "ecDown"}, {"ecSelRight", "ecRight"}, {"ecSelRight", "ecRight"}},
      {{"ecSelRight", "ecRight"}, {"ecSelDown", "ecDown"}, {"ecSelDown", "ecDown"}},
  };
  const std::regex dumped(R"re("caret":\[(\d+),(\d+)\],"begin":\[(\d+),(\d+)\],"end":\[(\d+),(\d+)\])re");
  for (const char* mode : {"normal", "column", "line"}) {
    std::string script;
    for (const auto& move : moves)
      for (const bool selecting : {true, false}) {
        // No selection, and a block begin left behind elsewhere by an earlier selection.
        script += std::string("sel 1 1 1 1 ") + mode + "\ncaret 5 3\n";
        for (int twice = 0; twice < 2; ++twice)
          for (const Move& m : move) script += std::string(selecting ? m.selecting : m.plain) + "\n";
        script += "dump\n";
      }
    const ProcessResult r = RunProcess(ProbePath("editprobe"), {"--size", "640x100", text}, script);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::array<int, 6>> states;
    for (std::sregex_iterator it(r.out.begin(), r.out.end(), dumped), end; it != end; ++it) {
      std::array<int, 6> v{};
      for (int i = 0; i < 6; ++i) v[static_cast<size_t>(i)] = std::stoi((*it)[i + 1]);
      states.push_back(v);
    }
    ASSERT_EQ(states.size(), 2 * moves.size()) << r.out;
    for (size_t i = 0; i < moves.size(); ++i) {
      const auto& sel = states[2 * i];
      const auto& plain = states[2 * i + 1];
      std::string name = mode;
      for (const Move& m : moves[i]) name += std::string(" ") + m.selecting;
      TBufferCoord caret{sel[0], sel[1]};
      const TBufferCoord anchor{5, 3};
      EXPECT_EQ(caret, (TBufferCoord{plain[0], plain[1]})) << name;
      // The caret may stand past a line's end; a block in normal mode ends at the line's end.
      if (std::string(mode) == "normal") caret.Char = std::min(caret.Char, length[static_cast<size_t>(caret.Line)] + 1);
      const bool caretFirst = caret.Line < anchor.Line || (caret.Line == anchor.Line && caret.Char < anchor.Char);
      EXPECT_EQ((TBufferCoord{sel[2], sel[3]}), caretFirst ? caret : anchor) << name;
      EXPECT_EQ((TBufferCoord{sel[4], sel[5]}), caretFirst ? anchor : caret) << name;
    }
  }
}

// The window on an X server, driven as a person would drive it.
TEST(SynPadWidgetInput, EditingSessionOnAnXServer) {
  REQUIRE_XSERVER(x);
  std::vector<std::string> env = x.ClientEnv();
  env.push_back(ProbePath("editdrive"));
  const ProcessResult r = RunProcess("env", env, "", 120);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::string function = "int add(int a, int b) {\\u000d\\u000a  return a + b;\\u000d\\u000a}";
  const std::string expected =
      "typed \"" + function + "\" \"\"\n" + "word \"" + function + "\" \"add\"\n" +
      "dragged \"int (int a, int b) {\\u000d\\u000a  return a + b;\\u000d\\u000aadd}\" \"add\"\n" + "undone \"" +
      function + "\" \"add\"\n" + "replaced 2\n" +
      "replaced \"int add(int x, int b) {\\u000d\\u000a  return x + b;\\u000d\\u000a}\" \"\"\n" + "restored \"" +
      function + "\" \"\"\n";
  EXPECT_EQ(r.out, expected) << r.err;
}

// A column block copied in one running copy is pasted as a column block in another; text from
// another program goes in in the pasting editor's mode.
TEST(SynPadWidgetInput, ClipboardBetweenTwoCopiesOnAnXServer) {
  REQUIRE_XSERVER(x);
  REQUIRE_TOOL(xclip, "xclip");
  TempDir tmp;
  const std::string first = tmp.File("first.txt"), second = tmp.File("second.txt"), script = tmp.File("copy.txt");
  WriteFile(first, "abcdef\nghijkl\nmn");
  WriteFile(second, "12345\n12345");
  WriteFile(script, "sel 2 1 4 3 column\ncopy\nwait 60000\n");
  const std::vector<std::string> args = x.ClientEnv();
  auto run = [&](std::vector<std::string> more, const std::string& input = "") {
    std::vector<std::string> all = args;
    all.insert(all.end(), more.begin(), more.end());
    return RunProcess("env", all, input, 60);
  };
  BackgroundProcess owner("env", [&] {
    std::vector<std::string> all = args;
    all.insert(all.end(), {ProbePath("editprobe"), "--script", script, first});
    return all;
  }());
  const std::string waited = owner.WaitUntil([&] { return owner.Output().find("column") != std::string::npos; }, 30000,
                                             "the copying editprobe");
  ASSERT_TRUE(waited.empty()) << waited;
  EXPECT_NE(owner.Output().find("\"bc\\u000ahi\\u000an \" column"), std::string::npos) << owner.Output();
  const ProcessResult text = run({xclip, "-o", "-selection", "clipboard"});
  EXPECT_EQ(text.out, "bc\nhi\nn ") << text.err;
  const ProcessResult block = run({xclip, "-o", "-selection", "clipboard", "-t", SynPadClipboardFormat});
  ASSERT_FALSE(block.out.empty()) << block.err;
  EXPECT_EQ(block.out[0], 2);
  const ProcessResult pasted = run({ProbePath("editprobe"), second}, "caret 2 1\necPaste\ndump\n");
  ASSERT_EQ(pasted.exitCode, 0) << pasted.err;
  EXPECT_NE(pasted.out.find("\"lines\":[\"1bc2345\",\"1hi2345\",\" n \"]"), std::string::npos) << pasted.out;
  owner.Stop();
  const ProcessResult put = run({"sh", "-c", "printf 'X\\nY' | " + xclip + " -selection clipboard -i >/dev/null 2>&1"});
  ASSERT_EQ(put.exitCode, 0) << put.err;
  const ProcessResult foreign = run({ProbePath("editprobe"), second}, "caret 3 2\necPaste\ndump\n");
  EXPECT_NE(foreign.out.find("\"lines\":[\"12345\",\"12X\",\"Y345\"]"), std::string::npos)
      << foreign.out << foreign.err;
}

}  // namespace
