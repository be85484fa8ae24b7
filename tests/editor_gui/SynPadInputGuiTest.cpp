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
#include <random>
#include <regex>

#include "TestSupport.h"
#include "editor/SynPadMiscProcs.h"
#include "editor/SynPadSearch.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/CodePage.h"
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

// The options the program gives a record's code: trailing blanks are not kept, the caret may stand
// past a line's end, Tab types blanks up to the next stop or word.
constexpr TSynPadorOptions kCodeOptions =
    SynOpt(eoAutoIndent) | SynOpt(eoAutoSizeMaxScrollWidth) | SynOpt(eoDragDropEditing) | SynOpt(eoDropFiles) |
    SynOpt(eoEnhanceHomeKey) | SynOpt(eoGroupUndo) | SynOpt(eoHideShowScrollbars) | SynOpt(eoKeepCaretX) |
    SynOpt(eoRightMouseMovesCursor) | SynOpt(eoScrollPastEof) | SynOpt(eoScrollPastEol) | SynOpt(eoShowScrollHint) |
    SynOpt(eoSmartTabDelete) | SynOpt(eoSmartTabs) | SynOpt(eoTabsToSpaces) | SynOpt(eoTrimTrailingSpaces);

// A key pressed and released as the desktop sends it: the key, then its text (a character beyond
// U+FFFF is one key whose text is a pair of units).
struct TKey {
  TKey(int AKey, Qt::KeyboardModifiers AMods = Qt::NoModifier, QString AText = {})
      : Key(AKey), Mods(AMods), Text(std::move(AText)) {}
  int Key;
  Qt::KeyboardModifiers Mods;
  QString Text;
  std::string Name() const {
    return (Text.isEmpty() ? QKeySequence(Key | Mods.toInt()).toString() : "\"" + Text + "\"").toStdString();
  }
};
TKey CharKey(char16_t c) {
  const QString text = QString(QChar(c));
  if (c >= u'a' && c <= u'z') return {Qt::Key_A + (c - u'a'), Qt::NoModifier, text};
  if (c == u' ') return {Qt::Key_Space, Qt::NoModifier, text};
  return {0, Qt::NoModifier, text};
}
TKey TextKey(const char16_t* text) {
  return {0, Qt::NoModifier, QString::fromUtf16(text)};
}
void Press(QWidget& w, const TKey& k) {
  SendKey(w, QEvent::KeyPress, k.Key, k.Mods, k.Text);
  SendKey(w, QEvent::KeyRelease, k.Key, k.Mods, k.Text);
}

