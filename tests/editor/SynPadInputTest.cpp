// The control's input without a window: keys and Alt codes, the mouse, the wheel, scroll requests,
// dragging text, and the edit-control messages and form storage of the memo.
#include <gtest/gtest.h>

#include "SynPadFixtures.h"
#include "editor/SynMemo.h"
#include "editor/SynPadSearch.h"
#include "platform/CodePage.h"

namespace {

using namespace vk;

void Key(TCustomSynPad& e, std::uint16_t key, TShiftState shift) {
  e.KeyDown(key, shift);
  e.KeyUp(key, shift);
}

// The pixel in the middle of a buffer position's cell.
std::pair<int, int> Pixel(TCustomSynPad& e, TBufferCoord p) {
  int x = 0, y = 0;
  e.RowColumnToPixels(e.BufferToDisplayPos(p), x, y);
  return {x + e.CharWidth() / 2, y + e.LineHeight() / 2};
}

TEST(SynPadInput, AltKeypadCodesTypeOneCharacter) {
  Pad p(u"");
  TSynPad& e = p.ed;
  const std::pair<const char*, const char16_t*> cases[] = {
      {"9732", u"\u2604"},    {"972", u"\u03CC"}, {"0233", u"\u00E9"},
      {"130", u"\u00E9"},     {"65", u"A"},       {"55296", u""},  // a lone surrogate never goes in
      {"99999999999999", u""}};
  for (auto [digits, typed] : cases) {
    e.SetText(u"");
    std::uint16_t alt = VK_MENU;
    e.KeyDown(alt, ssAlt);
    for (const char* d = digits; *d; ++d) Key(e, static_cast<std::uint16_t>(VK_NUMPAD0 + (*d - '0')), ssAlt);
    alt = VK_MENU;
    e.KeyUp(alt, 0);
    // The next key types its character: nothing of the desktop's is waited for and dropped.
    e.TextInput(u"x");
    EXPECT_EQ(e.GetText(), std::u16string(typed) + u"x") << digits;
  }
}

TEST(SynPadInput, KeysBecomeCommandsOrCharacters) {
  Pad p(u"");
  TSynPad& e = p.ed;
  std::uint16_t key = 'A';
  e.KeyDown(key, 0);
  e.TextInput(u"a");
  key = 'A';
  e.KeyDown(key, ssCtrl);  // select all: consumed, its character dropped
  EXPECT_EQ(key, 0);
  e.TextInput(u"\x01");
  EXPECT_EQ(e.GetText(), u"a");
  EXPECT_TRUE(e.SelAvail());
  // A two-key binding waits for its second key; another key breaks it off and types.
  TSynPadKeyStroke* k = e.Keystrokes().Add();
  k->SetCommand(ecEditorTop);
  k->SetKey('K');
  k->SetShift(ssCtrl);
  k->SetKey2('T');
  k->SetShift2(0);
  e.SetCaretXY(TBufferCoord{2, 1});
  key = 'K';
  e.KeyDown(key, ssCtrl);
  EXPECT_EQ(e.PendingKey(), 'K');
  key = 'T';
  e.KeyDown(key, 0);
  e.TextInput(u"t");
  EXPECT_EQ(e.GetCaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(e.GetText(), u"a");
  key = 'K';
  e.KeyDown(key, ssCtrl);
  key = 'X';
  e.KeyDown(key, 0);
  e.TextInput(u"x");
  EXPECT_EQ(e.GetText(), u"xa");
  // A surrogate pair and input-method text go in whole.
  e.TextInput(u"\U0001F600");
  e.ImeComposition(u"\u65E5\u672C");
  EXPECT_EQ(e.GetText(), u"x\U0001F600\u65E5\u672Ca");
}

TEST(SynPadInput, WheelThumbPagesAndHint) {
  std::u16string text;
  for (int i = 0; i < 40000; ++i) text += i ? u"\nx" : u"x";
  Pad p(text);
  TSynPad& e = p.ed;
  ASSERT_EQ(e.LinesInWindow(), 30);
  e.MouseWheel(-60, 0);
  EXPECT_EQ(e.TopLine(), 1);
  e.MouseWheel(-60, 0);
  EXPECT_EQ(e.TopLine(), 4);
  e.WMVScroll(SB_THUMBTRACK, 16384);
  EXPECT_EQ(e.TopLine(), 20015);
  e.WMVScroll(SB_TOP, 0);
  e.WMVScroll(SB_PAGEDOWN, 0);
  EXPECT_EQ(e.TopLine(), 31);
  e.SetOptions(e.Options() | SynOpt(eoScrollByOneLess));
  e.WMVScroll(SB_PAGEDOWN, 0);
  EXPECT_EQ(e.TopLine(), 60);
  e.SetText(u"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n18\n19\n20");
  e.WMVScroll(SB_THUMBTRACK, 700);
  EXPECT_EQ(e.TopLine(), 1);  // not past the end without eoScrollPastEof
  e.SetOptions(e.Options() | SynOpt(eoScrollPastEof));
  EXPECT_EQ(e.ScrollHintText(5), u"Top Line: 5");
  e.SetScrollHintFormat(shfTopToBottom);
  EXPECT_EQ(e.ScrollHintText(5), u"5 - 20");
  e.SetText(u"");
  e.SetWordWrap(true);
  EXPECT_EQ(e.ScrollHintText(1), u"1 - 1");
}

TEST(SynPadInput, MouseSelectsDoubleClicksAndShowsCursors) {
  Pad p(u"alpha beta\ngamma");
  TSynPad& e = p.ed;
  int cursor = 0;
  struct Host : TSynRecordingHost {
    int* cursor;
    void SetCursor(int c) override { *cursor = c; }
  };
  auto [x1, y1] = Pixel(e, {3, 1});
  auto [x2, y2] = Pixel(e, {8, 1});
  e.MouseDown(mbLeft, ssLeft, x1 - 3, y1);
  e.MouseMove(ssLeft, x2 - 3, y2);
  e.MouseUp(mbLeft, 0, x2 - 3, y2);
  EXPECT_EQ(e.GetSelText(), u"pha b");
  auto [x3, y3] = Pixel(e, {3, 2});
  e.MouseDown(mbLeft, ssLeft | ssShift, x3 - 3, y3);
  e.MouseUp(mbLeft, ssShift, x3 - 3, y3);
  EXPECT_EQ(e.GetSelText(), u"pha beta\r\nga");
  e.MouseDown(mbLeft, ssLeft, x2, y2);
  e.MouseUp(mbLeft, 0, x2, y2);
  e.MouseDown(mbLeft, ssLeft | ssDouble, x2, y2);
  e.DblClick();
  e.MouseUp(mbLeft, 0, x2, y2);
  EXPECT_EQ(e.GetSelText(), u"beta");
  std::vector<int> clicked;
  e.OnGutterClick = [&](TCustomSynPad*, TSynMouseButton, int, int, int line, TSynPadMark*) { clicked.push_back(line); };
  e.MouseDown(mbLeft, ssLeft, 5, y3);
  e.MouseUp(mbLeft, 0, 5, y3);
  EXPECT_EQ(clicked, (std::vector<int>{2}));
  Host h;
  h.cursor = &cursor;
  e.SetHost(&h);
  e.SetBlockBegin(TBufferCoord{1, 1});
  e.SetBlockEnd(TBufferCoord{6, 1});
  auto [x4, y4] = Pixel(e, {2, 1});
  e.UpdateMouseCursor(x4, y4);
  EXPECT_EQ(cursor, crArrow);
  e.UpdateMouseCursor(x4, y4 + 16);
  EXPECT_EQ(cursor, crIBeam);
  e.UpdateMouseCursor(3, y4);
  EXPECT_EQ(cursor, crDefault);
  e.SetHost(&p.host);
}

TEST(SynPadInput, DraggingTextMovesCopiesAndCorrectsTheDropPosition) {
  Pad a(u"ab\ncd\nef\ngh"), b(u"xyz");
  TSynPad& e = a.ed;
  // Onto itself: nothing happens, nothing is recorded.
  e.SetBlockBegin(TBufferCoord{1, 1});
  e.SetBlockEnd(TBufferCoord{3, 1});
  auto [ix, iy] = Pixel(e, {2, 1});
  e.DragDrop(&e, ix - 3, iy, 0);
  EXPECT_EQ(e.GetText(), u"ab\r\ncd\r\nef\r\ngh");
  EXPECT_FALSE(e.CanUndo());
  // Two whole lines moved down: the drop line moves up with them.
  e.SetBlockBegin(TBufferCoord{1, 1});
  e.SetBlockEnd(TBufferCoord{1, 3});
  auto [dx, dy] = Pixel(e, {1, 4});
  e.DragDrop(&e, dx - 3, dy, 0);
  EXPECT_EQ(e.GetText(), u"ef\r\nab\r\ncd\r\ngh");
  EXPECT_EQ(e.GetSelText(), u"ab\r\ncd\r\n");
  e.Undo();
  EXPECT_EQ(e.GetText(), u"ab\r\ncd\r\nef\r\ngh");
  // Between controls: copied, moved with Shift, and only copied from a read-only source.
  e.SetBlockBegin(TBufferCoord{1, 2});
  e.SetBlockEnd(TBufferCoord{3, 2});
  auto [bx, by] = Pixel(b.ed, {2, 1});
  b.ed.DragDrop(&e, bx - 3, by, 0);
  EXPECT_EQ(b.ed.GetText(), u"xcdyz");
  b.ed.DragDrop(&e, bx - 3, by, ssShift);
  EXPECT_EQ(b.ed.GetText(), u"xcdcdyz");
  EXPECT_EQ(e.GetText(), u"ab\r\n\r\nef\r\ngh");
  e.Undo();
  e.SetBlockBegin(TBufferCoord{1, 2});
  e.SetBlockEnd(TBufferCoord{3, 2});
  e.SetReadOnly(true);
  b.ed.DragDrop(&e, bx - 3, by, ssShift);
  EXPECT_EQ(e.GetText(), u"ab\r\ncd\r\nef\r\ngh");
  // A read-only target takes nothing.
  bool accept = false;
  e.DragOver(&b.ed, 10, 10, dsDragMove, 0, accept);
  EXPECT_FALSE(accept);
  e.DragDrop(&b.ed, 40, 5, 0);
  EXPECT_EQ(e.GetText(), u"ab\r\ncd\r\nef\r\ngh");
}

// ---------------------------------------------------------------------------------------------
// Memo messages and form storage

TEST(SynMemoMessages, IndexesLinesAndReplacement) {
  TSynRecordingHost host;
  TSynMemo m(&host);
  m.Resize();
  m.SetText(u"ab\ncd");
  m.SetCaretXY(TBufferCoord{1, 2});
  std::int32_t s = -1, e = -1;
  EXPECT_EQ(m.Perform(EM_GETSEL, reinterpret_cast<std::uintptr_t>(&s), reinterpret_cast<std::intptr_t>(&e)),
            4 | (4 << 16));
  EXPECT_EQ(s, 4);
  EXPECT_EQ(m.Perform(EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_EQ(m.Perform(EM_GETLINECOUNT, 0, 0), 2);
  m.SetText(u"ab\ncdef");
  auto pos = [&](int col, int row) {
    int x = 0, y = 0;
    m.RowColumnToPixels(TDisplayCoord{col, row}, x, y);
    return static_cast<std::intptr_t>((x + 1) | ((y + 1) << 16));
  };
  EXPECT_EQ(m.Perform(EM_CHARFROMPOS, 0, pos(1, 1)), 0);
  EXPECT_EQ(m.Perform(EM_CHARFROMPOS, 0, pos(3, 2)), 6 | (1 << 16));
  EXPECT_EQ(m.Perform(EM_CHARFROMPOS, 0, pos(2, 9)), 5 | (1 << 16));  // below the text: its last line
  char16_t line[8] = {3, u'?', u'?', u'?', u'?'};
  EXPECT_EQ(m.Perform(EM_GETLINE, 1, reinterpret_cast<std::intptr_t>(line)), 3);
  EXPECT_EQ(std::u16string_view(line, 4), u"cde?");
  EXPECT_EQ(m.Perform(EM_GETLINE, 7, reinterpret_cast<std::intptr_t>(line)), 0);
  m.Perform(EM_SETSEL, 1, -1);
  char16_t sel[4] = {};
  EXPECT_EQ(m.Perform(EM_GETSELTEXT, 4, reinterpret_cast<std::intptr_t>(sel)), 7);
  EXPECT_EQ(std::u16string_view(sel), u"b\r\n");
  m.Perform(EM_REPLACESEL, 1, reinterpret_cast<std::intptr_t>(u"X"));
  EXPECT_EQ(m.GetText(), u"aX");
  EXPECT_EQ(m.Perform(EM_CANUNDO, 0, 0), 1);
  EXPECT_EQ(m.Perform(EM_UNDO, 0, 0), 1);
  EXPECT_EQ(m.GetText(), u"ab\r\ncdef");
  // Unrecorded, the old records would point at wrong places: undo starts afresh.
  m.Perform(EM_SETSEL, 0, 1);
  m.Perform(EM_REPLACESEL, 0, reinterpret_cast<std::intptr_t>(u"Z"));
  EXPECT_EQ(m.GetText(), u"Zb\r\ncdef");
  EXPECT_EQ(m.Perform(EM_CANUNDO, 0, 0), 0);
  m.Perform(EM_SETMODIFY, 0, 0);
  EXPECT_EQ(m.Perform(EM_GETMODIFY, 0, 0), 0);
}

// A recorded EM_REPLACESEL is the replacement every other edit makes: the same text in each
// selection mode, and one undo gives the old text back exactly (a column block once came back as
// "abch", "ifgl", " jk").
TEST(SynMemoMessages, ReplaceSelIsRecordedAsAnyReplacementInEveryMode) {
  struct Case {
    TSynSelectionMode mode;
    TBufferCoord b, e;
    const char16_t* with;
  };
  const Case cases[] = {
      {smColumn, {2, 1}, {4, 3}, u"X"},       {smColumn, {2, 1}, {4, 3}, u"1\r\n2\r\n3"},
      {smColumn, {4, 1}, {2, 3}, u""},        {smColumn, {3, 2}, {6, 3}, u"long\r\nlonger"},
      {smNormal, {2, 1}, {3, 3}, u"X\r\nY"},  {smNormal, {1, 2}, {1, 2}, u"new "},
      {smLine, {2, 1}, {2, 2}, u"whole\r\n"}, {smLine, {1, 3}, {3, 3}, u""},
  };
  for (const Case& c : cases) {
    const std::u16string start = u"abcd\r\nefgh\r\nijkl";
    TSynRecordingHost hostA, hostB;
    TSynMemo viaMessage(&hostA), direct(&hostB);
    for (TSynMemo* m : {&viaMessage, &direct}) {
      m->Resize();
      m->SetText(start);
      m->SetSelectionMode(c.mode);
      m->SetCaretXY(c.e);
      m->SetBlockBegin(c.b);
      m->SetBlockEnd(c.e);
    }
    viaMessage.Perform(EM_REPLACESEL, 1, reinterpret_cast<std::intptr_t>(c.with));
    direct.SetSelTextExternal(c.with);
    const std::string name = std::to_string(c.mode) + " " + codepage::Utf16ToUtf8(c.with);
    EXPECT_EQ(viaMessage.GetText(), direct.GetText()) << name;
    EXPECT_EQ(viaMessage.Perform(EM_UNDO, 0, 0), 1) << name;
    EXPECT_EQ(viaMessage.GetText(), start) << name;
    EXPECT_FALSE(viaMessage.CanUndo()) << name;
  }
}

TEST(SynPadForm, KeyTableDifferencesRoundTrip) {
  Pad p;
  TSynFiler writer;
  p.ed.DefineProperties(writer);
  EXPECT_TRUE(writer.Properties.empty());
  // The record editor's rebinding: context help from F1 to Ctrl+F1.
  const std::uint16_t f1 = vk::ShortCut(VK_F1, 0), ctrlF1 = vk::ShortCut(VK_F1, ssCtrl);
  TSynPadKeyStrokes& keys = p.ed.Keystrokes();
  keys.Items(keys.FindKeycode(VK_F1, 0))->SetShortCut(ctrlF1);
  p.ed.DefineProperties(writer);
  ASSERT_EQ(writer.Properties.size(), 2u);
  EXPECT_EQ(writer.Properties["RemovedKeystrokes"].Items, (std::vector<TSynStoredKeystroke>{{"ecContextHelp", f1, 0}}));
  EXPECT_EQ(writer.Properties["AddedKeystrokes"].Items,
            (std::vector<TSynStoredKeystroke>{{"ecContextHelp", ctrlF1, 0}}));
  Pad fresh;
  TSynFiler reader{false, nullptr, writer.Properties};
  reader.Properties["Junk"] = TSynStoredValue{false, {}};
  fresh.ed.DefineProperties(reader);
  EXPECT_EQ(fresh.ed.Keystrokes().FindKeycode(VK_F1, 0), -1);
  const int i = fresh.ed.Keystrokes().FindKeycode(VK_F1, ssCtrl);
  ASSERT_GE(i, 0);
  EXPECT_EQ(fresh.ed.Keystrokes().Items(i)->Command(), ecContextHelp);
  std::u16string word;
  fresh.ed.OnContextHelp = [&](TCustomSynPad*, const std::u16string& w) { word = w; };
  fresh.ed.SetText(u"call printf(x)");
  fresh.ed.SetCaretXY(TBufferCoord{8, 1});
  std::uint16_t key = VK_F1;
  fresh.ed.KeyDown(key, ssCtrl);
  EXPECT_EQ(word, u"printf");
  // A table like its ancestor's writes nothing.
  TSynFiler inherited;
  inherited.Ancestor = &keys;
  p.ed.DefineProperties(inherited);
  EXPECT_TRUE(inherited.Properties.empty());
}

TEST(SynPadLinks, FreedComponentsAreDropped) {
  Pad p(u"x");
  auto images = std::make_unique<TSynImageList>();
  p.ed.BookMarkOptions().SetBookmarkImages(images.get());
  p.ed.SetBookMark(0, 1, 1);
  EXPECT_FALSE(p.ed.Marks()[0]->InternalImage);
  images.reset();
  EXPECT_EQ(p.ed.BookMarkOptions().BookmarkImages(), nullptr);
  EXPECT_TRUE(p.ed.Marks()[0]->InternalImage);
  // The control goes before its links: they outlive it safely.
  auto ed = std::make_unique<TSynPad>(&p.host);
  TSynPadSearch engine;
  TWordSyn hl;
  ed->SetSearchEngine(&engine);
  ed->SetHighlighter(&hl);
  bool told = false;
  ed->AddFreeNotification(NotifyMethod(&told, [&](TSynPersistent*) { told = true; }));
  ed.reset();
  EXPECT_TRUE(told);
}

}  // namespace
