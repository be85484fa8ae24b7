// The editor's window taking real input: synthetic keys, wheel and input-method events offscreen,
// a person's editing session on an X server, and the clipboard between two running copies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>
#include <QWheelEvent>

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
