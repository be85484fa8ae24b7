#include <gtest/gtest.h>

#include <set>

#include "editor/SynPadKbdHandler.h"
#include "editor/SynPadKeyCmds.h"

using namespace vk;

TEST(KeyCommands, NameTableOrderAndConversions) {
  const auto& t = EditorCommandStrs();
  ASSERT_EQ(t.size(), 101u);
  EXPECT_STREQ(t[0].Name, "ecNone");
  EXPECT_STREQ(t[34].Name, "ecSelGotoXY");
  EXPECT_EQ(t[35].Value, 198);
  EXPECT_STREQ(t[49].Name, "ecUndo");
  EXPECT_STREQ(t[52].Name, "ecCopy");
  EXPECT_EQ(t[52].Value, 201);
  EXPECT_EQ(t[71].Value, 1001);
  EXPECT_STREQ(t[72].Name, "ecContextHelp");
  EXPECT_STREQ(t[100].Name, "ecString");
  std::set<int> values;
  std::set<std::string> names;
  for (const auto& e : t) {
    values.insert(e.Value);
    names.insert(e.Name);
  }
  EXPECT_EQ(values.size(), 101u);
  EXPECT_EQ(names.size(), 101u);
  EXPECT_EQ(values.count(624), 0u);
  EXPECT_EQ(EditorCommandToCodeString(1002), "1002");
  EXPECT_EQ(EditorCommandToCodeString(509), "ecLineBreak");
  int cmd = -1;
  EXPECT_TRUE(IdentToEditorCommand("ECLINEBREAK", cmd));
  EXPECT_EQ(cmd, 509);
  EXPECT_FALSE(IdentToEditorCommand("ecLineBreakX", cmd));
  EXPECT_FALSE(IdentToEditorCommand("ecLineBrea", cmd));
  std::string name;
  EXPECT_TRUE(EditorCommandToIdent(ecSetMarker9, name));
  EXPECT_EQ(name, "ecSetMarker9");
  EXPECT_FALSE(EditorCommandToIdent(624, name));
}

TEST(KeyCommands, DefaultBindings) {
  TSynPadKeyStrokes ks;
  ks.ResetDefaults();
  ASSERT_EQ(ks.Count(), 82);
  for (int i = 0; i < ks.Count(); ++i) EXPECT_EQ(ks.Items(i)->Key2(), 0);
  EXPECT_EQ(ks.Items(ks.FindKeycode(VK_RETURN, ssShift))->Command(), ecLineBreak);
  EXPECT_EQ(ks.FindKeycode(VK_RETURN, ssCtrl), -1);
  EXPECT_EQ(ks.Items(ks.FindKeycode(VK_INSERT, ssCtrl))->Command(), ecCopy);
  EXPECT_EQ(ks.Items(ks.FindKeycode(VK_BACK, ssAlt))->Command(), ecUndo);
  EXPECT_EQ(ks.Items(ks.FindKeycode(VK_BACK, ssAlt | ssShift))->Command(), ecRedo);
  EXPECT_EQ(ks.Items(ks.FindKeycode('7', ssCtrl | ssShift))->Command(), ecSetMarker7);
  EXPECT_EQ(ks.Items(ks.FindKeycode('0', ssCtrl))->Command(), ecGotoMarker0);
  // Order: the first, the 31st (Insert), and the last entries.
  EXPECT_EQ(ks.Items(0)->Command(), ecUp);
  EXPECT_EQ(ks.Items(30)->Command(), ecToggleMode);
  EXPECT_EQ(ks.Items(32)->Command(), ecCut);
  EXPECT_EQ(ks.Items(33)->Command(), ecPaste);
  EXPECT_EQ(ks.Items(81)->Command(), ecMatchBracket);
  EXPECT_EQ(ks.Items(81)->ShortCut(), scShift | scCtrl | 'B');
  // No key and shift pair is bound twice.
  std::set<int> pairs;
  for (int i = 0; i < ks.Count(); ++i) pairs.insert(ks.Items(i)->ShortCut());
  EXPECT_EQ(pairs.size(), 82u);
}

TEST(KeyCommands, ShortcutDuplicateCheckAndDisplayName) {
  TSynPadKeyStrokes ks;
  ks.ResetDefaults();
  TSynPadKeyStroke* k = ks.Add();
  k->SetCommand(ecUserFirst);
  try {
    k->SetShortCut(ShortCut('C', ssCtrl));
    FAIL();
  } catch (const ESynKeyError& e) {
    EXPECT_EQ(e.Message(), "Shortcut already exists");
  }
  EXPECT_EQ(k->ShortCut(), 0);
  const int copyIdx = ks.FindKeycode('C', ssCtrl);
  ks.Items(copyIdx)->SetShortCut(ShortCut('C', ssCtrl));  // its own pair: fine
  k->SetShortCut(ShortCut('C', ssCtrl | ssAlt));
  k->SetShortCut2(ShortCut('K', ssNone));
  EXPECT_EQ(ks.FindKeycode2('C', ssCtrl | ssAlt, 'K', 0), ks.Count() - 1);
  EXPECT_EQ(ks.FindKeycode('C', ssCtrl | ssAlt), -1);  // it has a second key
  EXPECT_EQ(k->GetDisplayName(), "ecUserFirst - Ctrl+Alt+C K");
  // The same first key is allowed with a different second key.
  TSynPadKeyStroke* k2 = ks.Add();
  k2->SetShortCut(ShortCut('C', ssCtrl | ssAlt));
  EXPECT_THROW(k2->SetShortCut2(ShortCut('K', ssNone)), ESynKeyError);
  k2->SetShortCut2(ShortCut('L', ssNone));
  k2->SetCommand(1005);
  EXPECT_EQ(k2->GetDisplayName(), "1005 - Ctrl+Alt+C L");
  EXPECT_EQ(ks.Items(ks.FindKeycode(VK_DELETE, ssShift))->GetDisplayName(), "ecCut - Shift+Del ");
  TSynPadKeyStroke* empty = ks.Add();
  EXPECT_EQ(empty->GetDisplayName(), "ecNone - ");
  TSynPadKeyStrokes copy;
  copy.Assign(ks);
  ASSERT_EQ(copy.Count(), ks.Count());
  EXPECT_EQ(copy.Items(ks.Count() - 2)->ShortCut2(), ShortCut('L', 0));
  EXPECT_EQ(copy.Items(0)->Collection(), &copy);
}

