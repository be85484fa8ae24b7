#include <gtest/gtest.h>

#include <random>

#include "editor/SynPadTextBuffer.h"

namespace {

std::vector<std::u16string> Lines(const TSynPadStringList& s) {
  std::vector<std::u16string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Get(i));
  return out;
}

struct Events {
  std::vector<std::string> log;
  void Hook(TSynPadStringList& l) {
    l.OnInserted = [this](TSynPersistent*, int i, int n) {
      log.push_back("I" + std::to_string(i) + "," + std::to_string(n));
    };
    l.OnDeleted = [this](TSynPersistent*, int i, int n) {
      log.push_back("D" + std::to_string(i) + "," + std::to_string(n));
    };
    l.OnPutted = [this](TSynPersistent*, int i, int n) {
      log.push_back("P" + std::to_string(i) + "," + std::to_string(n));
    };
    l.OnCleared = [this](TSynPersistent*) { log.push_back("C"); };
    l.OnChanging = [this](TSynPersistent*) { log.push_back("<"); };
    l.OnChange = [this](TSynPersistent*) { log.push_back(">"); };
  }
};

}  // namespace

TEST(LineBuffer, SetTextStrBreaksAndFileFormat) {
  TSynPadStringList l;
  l.SetTextStr(u"a\r\nb\n");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"b", u""}));
  EXPECT_EQ(l.FileFormat(), sffDos);
  l.SetTextStr(u"a\nb");
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.FileFormat(), sffUnix);
  l.SetTextStr(u"a\rb");
  EXPECT_EQ(l.FileFormat(), sffMac);
  l.SetTextStr(u"a\u2028\r\nb\u2029c\u000Bd");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"b\u2029c\u000Bd"}));
  EXPECT_EQ(l.FileFormat(), sffUnicode);
  l.SetTextStr(u"");
  EXPECT_EQ(l.Count(), 0);
  l.SetTextStr(u"x\n\ry");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"x", u"", u"y"}));
  l.SetTextStr(std::u16string(u"n\0ul", 4));  // NUL is an ordinary character here
  EXPECT_EQ(l.Get(0).size(), 4u);
}

TEST(LineBuffer, StreamingUsesFileFormatSeparator) {
  TSynPadStringList l;
  TMemoryStream in(std::string("a\nb\n"));
  l.LoadFromStream(in);
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"b", u""}));
  EXPECT_EQ(l.FileFormat(), sffUnix);
  EXPECT_FALSE(l.SaveAsUnicode());
  EXPECT_EQ(l.GetTextStr(), u"a\r\nb\r\n");  // outside streaming: CR LF
  TMemoryStream out;
  l.SaveToStream(out);
  EXPECT_EQ(out.Bytes(), "a\nb\n");
  l.SetTextStr(u"p\u2028q");
  l.SetSaveAsUnicode(false);
  TMemoryStream ansi;
  l.SaveToStream(ansi);
  EXPECT_EQ(ansi.Bytes(), "p\r\nq");
  l.SetSaveAsUnicode(true);
  TMemoryStream wide;
  l.SaveToStream(wide);
  EXPECT_EQ(wide.Bytes(), std::string("\xFF\xFEp\0\x28\x20q\0", 8));
}

TEST(LineBuffer, PutInsertDeleteAndEvents) {
  TSynPadStringList l;
  Events ev;
  ev.Hook(l);
  l.Put(0, u"first");   // Put on an empty list adds
  l.Put(1, u"second");  // Put at Count adds
  EXPECT_EQ(l.Count(), 2);
  l.PutRange(0, 7);
  l.Put(0, u"changed");
  EXPECT_EQ(l.GetRange(0), 7);  // range survives a put
  EXPECT_EQ(l.Flags(0), sfExpandedLengthUnknown);
  EXPECT_EQ(l.GetRange(1), NullRange);
  EXPECT_EQ(l.GetRange(5), 0);
  EXPECT_EQ(l.Get(5), u"");
  EXPECT_EQ(l.GetObject(-1), nullptr);
  EXPECT_EQ(ev.log, (std::vector<std::string>{"<", "I0,1", ">", "<", "I1,1", ">", "<", ">", "<", "P0,1", ">"}));
  try {
    l.Put(5, u"x");
    FAIL();
  } catch (const ESynPadStringList& e) {
    EXPECT_EQ(e.Message(), "Invalid stringlist index 5");
  }
  EXPECT_THROW(l.Insert(3, u"x"), ESynPadStringList);
  EXPECT_THROW(l.Delete(2), ESynPadStringList);
  EXPECT_THROW(l.Exchange(0, 2), ESynPadStringList);
  try {
    l.SetCapacity(1);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "Stringlist capacity cannot be smaller than count");
  }
}