std::string Utf8(std::u16string_view s) {
  return codepage::Utf16ToUtf8(s);
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

// Prose typed into a wrapped line is the text typed, at every width: random words with blanks, tabs,
// line breaks and backspaces, key by key through the window with the options of the program's code
// editor, against the same keys in an editor without word wrap. A blank typed at a row's end used
// to move the caret by a column of the row taken as one of the line: the blank was lost and the
// caret jumped back into the line's first row.
TEST(SynPadWidgetInput, TypingWithWordWrapGivesTheTextTypedAtEveryWidth) {
  std::mt19937 rng(4401);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (const int width : {70, 110, 190, 330}) {
    Window wrapped, plain;
    for (Window* w : {&wrapped, &plain}) {
      w->w.resize(width, 200);
      QApplication::processEvents();
      w->e.SetOptions(kCodeOptions);
    }
    wrapped.e.SetWordWrap(true);
    std::vector<TKey> keys;
    for (int word = 0; word < 120; ++word) {
      for (int n = 1 + pick(11); n > 0; --n) keys.push_back(CharKey(static_cast<char16_t>(u'a' + pick(26))));
      const int gap = pick(40);
      keys.push_back(CharKey(u' '));
      if (gap < 6) keys.push_back(CharKey(u' '));
      if (gap == 6) keys.push_back({Qt::Key_Tab, Qt::NoModifier, "\t"});
      if (gap == 7) keys.push_back({Qt::Key_Return, Qt::NoModifier, "\r"});
      if (gap == 8) keys.push_back({Qt::Key_Backspace, Qt::NoModifier, "\b"});
    }
    for (size_t i = 0; i < keys.size(); ++i) {
      Press(wrapped.w, keys[i]);
      Press(plain.w, keys[i]);
      if (i % 16 == 0) wrapped.w.repaint();
      if (wrapped.e.GetText() != plain.e.GetText() || wrapped.e.GetCaretXY() != plain.e.GetCaretXY()) {
        ADD_FAILURE() << wrapped.e.CharsInWindow() << " columns, key " << i << " " << keys[i].Name() << ":\n"
                      << Utf8(wrapped.e.GetText()) << "\nunwrapped:\n"
                      << Utf8(plain.e.GetText());
        break;
      }
    }
  }
}

// No way of placing the caret or a selection end leaves it between the two halves of a pair: random
// text of ASCII, double-width CJK, characters beyond U+FFFF, blanks, tabs and brackets; every
// command that moves the caret or a selection end (with and without Shift, pages, the bracket,
// bookmarks, the selection modes), the mouse (click, Shift+click, drag, double click), search
// results, positions set from outside (a stored caret, a selection by character index) and word
// wrap switched, wrapped at several widths and unwrapped. After every step no position splits a
// pair and no row of a wrapped line ends inside one; every editing key does at the caret, and over
// the selection as the keys left it (often one just made from where an edit left the caret, past a
// line's end), what it does there in an editor without wrap that took the same edits; and the text
// survives saving (UTF-8 and back).
TEST(SynPadWidgetInput, NoCaretSelectionOrRowEndSplitsACharacter) {
  const std::vector<TKey> moves = [] {
    std::vector<TKey> m;
    for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
                    Qt::Key_PageDown})
      for (Qt::KeyboardModifiers mods :
           {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
            Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)})
        m.push_back({key, mods});
    const Qt::KeyboardModifiers cs = Qt::ControlModifier | Qt::ShiftModifier;
    for (int key : {Qt::Key_B, Qt::Key_C, Qt::Key_L, Qt::Key_N, Qt::Key_1, Qt::Key_2}) m.push_back({key, cs});
    m.push_back({Qt::Key_1, Qt::ControlModifier});
    m.push_back({Qt::Key_2, Qt::ControlModifier});
    m.push_back({Qt::Key_Insert});
    return m;
  }();
  const std::vector<TKey> edits = [] {
    std::vector<TKey> m;
    for (char16_t c : std::u16string(u"ab (); ")) m.push_back(CharKey(c));
    for (const char16_t* t : {u"\u6F22", u"\U0001F600", u"\U0001F680"}) m.push_back(TextKey(t));
    m.push_back({Qt::Key_Tab, Qt::NoModifier, "\t"});
    m.push_back({Qt::Key_Backtab, Qt::ShiftModifier});
    m.push_back({Qt::Key_Backspace, Qt::NoModifier, "\b"});
    m.push_back({Qt::Key_Delete, Qt::NoModifier, "\x7f"});
    m.push_back({Qt::Key_Return, Qt::NoModifier, "\r"});
    for (int key : {Qt::Key_T, Qt::Key_Y, Qt::Key_Backspace, Qt::Key_X, Qt::Key_V})
      m.push_back({key, Qt::ControlModifier});
    m.push_back({Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier});
    return m;
  }();
  const std::vector<TKey> selecting = {{Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier},
                                       {Qt::Key_Up, Qt::ShiftModifier},   {Qt::Key_Down, Qt::ShiftModifier},
                                       {Qt::Key_Home, Qt::ShiftModifier}, {Qt::Key_End, Qt::ShiftModifier}};
  const std::u16string_view alphabet[] = {u"a", u"b", u"c",      u" ",      u" ",          u"\t",
                                          u"(", u")", u"\u6F22", u"\u5B57", u"\U0001F600", u"\U0001F680"};
  auto splits = [](TCustomSynPad& e, TBufferCoord p) {
    return p.Line >= 1 && p.Line <= e.LineCount() && SplitsSurrogatePair(e.LineText(p.Line), p.Char);
  };
  auto where = [](TBufferCoord p) { return std::to_string(p.Char) + "," + std::to_string(p.Line); };
  std::mt19937 rng(4501);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(std::max(1, n))); };
  struct TConfig {
    int Width;
    bool Wrap;
  };
  for (const TConfig config : {TConfig{45, true}, TConfig{80, true}, TConfig{150, true}, TConfig{300, false}}) {
    Window a, b;
    for (Window* w : {&a, &b}) {
      w->w.resize(config.Width, 120);
      QApplication::processEvents();
      w->e.SetOptions(kCodeOptions);
    }
    std::u16string text;
    for (int line = 0; line < 14; ++line) {
      if (pick(3) == 0) text += u"  ";
      for (int n = pick(30); n > 0; --n) text += alphabet[pick(std::size(alphabet))];
      text += u"\n";
    }
    // The second editor, never wrapped, takes every edit too, each from where the first one stands.
    a.e.SetText(text);
    b.e.SetText(text);
    a.e.SetWordWrap(config.Wrap);
    TSynPadSearch engine;
    a.e.SetSearchEngine(&engine);
    const std::string name = std::to_string(a.e.CharsInWindow()) + " columns" + (config.Wrap ? ", wrapped" : "");
    std::string failure;
    auto check = [&](const std::string& step) {
      for (const auto& [what, p] : {std::pair{"caret", a.e.GetCaretXY()}, std::pair{"anchor", a.e.RawBlockBegin()},
                                    std::pair{"selection end", a.e.RawBlockEnd()}})
        if (splits(a.e, p)) failure = step + ": the " + what + " at " + where(p) + " splits a pair";
      if (a.e.WordWrap())
        for (int row = 1; row <= a.e.DisplayRowCount() && failure.empty(); ++row) {
          const TBufferCoord start = a.e.DisplayToBufferPos(TDisplayCoord{1, row});
          if (splits(a.e, start)) failure = step + ": row " + std::to_string(row) + " starts inside a pair";
        }
    };
    auto pixel = [&] { return QPoint(pick(a.w.viewport()->width()), pick(a.w.viewport()->height())); };
    auto mouse = [&](QEvent::Type type, QPoint p, Qt::MouseButtons held, Qt::KeyboardModifiers mods) {
      QMouseEvent ev(type, p, a.w.viewport()->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                     held, mods);
      QApplication::sendEvent(a.w.viewport(), &ev);
    };
    auto click = [&](QPoint p, Qt::KeyboardModifiers mods) {
      mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, mods);
      mouse(QEvent::MouseButtonRelease, p, Qt::NoButton, mods);
    };
    check("start");
    for (int step = 0; step < 1000 && failure.empty(); ++step) {
      const int kind = pick(100);
      std::string stepName;
      if (kind < 45) {
        const TKey& k = moves[static_cast<size_t>(pick(static_cast<int>(moves.size())))];
        stepName = k.Name();
        Press(a.w, k);
      } else if (kind < 55) {
        const QPoint p = pixel();
        stepName = "click";
        click(p, pick(3) == 0 ? Qt::ShiftModifier : Qt::NoModifier);
      } else if (kind < 59) {
        // A drag from a click that left no selection to hold.
        const QPoint from = pixel(), to = pixel();
        stepName = "drag";
        click(from, Qt::NoModifier);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::NoModifier);
        mouse(QEvent::MouseMove, to, Qt::LeftButton, Qt::NoModifier);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton, Qt::NoModifier);
      } else if (kind < 61) {
        // As the desktop sends it: the second press comes as the double click.
        const QPoint p = pixel();
        stepName = "double click";
        click(p, Qt::NoModifier);
        mouse(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::NoModifier);
        mouse(QEvent::MouseButtonRelease, p, Qt::NoButton, Qt::NoModifier);
      } else if (kind < 64) {
        const TBufferCoord p{1 + pick(45), 1 + pick(a.e.LineCount())};
        stepName = "caret set to " + where(p);
        a.e.SetCaretXY(p);
      } else if (kind < 66) {
        const int total = static_cast<int>(a.e.GetText().size());
        const int s = pick(total + 1), t = pick(total + 1);
        stepName = "selection set to characters " + std::to_string(s) + ".." + std::to_string(t);
        a.e.SetSelStart(s);
        a.e.SetSelEnd(t);
      } else if (kind < 68) {
        // The word or character at a random place of the text, searched for from the caret.
        const int line = 1 + pick(a.e.LineCount());
        const std::u16string_view s = a.e.LineText(line);
        if (s.empty()) continue;
        int from = pick(static_cast<int>(s.size()));
        from = SnapToCharBoundary(s, from + 1) - 1;
        const int n = CharsForward(s, from + 1, 1) - (from + 1);
        stepName = "search";
        a.e.SearchReplace(std::u16string(s.substr(static_cast<size_t>(from), static_cast<size_t>(n))), u"",
                          pick(2) ? ssoBackwards : 0);
      } else if (kind < 69) {
        stepName = "word wrap switched";
        a.e.SetWordWrap(!a.e.WordWrap());
      } else {
        // An editing key, at the caret and over the selection as they stand; a column block goes
        // back to a normal selection first (what a column edit takes is another matter).
        if (a.e.SelectionMode() == smColumn || a.e.ActiveSelectionMode() == smColumn)
          Press(a.w, {Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier});
        // Often at a row's end, where a wrapped line's caret stands apart from its position.
        if (pick(3) == 0) Press(a.w, {Qt::Key_End});
        // The first editor edits over the selection as the keys before left it, its ends in virtual
        // space included; the second starts from that selection set through the control's own
        // setters (which keep a normal selection's ends in the text) and from the first one's
        // caret: the text goes where the selection stood.
        auto edit = [&](const TKey& k) {
          stepName += k.Name() + " at " + where(a.e.GetCaretXY());
          b.e.SetSelectionMode(a.e.SelectionMode());
          b.e.SetInsertMode(a.e.InsertMode());
          b.e.SetBlockBegin(a.e.RawBlockBegin());
          b.e.SetBlockEnd(a.e.RawBlockEnd());
          b.e.SetActiveSelectionMode(a.e.ActiveSelectionMode());
          b.e.SetCaretXY(a.e.GetCaretXY());
          Press(b.w, k);
          Press(a.w, k);
          if (a.e.GetText() != b.e.GetText() || a.e.GetCaretXY() != b.e.GetCaretXY())
            failure = stepName + ": " + where(a.e.GetCaretXY()) + " " + Utf8(a.e.GetText()) +
                      "\nunwrapped: " + where(b.e.GetCaretXY()) + " " + Utf8(b.e.GetText());
        };
        edit(edits[static_cast<size_t>(pick(static_cast<int>(edits.size())))]);
        // Often a selection from where the edit left the caret (past the line's end after a line
        // break on an indented line, a blank or a tab) and an edit over it. (Shift+Right kept an
        // anchor left past the end of a line, and a character typed over that selection went in
        // at the line's start.)
        if (failure.empty() && pick(2) == 0) {
          const TKey& s = selecting[static_cast<size_t>(pick(static_cast<int>(selecting.size())))];
          Press(a.w, s);
          stepName += ", " + s.Name() + ", ";
          edit(edits[static_cast<size_t>(pick(static_cast<int>(edits.size())))]);
        }
      }
      if (pick(8) == 0) a.w.repaint();
      // A move changes no text.
      if (failure.empty() && kind < 69 && a.e.GetText() != b.e.GetText())
        failure = stepName + " changed the text: " + Utf8(a.e.GetText());
      if (failure.empty()) check(stepName);
    }
    if (!failure.empty()) ADD_FAILURE() << name << ": " << failure;
    EXPECT_EQ(codepage::Utf8ToUtf16(Utf8(a.e.GetText())), a.e.GetText()) << name;
    a.e.SetSearchEngine(nullptr);
  }
}

}  // namespace