TEST(KeyCommands, ShortcutPacking) {
  std::uint16_t key = 0;
  TShiftState shift = 0;
  ShortCutToKey(ShortCut(VK_F1, ssShift | ssCtrl | ssAlt), key, shift);
  EXPECT_EQ(key, VK_F1);
  EXPECT_EQ(shift, ssShift | ssCtrl | ssAlt);
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F1, ssShift | ssCtrl | ssAlt)), "Shift+Ctrl+Alt+F1");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_PRIOR, 0)), "PgUp");
  EXPECT_EQ(ShortCutToText(0), "");
  EXPECT_EQ(ShortCut(0x100, ssCtrl), 0);
}

TEST(KbdHandler, KeyChainsStopWhenConsumedAndRunNewestFirst) {
  TSynPadKbdHandler h;
  std::vector<int> calls;
  int o1 = 0, o2 = 0, o3 = 0;
  h.AddKeyDownHandler(
      SynHandler<TSynKeyEvent>(&o1, [&](TSynPersistent*, std::uint16_t&, TShiftState) { calls.push_back(1); }));
  h.AddKeyDownHandler(SynHandler<TSynKeyEvent>(&o2, [&](TSynPersistent*, std::uint16_t& key, TShiftState) {
    calls.push_back(2);
    if (key == 'Q') key = 0;
  }));
  h.AddKeyDownHandler(
      SynHandler<TSynKeyEvent>(&o3, [&](TSynPersistent*, std::uint16_t&, TShiftState) { calls.push_back(3); }));
  std::uint16_t key = 'A';
  h.ExecuteKeyDown(nullptr, key, 0);
  EXPECT_EQ(calls, (std::vector<int>{3, 2, 1}));
  calls.clear();
  key = 'Q';
  h.ExecuteKeyDown(nullptr, key, 0);
  EXPECT_EQ(calls, (std::vector<int>{3, 2}));
  EXPECT_EQ(key, 0);
  calls.clear();
  h.RemoveKeyDownHandler(SynHandler<TSynKeyEvent>(&o2, nullptr));
  h.RemoveKeyDownHandler(SynHandler<TSynKeyEvent>(&o2, nullptr));  // not there: ignored
  key = 'Q';
  h.ExecuteKeyDown(nullptr, key, 0);
  EXPECT_EQ(calls, (std::vector<int>{3, 1}));
  char16_t ch = u'x';
  h.AddKeyPressHandler(SynHandler<TSynKeyPressEvent>(&o1, [&](TSynPersistent*, char16_t& c) { c = 0; }));
  h.AddKeyPressHandler(SynHandler<TSynKeyPressEvent>(&o2, [&](TSynPersistent*, char16_t& c) { c = u'y'; }));
  h.ExecuteKeyPress(nullptr, ch);
  EXPECT_EQ(ch, 0);
}

TEST(KbdHandler, MouseChainsRunAllAndNeverReenter) {
  TSynPadKbdHandler h;
  int downs = 0, o = 0;
  h.AddMouseDownHandler(
      SynHandler<TSynMouseEvent>(&o, [&](TSynPersistent* s, TSynMouseButton b, TShiftState sh, int x, int y) {
        ++downs;
        h.ExecuteMouseDown(s, b, sh, x, y);  // a handler that triggers another mouse-down
      }));
  h.AddMouseDownHandler(SynHandler<TSynMouseEvent>(
      &o, [&](TSynPersistent*, TSynMouseButton, TShiftState, int, int) { ++downs; }, 1));
  h.ExecuteMouseDown(nullptr, mbLeft, 0, 1, 2);
  EXPECT_EQ(downs, 2);
  int cursor = 0;
  h.AddMouseCursorHandler(
      SynHandler<TSynMouseCursorEvent>(&o, [&](TSynPersistent*, const TBufferCoord& p, int& c) { c = p.Line; }));
  h.ExecuteMouseCursor(nullptr, TBufferCoord{3, 9}, cursor);
  EXPECT_EQ(cursor, 9);
  // The flag is cleared even when a handler raises.
  h.AddMouseUpHandler(
      SynHandler<TSynMouseEvent>(&o, [&](TSynPersistent*, TSynMouseButton, TShiftState, int, int) { throw 1; }));
  EXPECT_THROW(h.ExecuteMouseUp(nullptr, mbLeft, 0, 0, 0), int);
  EXPECT_THROW(h.ExecuteMouseUp(nullptr, mbLeft, 0, 0, 0), int);
}