TEST(LineBuffer, DeleteLinesClipsAndInsertLines) {
  TSynPadStringList l;
  for (int i = 0; i < 10; ++i) l.Add(std::u16string(1, char16_t(u'0' + i)));
  Events ev;
  ev.Hook(l);
  l.DeleteLines(8, 5);
  EXPECT_EQ(l.Count(), 8);
  EXPECT_EQ(ev.log, (std::vector<std::string>{"<", "D8,2", ">"}));
  ev.log.clear();
  l.DeleteLines(3, 0);
  EXPECT_TRUE(ev.log.empty());
  EXPECT_THROW(l.DeleteLines(8, 1), ESynPadStringList);
  l.InsertLines(2, 3);
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"0", u"1", u"", u"", u"", u"2", u"3", u"4", u"5", u"6", u"7"}));
  EXPECT_EQ(l.GetRange(2), NullRange);
  EXPECT_THROW(l.InsertLines(12, 1), ESynPadStringList);
  l.InsertLines(l.Count(), 1);
  EXPECT_EQ(l.Count(), 12);
  ev.log.clear();
  l.Clear();
  EXPECT_EQ(ev.log, (std::vector<std::string>{"<", "C", ">"}));
  ev.log.clear();
  l.Clear();
  EXPECT_TRUE(ev.log.empty());
}

TEST(LineBuffer, GrowthRule) {
  TSynPadStringList l;
  std::vector<int> caps;
  for (int i = 0; i < 200; ++i) {
    l.Add(u"");
    if (caps.empty() || caps.back() != l.Capacity()) caps.push_back(l.Capacity());
  }
  EXPECT_EQ(caps, (std::vector<int>{16, 32, 48, 64, 80, 100, 125, 156, 195, 243}));
  TSynPadStringList m;
  m.Add(u"x");
  TWideStringList src;
  for (int i = 0; i < 20; ++i) src.Add(u"y");
  Events ev;
  ev.Hook(m);
  m.AddStrings(src);
  EXPECT_EQ(m.Capacity(), 32);
  EXPECT_EQ(m.Count(), 21);
  EXPECT_EQ(ev.log, (std::vector<std::string>{"<", "I1,20", ">"}));
}

TEST(LineBuffer, TabExpansionCachesAndTabWidth) {
  TSynPadStringList l;
  l.Add(u"a\tb");
  l.Add(u"");
  l.Add(u"plain");
  EXPECT_EQ(l.ExpandedStrings(0), u"a\t\t\t\t\t\t\tb");
  EXPECT_EQ(l.Flags(0), sfHasTabs);
  EXPECT_EQ(l.ExpandedStringLengths(1), 0);
  EXPECT_EQ(l.Flags(1), sfHasNoTabs);
  EXPECT_EQ(l.ExpandedStringLengths(2), 5);
  EXPECT_EQ(l.ExpandedStringLengths(9), 0);
  EXPECT_EQ(l.LengthOfLongestLine(), 9);
  l.SetTabWidth(8);  // unchanged: caches stay
  EXPECT_EQ(l.Flags(0), sfHasTabs);
  l.SetTabWidth(3);
  EXPECT_EQ(l.Flags(0), sfHasTabs | sfExpandedLengthUnknown);
  EXPECT_EQ(l.Flags(2), sfExpandedLengthUnknown);
  EXPECT_EQ(l.ExpandedStrings(0), u"a\t\tb");
  EXPECT_EQ(l.LengthOfLongestLine(), 5);
  l.SetTabWidth(1);
  EXPECT_EQ(l.ExpandedStrings(0), u"a b");
}

// The longest line stays right through every kind of edit (compared with a brute-force answer).
TEST(LineBuffer, LongestLineFollowsEdits) {
  std::mt19937 rng(42);
  TSynPadStringList l;
  auto brute = [&] {
    int best = 0;
    for (int i = 0; i < l.Count(); ++i)
      best = std::max(best, static_cast<int>(ConvertTabs(l.Get(i), l.TabWidth()).size()));
    return best;
  };
  auto randomLine = [&] {
    std::u16string s;
    const int n = rng() % 30;
    for (int i = 0; i < n; ++i) s.push_back(rng() % 6 == 0 ? u'\t' : u'x');
    return s;
  };
  for (int i = 0; i < 20; ++i) l.Add(randomLine());
  for (int step = 0; step < 3000; ++step) {
    const int n = l.Count();
    switch (rng() % 9) {
      case 0:
        l.Add(randomLine());
        break;
      case 1:
        l.Insert(rng() % (n + 1), randomLine());
        break;
      case 2:
        if (n) l.Delete(rng() % n);
        break;
      case 3:
        if (n) l.Put(rng() % n, randomLine());
        break;
      case 4:
        if (n) l.DeleteLines(rng() % n, rng() % 5);
        break;
      case 5:
        l.InsertLines(rng() % (n + 1), rng() % 4);
        break;
      case 6:
        if (n > 1) l.Exchange(rng() % n, rng() % n);
        break;
      case 7:
        if (rng() % 20 == 0) l.SetTabWidth(1 + rng() % 8);
        break;
      case 8:
        if (n && rng() % 50 == 0) l.Clear();
        break;
    }
    if (l.Count() > 60) l.DeleteLines(0, 20);
    if (step % 3 == 0) {
      ASSERT_EQ(l.LengthOfLongestLine(), brute()) << step;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Undo list

TEST(UndoList, ChangeNumbersBlocksAndLimit) {
  TSynPadUndoList u;
  int added = 0;
  u.OnAddedUndo = [&](TSynPersistent*) { ++added; };
  EXPECT_EQ(u.LastChangeReason(), crNothing);
  EXPECT_EQ(u.PeekItem(), nullptr);
  EXPECT_EQ(u.PopItem(), nullptr);
  u.AddChange(crInsert, {1, 1}, {2, 1}, u"", smNormal);
  EXPECT_EQ(u.PeekItem()->ChangeNumber, 1);
  u.BeginBlock();
  u.AddChange(crInsert, {2, 1}, {3, 1}, u"", smNormal);
  u.AddChange(crDeleteAfter, {2, 1}, {3, 1}, u"q", smNormal);
  EXPECT_EQ(u.Items(1)->ChangeNumber, u.Items(2)->ChangeNumber);
  EXPECT_EQ(added, 3);
  u.EndBlock();
  EXPECT_EQ(added, 4);  // the block's own notification
  u.BeginBlock();
  u.EndBlock();
  EXPECT_EQ(added, 4);  // nothing recorded, nothing fired
  u.AddGroupBreak();
  u.AddGroupBreak();
  EXPECT_EQ(u.ItemCount(), 4);
  EXPECT_EQ(u.LastChangeReason(), crGroupBreak);
  EXPECT_EQ(added, 4);  // breaks are not announced
  u.Lock();
  u.Lock();
  EXPECT_EQ(u.AddChange(crInsert, {1, 1}, {1, 1}, u"", smNormal), nullptr);  // nothing kept, nothing handed back
  u.Unlock();
  u.AddGroupBreak();
  EXPECT_EQ(u.ItemCount(), 4);
  u.Unlock();
  u.Unlock();
  EXPECT_FALSE(u.IsLocked());
  u.SetMaxUndoActions(3);
  EXPECT_EQ(u.ItemCount(), 3);
  EXPECT_TRUE(u.FullUndoImpossible());
  u.Clear();
  EXPECT_FALSE(u.FullUndoImpossible());
  for (int i = 0; i < 4; ++i) u.AddChange(crInsert, {1, 1}, {1, 1}, std::u16string(1, char16_t(u'a' + i)), smNormal);
  EXPECT_EQ(u.ItemCount(), 3);
  EXPECT_EQ(u.Items(0)->ChangeStr, u"b");
  const TSynPadUndoItem* kept = u.AddChange(crInsert, {1, 1}, {2, 1}, u"e", smNormal);
  EXPECT_EQ(kept, u.PeekItem());  // the item kept, at the limit too
  u.SetMaxUndoActions(-5);
  EXPECT_EQ(u.MaxUndoActions(), 0);
  EXPECT_EQ(u.ItemCount(), 0);
  EXPECT_EQ(u.AddChange(crInsert, {1, 1}, {2, 1}, u"f", smNormal), nullptr);  // dropped at once
  TSynPadUndoList d;
  EXPECT_EQ(d.MaxUndoActions(), 1024);
  for (int i = 0; i < 1100; ++i) d.AddChange(crInsert, {1, 1}, {1, 1}, u"", smNormal);
  EXPECT_EQ(d.ItemCount(), 1024);
  EXPECT_EQ(d.Items(0)->ChangeNumber, 77);
}

TEST(UndoList, InitialStateAndAssign) {
  TSynPadUndoList u;
  EXPECT_TRUE(u.GetInitialState());
  u.AddChange(crInsert, {1, 1}, {2, 1}, u"", smNormal);
  EXPECT_FALSE(u.GetInitialState());
  u.SetInitialState(true);
  EXPECT_TRUE(u.GetInitialState());
  u.AddChange(crInsert, {2, 1}, {3, 1}, u"", smNormal);
  EXPECT_FALSE(u.GetInitialState());
  auto top = u.PopItem();
  EXPECT_TRUE(u.GetInitialState());
  u.SetInitialState(false);
  EXPECT_EQ(u.InitialChangeNumber(), -1);
  EXPECT_FALSE(u.GetInitialState());
  u.SetInsideRedo(true);
  u.Lock();
  TSynPadUndoList c;
  c.Assign(u);
  EXPECT_EQ(c.ItemCount(), 1);
  EXPECT_TRUE(c.InsideRedo());
  EXPECT_TRUE(c.IsLocked());
  EXPECT_EQ(c.NextChangeNumber(), u.NextChangeNumber());
}

// ---------------------------------------------------------------------------------------------
// Undo/redo property test: a model editor over one line of text records replacements the way the
// editor control does, and replays them through both lists by the undo and redo rules (groups by
// change number, bracket pairs, group breaks moved across, the inside-redo flag during redo).
namespace {

bool IsClosing(int r) {
  return r == 11 || r == 13 || r == 15 || r == 17;
}

struct UndoModel {
  std::u16string text;
  TSynPadUndoList undo, redo;
  bool groupUndo = false;

  UndoModel() {
    // An added item clears the redo list unless a redo added it.
    undo.OnAddedUndo = [this](TSynPersistent*) {
      if (!undo.InsideRedo()) redo.Clear();
    };
  }

  void Change(TSynChangeReason reason, int pos, int removeLen, const std::u16string& ins) {
    const std::u16string removed = text.substr(pos, removeLen);
    text.replace(pos, removeLen, ins);
    undo.AddChange(reason, {pos, 1}, {pos + static_cast<int>(ins.size()), 1}, removed, smNormal);
  }

  void Replay(const TSynPadUndoItem& item, TSynPadUndoList& other) {
    const int pos = item.ChangeStartPos.Char;
    const int len = item.ChangeEndPos.Char - pos;
    ASSERT_LE(pos + len, static_cast<int>(text.size()));
    const std::u16string removed = text.substr(pos, len);
    text.replace(pos, len, item.ChangeStr);
    other.AddChange(item.ChangeReason, {pos, 1}, {pos + static_cast<int>(item.ChangeStr.size()), 1}, removed,
                    item.ChangeSelMode);
  }

  static void MoveBreak(TSynPadUndoList& from, TSynPadUndoList& to) {
    if (from.LastChangeReason() != crGroupBreak) return;
    auto b = from.PopItem();
    const int save = to.BlockChangeNumber();
    to.SetBlockChangeNumber(b->ChangeNumber);
    to.AddGroupBreak();
    to.SetBlockChangeNumber(save);
  }

  void Step(TSynPadUndoList& from, TSynPadUndoList& to, bool isRedo) {
    if (!isRedo) MoveBreak(from, to);
    const TSynPadUndoItem* top = from.PeekItem();
    if (!top) return;
    const int reason = top->ChangeReason;
    const bool closing = IsClosing(reason);
    const int number = top->ChangeNumber;
    const int save = to.BlockChangeNumber();
    to.SetBlockChangeNumber(number);
    if (isRedo) undo.SetInsideRedo(true);
    int depth = 0;
    for (;;) {
      auto item = from.PopItem();
      const int r = item->ChangeReason;
      if (closing && r == reason) ++depth;
      if (closing && r == reason - 1) --depth;
      Replay(*item, to);
      if (closing && depth == 0) break;
      const TSynPadUndoItem* next = from.PeekItem();
      if (!next) break;
      if (closing) continue;
      if (next->ChangeNumber == number) continue;
      if (groupUndo && next->ChangeReason == r && r != crIndent && r != crUnindent) continue;
      break;
    }
    if (isRedo) undo.SetInsideRedo(false);
    to.SetBlockChangeNumber(save);
    if (isRedo) MoveBreak(from, to);
  }

  void Undo() { Step(undo, redo, false); }
  void Redo() { Step(redo, undo, true); }
};

// Every recorded item carries a change number (0 is never used).
void CheckNumbers(const TSynPadUndoList& l) {
  for (int i = 0; i < l.ItemCount(); ++i) ASSERT_NE(l.Items(i)->ChangeNumber, 0);
}

}  // namespace

TEST(UndoProperty, GroupedRedoOfSeveralItems) {
  UndoModel m;
  m.Change(crInsert, 0, 0, u"abc");
  m.undo.BeginBlock();
  m.Change(crInsert, 3, 0, u"d");
  m.Change(crInsert, 4, 0, u"e");
  m.Change(crDeleteAfter, 0, 1, u"");
  m.undo.EndBlock();
  EXPECT_EQ(m.text, u"bcde");
  m.Undo();
  EXPECT_EQ(m.text, u"abc");
  EXPECT_EQ(m.redo.ItemCount(), 3);
  m.Redo();  // one step brings all three back; the redo list must not be cleared half way
  EXPECT_EQ(m.text, u"bcde");
  EXPECT_EQ(m.redo.ItemCount(), 0);
  EXPECT_EQ(m.undo.ItemCount(), 4);
  m.Undo();
  m.Undo();
  EXPECT_EQ(m.text, u"");
  m.Redo();
  m.Redo();
  EXPECT_EQ(m.text, u"bcde");
  // A bracket pair undoes as one, including items of other numbers inside it.
  m.Change(crPasteBegin, 0, 0, u"");
  m.Change(crPaste, 0, 0, u"X");
  m.Change(crPaste, 1, 0, u"Y");
  m.Change(crPasteEnd, 0, 0, u"");
  m.Undo();
  EXPECT_EQ(m.text, u"bcde");
  m.Redo();
  EXPECT_EQ(m.text, u"XYbcde");
  // A new change after an undo clears the redo list.
  m.Undo();
  m.Change(crInsert, 0, 0, u"!");
  EXPECT_FALSE(m.redo.CanUndo());
}

TEST(UndoProperty, RandomSequencesKeepInvariants) {
  for (int seed = 1; seed <= 60; ++seed) {
    std::mt19937 rng(seed);
    UndoModel m;
    m.groupUndo = seed % 2 == 0;
    const bool limited = seed % 3 == 0;
    if (limited) m.undo.SetMaxUndoActions(5 + rng() % 40);
    const std::u16string initial = m.text;
    bool everFull = false;
    for (int step = 0; step < 400; ++step) {
      const int len = static_cast<int>(m.text.size());
      const int op = rng() % 12;
      if (op <= 3) {
        const int pos = rng() % (len + 1);
        m.Change(crInsert, pos, 0, std::u16string(1 + rng() % 3, char16_t(u'a' + rng() % 26)));
      } else if (op <= 5 && len > 0) {
        const int pos = rng() % len;
        m.Change(rng() % 2 ? crDeleteAfter : crDeleteBefore, pos, 1 + rng() % std::min(3, len - pos), u"");
      } else if (op == 6) {
        // A block (optionally inside a bracket pair) of several changes.
        const bool bracket = (rng() % 2) != 0;
        m.undo.BeginBlock();
        if (bracket) m.Change(crPasteBegin, 0, 0, u"");
        for (int k = 0, n = 1 + rng() % 4; k < n; ++k) m.Change(crPaste, rng() % (m.text.size() + 1), 0, u"P");
        if (bracket) m.Change(crPasteEnd, 0, 0, u"");
        m.undo.EndBlock();
      } else if (op == 7) {
        m.undo.AddGroupBreak();
      } else if (op == 8) {
        const int before = m.undo.ItemCount();
        m.undo.Lock();
        m.undo.AddChange(crInsert, {0, 1}, {0, 1}, u"", smNormal);
        m.undo.AddGroupBreak();
        m.undo.Unlock();
        ASSERT_EQ(m.undo.ItemCount(), before);
      } else if (op <= 10) {
        m.Undo();
      } else {
        m.Redo();
      }
      everFull = everFull || m.undo.FullUndoImpossible();
      ASSERT_LE(m.undo.ItemCount(), m.undo.MaxUndoActions());
      ASSERT_EQ(m.undo.BlockCount(), 0);
      CheckNumbers(m.undo);
      CheckNumbers(m.redo);
    }
    const std::u16string final = m.text;
    // Redo items left from before belong beyond the final text; only what is undone now comes back.
    const int redoBefore = m.redo.ItemCount();
    int guard = 0;
    while (m.undo.CanUndo() && guard++ < 5000) m.Undo();
    if (!everFull && !m.undo.FullUndoImpossible()) {
      ASSERT_EQ(m.text, initial) << seed;
    }
    guard = 0;
    while (m.redo.ItemCount() > redoBefore && guard++ < 5000) m.Redo();
    ASSERT_EQ(m.redo.ItemCount(), redoBefore);
    ASSERT_EQ(m.text, final) << seed;
    // Undo then redo of a single step returns to the same text.
    if (m.undo.CanUndo()) {
      m.Undo();
      m.Redo();
      ASSERT_EQ(m.text, final) << seed;
    }
  }
}
