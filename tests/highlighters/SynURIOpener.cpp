#include "highlighters/SynURIOpener.h"

#include <gtest/gtest.h>

#include <map>

#include "ScriptedUIServices.h"
#include "SynPadRecordingHost.h"
#include "highlighters/SynHighlighterCpp.h"
#include "highlighters/SynHighlighterURI.h"
#include "highlighters/SynURIOpenerPad.h"
#include "platform/UIServices.h"

namespace {

// An editor stand-in: one line per row, characters 10 px wide and rows 20 px high right of a 30 px
// gutter; the token query walks the highlighter's tokens as the editor control does.
class FakeEditor : public TSynURIOpenerEditor, public TSynPersistent {
 public:
  std::vector<std::u16string> lines;
  TSynCustomHighlighter* highlighter = nullptr;
  TSynPadKbdHandler kbd;
  bool mouseInClient = true, focused = true, dragDrop = true;
  TBufferCoord selBegin{0, 0}, selEnd{0, 0};
  int cursorUpdates = 0;
  std::vector<int> invalidated;

  TSynPadKbdHandler& KbdHandler() override { return kbd; }
  bool MouseInClient() const override { return mouseInClient; }
  void UpdateMouseCursor() override { ++cursorUpdates; }
  bool Focused() const override { return focused; }
  bool GetTokenAtRowCol(const TBufferCoord& XY, std::u16string& Token, int& TokenType, int& Start,
                        TSynHighlighterAttributes*& Attri) override {
    Token.clear();
    Attri = nullptr;
    if (!highlighter || XY.Line < 1 || XY.Line > static_cast<int>(lines.size())) return false;
    const std::u16string& line = lines[static_cast<size_t>(XY.Line - 1)];
    if (XY.Char < 1 || XY.Char > static_cast<int>(line.size())) return false;
    highlighter->ResetRange();
    highlighter->SetLine(line, XY.Line - 1);
    while (!highlighter->GetEol()) {
      const int start = highlighter->GetTokenPos() + 1;
      const std::u16string text = highlighter->GetToken();
      if (start <= XY.Char && XY.Char < start + static_cast<int>(text.size())) {
        Token = text;
        Start = start;
        TokenType = highlighter->GetTokenKind();
        Attri = highlighter->GetTokenAttribute();
        return true;
      }
      highlighter->Next();
    }
    return false;
  }
  bool DragDropEditing() const override { return dragDrop; }
  bool IsPointInSelection(const TBufferCoord& p) const override {
    auto before = [](const TBufferCoord& a, const TBufferCoord& b) {
      return a.Line < b.Line || (a.Line == b.Line && a.Char < b.Char);
    };
    return !before(p, selBegin) && before(p, selEnd);
  }
  int GutterWidth() const override { return 30; }
  TBufferCoord PixelsToBufferPos(int X, int Y) const override { return {(X - 30) / 10 + 1, Y / 20 + 1}; }
  void InvalidateLine(int Line) override { invalidated.push_back(Line); }

  // Pixel of a buffer position's character.
  static int X(int Char) { return 30 + (Char - 1) * 10 + 3; }
  static int Y(int Line) { return (Line - 1) * 20 + 5; }
};

struct Rig {
  FakeEditor editor;
  TSynURISyn uri;
  TSynURIOpener opener;
  std::vector<std::u16string> opened;
  bool ctrlHeld = false;

  explicit Rig(std::vector<std::u16string> lines) {
    editor.lines = std::move(lines);
    editor.highlighter = &uri;
    opener.OpenURLFunc = [this](std::u16string_view url) {
      opened.emplace_back(url);
      return true;
    };
    opener.CtrlKeyState = [this] { return ctrlHeld; };
    opener.SetEditor(&editor);
    opener.SetURIHighlighter(&uri);
  }

  // A click through the editor's chains: press, release (dx, dy pixels later).
  void Click(int Char, int Line, vk::TShiftState shift = vk::ssNone, int dx = 0, int dy = 0,
             TSynMouseButton button = mbLeft) {
    const int x = FakeEditor::X(Char), y = FakeEditor::Y(Line);
    editor.kbd.ExecuteMouseDown(&editor, button, shift, x, y);
    editor.kbd.ExecuteMouseUp(&editor, button, shift, x + dx, y + dy);
  }
  void CtrlClick(int Char, int Line, int dx = 0, int dy = 0) {
    std::uint16_t key = vk::VK_CONTROL;
    editor.kbd.ExecuteKeyDown(&editor, key, vk::ssCtrl);
    ctrlHeld = true;
    Click(Char, Line, vk::ssCtrl, dx, dy);
    key = vk::VK_CONTROL;
    editor.kbd.ExecuteKeyUp(&editor, key, vk::ssNone);
    ctrlHeld = false;
  }
  int Cursor(int Char, int Line) {
    int cursor = 0;
    editor.kbd.ExecuteMouseCursor(&editor, BufferCoord(Char, Line), cursor);
    return cursor;
  }
};

}  // namespace

TEST(SynURIOpener, CtrlActivatesLinks) {
  Rig r({u"see http://example.org/x now"});
  EXPECT_TRUE(r.opener.CtrlActivatesLinks());
  r.Click(8, 1);
  EXPECT_TRUE(r.opened.empty());
  r.CtrlClick(8, 1);
  EXPECT_EQ(r.opened, (std::vector<std::u16string>{u"http://example.org/x"}));
  EXPECT_EQ(r.editor.invalidated, (std::vector<int>{1}));
  // With the option off a plain left click opens; other buttons never do.
  r.opener.SetCtrlActivatesLinks(false);
  r.Click(8, 1);
  EXPECT_EQ(r.opened.size(), 2u);
  r.Click(8, 1, vk::ssNone, 0, 0, mbRight);
  EXPECT_EQ(r.opened.size(), 2u);
  // Words that are no links open nothing.
  r.Click(2, 1);
  r.Click(28, 1);
  EXPECT_EQ(r.opened.size(), 2u);
}

TEST(SynURIOpener, DragsGutterAndSelection) {
  Rig r({u"http://example.org/some/longer/path"});
  r.CtrlClick(10, 1, 5, 0);
  r.CtrlClick(10, 1, 0, -5);
  EXPECT_TRUE(r.opened.empty());
  r.CtrlClick(10, 1, 4, -4);
  EXPECT_EQ(r.opened.size(), 1u);
  // Release in the gutter.
  r.ctrlHeld = true;
  r.editor.kbd.ExecuteMouseDown(&r.editor, mbLeft, vk::ssCtrl, 27, 5);
  r.editor.kbd.ExecuteMouseUp(&r.editor, mbLeft, vk::ssCtrl, 29, 5);
  r.ctrlHeld = false;
  EXPECT_EQ(r.opened.size(), 1u);
  // Inside the selection while drag-and-drop editing is on: nothing; off: it opens.
  r.editor.selBegin = {5, 1};
  r.editor.selEnd = {15, 1};
  r.CtrlClick(10, 1);
  EXPECT_EQ(r.opened.size(), 1u);
  r.CtrlClick(20, 1);
  EXPECT_EQ(r.opened.size(), 2u);
  r.editor.dragDrop = false;
  r.CtrlClick(10, 1);
  EXPECT_EQ(r.opened.size(), 3u);
  // A release without a remembered press opens nothing.
  r.ctrlHeld = true;
  r.editor.kbd.ExecuteMouseUp(&r.editor, mbLeft, vk::ssCtrl, FakeEditor::X(10), FakeEditor::Y(1));
  EXPECT_EQ(r.opened.size(), 3u);
}

TEST(SynURIOpener, TargetsGetTheirScheme) {
  Rig r({u"a john@example.com b", u"www.example.org", u"mailto:x@y.zz", u"MAILTO:x@y.zz", u"FTP://h/p"});
  r.CtrlClick(5, 1);
  r.CtrlClick(1, 2);
  r.CtrlClick(3, 3);
  r.CtrlClick(3, 4);
  r.CtrlClick(3, 5);
  EXPECT_EQ(r.opened, (std::vector<std::u16string>{u"mailto:john@example.com", u"http://www.example.org",
                                                   u"mailto:x@y.zz", u"MAILTO:x@y.zz", u"FTP://h/p"}));
  EXPECT_EQ(TSynURIOpener::LinkTarget(u"file:///etc/passwd", TSynURISyn::tkHttpLink), u"");
  EXPECT_EQ(TSynURIOpener::LinkTarget(u"http://", TSynURISyn::tkHttpLink), u"");
  EXPECT_FALSE(r.opener.OpenLink(u"calc", TSynURISyn::tkUnknown));
  EXPECT_EQ(r.opened.size(), 5u);
}

TEST(SynURIOpener, NothingOpensWithoutTheURIHighlighter) {
  // The editor colours with another highlighter: words under a Ctrl+click must never be run.
  Rig r({u"rm http://example.org"});
  r.opener.SetURIHighlighter(nullptr);
  r.CtrlClick(1, 1);
  r.CtrlClick(6, 1);
  EXPECT_TRUE(r.opened.empty());
  TSynCppSyn cpp;
  r.editor.highlighter = &cpp;
  r.opener.SetURIHighlighter(&r.uri);
  r.CtrlClick(1, 1);
  r.CtrlClick(6, 1);
  EXPECT_TRUE(r.opened.empty());
  EXPECT_EQ(r.Cursor(6, 1), 0);
  // A position past the line end has no token.
  r.editor.highlighter = &r.uri;
  r.CtrlClick(40, 1);
  EXPECT_TRUE(r.opened.empty());
}

TEST(SynURIOpener, HandCursorAndCtrlKey) {
  Rig r({u"x http://example.org"});
  EXPECT_EQ(r.Cursor(5, 1), 0);
  r.ctrlHeld = true;
  EXPECT_EQ(r.Cursor(5, 1), TSynURIOpener::crHandPoint);
  EXPECT_EQ(r.Cursor(1, 1), 0);
  r.editor.focused = false;
  EXPECT_EQ(r.Cursor(5, 1), 0);
  r.editor.focused = true;
  r.ctrlHeld = false;
  r.opener.SetCtrlActivatesLinks(false);
  EXPECT_EQ(r.Cursor(5, 1), TSynURIOpener::crHandPoint);
  // Ctrl down updates the cursor only while the mouse is over the editor, and once.
  std::uint16_t key = vk::VK_CONTROL;
  r.editor.mouseInClient = false;
  r.editor.kbd.ExecuteKeyDown(&r.editor, key, vk::ssCtrl);
  EXPECT_FALSE(r.opener.CtrlDown());
  r.editor.mouseInClient = true;
  r.editor.kbd.ExecuteKeyDown(&r.editor, key, vk::ssCtrl);
  r.editor.kbd.ExecuteKeyDown(&r.editor, key, vk::ssCtrl);
  EXPECT_TRUE(r.opener.CtrlDown());
  EXPECT_EQ(r.editor.cursorUpdates, 1);
  std::uint16_t other = 'A';
  r.editor.kbd.ExecuteKeyUp(&r.editor, other, vk::ssCtrl);
  EXPECT_TRUE(r.opener.CtrlDown());
  r.editor.kbd.ExecuteKeyUp(&r.editor, key, vk::ssNone);
  EXPECT_FALSE(r.opener.CtrlDown());
  EXPECT_EQ(r.editor.cursorUpdates, 2);
}

TEST(SynURIOpener, EditorChangeMovesTheHandlers) {
  Rig r({u"http://example.org"});
  FakeEditor second;
  second.lines = {u"http://second.org"};
  second.highlighter = &r.uri;
  r.opener.SetEditor(&second);
  r.CtrlClick(3, 1);
  EXPECT_TRUE(r.opened.empty());
  r.ctrlHeld = true;
  second.kbd.ExecuteMouseDown(&second, mbLeft, vk::ssCtrl, FakeEditor::X(3), FakeEditor::Y(1));
  second.kbd.ExecuteMouseUp(&second, mbLeft, vk::ssCtrl, FakeEditor::X(3), FakeEditor::Y(1));
  EXPECT_EQ(r.opened, (std::vector<std::u16string>{u"http://second.org"}));
  r.opener.Notification(&second);
  EXPECT_EQ(r.opener.Editor(), nullptr);
  second.kbd.ExecuteMouseDown(&second, mbLeft, vk::ssCtrl, FakeEditor::X(3), FakeEditor::Y(1));
  second.kbd.ExecuteMouseUp(&second, mbLeft, vk::ssCtrl, FakeEditor::X(3), FakeEditor::Y(1));
  EXPECT_EQ(r.opened.size(), 1u);
}

TEST(SynURIOpener, VisitedLinksAreSharedByOpenersOfOneHighlighter) {
  Rig r({u"http://a.org and www.b.org"});
  FakeEditor comments;
  comments.lines = {u"HTTP://A.ORG"};
  comments.highlighter = &r.uri;
  TSynURIOpener second;
  second.OpenURLFunc = [](std::u16string_view) { return true; };
  second.SetEditor(&comments);
  second.SetURIHighlighter(&r.uri);

  auto attrAt = [&](FakeEditor& e, int ch) {
    std::u16string t;
    int kind = 0, start = 0;
    TSynHighlighterAttributes* a = nullptr;
    e.GetTokenAtRowCol(BufferCoord(ch, 1), t, kind, start, a);
    return a;
  };
  EXPECT_EQ(attrAt(r.editor, 3), r.uri.URIAttri);
  r.CtrlClick(3, 1);
  // Every occurrence of the same text (letter case aside) is now drawn as visited, in both editors.
  EXPECT_EQ(attrAt(r.editor, 3), r.uri.VisitedURIAttri);
  EXPECT_EQ(attrAt(comments, 3), r.uri.VisitedURIAttri);
  EXPECT_EQ(attrAt(r.editor, 20), r.uri.URIAttri);
  EXPECT_TRUE(second.IsVisited(u"http://A.org"));
  ASSERT_TRUE(second.OpenLink(u"www.b.org", TSynURISyn::tkWebLink));
  EXPECT_EQ(attrAt(r.editor, 20), r.uri.VisitedURIAttri);
  // One opener letting go keeps the other's colouring; the last one takes the callback away.
  r.opener.SetURIHighlighter(nullptr);
  EXPECT_EQ(attrAt(comments, 3), r.uri.VisitedURIAttri);
  EXPECT_TRUE(r.opener.IsVisited(u"www.b.org"));
  second.SetURIHighlighter(nullptr);
  EXPECT_FALSE(r.uri.AlreadyVisitedURIFunc());
  EXPECT_EQ(attrAt(comments, 3), r.uri.URIAttri);
  // Coming back, an opener brings its list along.
  second.SetURIHighlighter(&r.uri);
  EXPECT_EQ(attrAt(comments, 3), r.uri.VisitedURIAttri);
  EXPECT_EQ(second.VisitedLinks().size(), 2u);
}

TEST(SynURIOpener, PlatformHookReceivesTheLink) {
  std::vector<std::u16string> seen;
  auto old = platform::SetOpenUrlHook([&](std::u16string_view url) {
    seen.emplace_back(url);
    return true;
  });
  TSynURIOpener opener;
  EXPECT_TRUE(opener.OpenLink(u"someone@example.org", TSynURISyn::tkMailtoLink));
  platform::SetOpenUrlHook(std::move(old));
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"mailto:someone@example.org"}));
}

// On the real control: a Ctrl+click on a link opens it; the control going away takes the opener's
// hold on it away too.

TEST(SynURIOpener, WorksOnTheControlAndDropsItWhenItGoes) {
  TSynRecordingHost host;
  TSynURISyn uri;
  TSynURIOpener opener;
  std::vector<std::u16string> opened;
  opener.OpenURLFunc = [&](std::u16string_view url) {
    opened.emplace_back(url);
    return true;
  };
  opener.CtrlKeyState = [] { return true; };
  opener.SetURIHighlighter(&uri);
  auto pad = std::make_unique<TSynPad>(&host);
  pad->Resize();
  pad->SetHighlighter(&uri);
  pad->SetText(u"see http://example.org/x here");
  TSynURIOpenerPad adapter(*pad, opener);
  EXPECT_EQ(opener.Editor(), &adapter);
  int x = 0, y = 0;
  pad->RowColumnToPixels(TDisplayCoord{10, 1}, x, y);
  std::uint16_t ctrl = vk::VK_CONTROL;
  pad->KeyDown(ctrl, vk::ssCtrl);
  pad->MouseDown(mbLeft, vk::ssCtrl | vk::ssLeft, x + 2, y + 2);
  pad->MouseUp(mbLeft, vk::ssCtrl, x + 2, y + 2);
  EXPECT_EQ(opened, (std::vector<std::u16string>{u"http://example.org/x"}));
  pad.reset();
  EXPECT_EQ(opener.Editor(), nullptr);
}

// A mail link that asks the mail program to attach a file (some attach the named local file) is
// refused with a message, however its parameter is spelt and wherever it stands; every other link
// opens as before.
TEST(SynURIOpener, MailLinksThatAttachAFileAreRefusedWithAMessage) {
  platform::ScriptedUIServices ui;
  platform::ScopedUIServices useUi(ui);
  struct Case {
    std::u16string text;
    int kind;
    bool opens;
  };
  const Case cases[] = {
      {u"mailto:a@b.org?attach=/home/me/.ssh/id_rsa", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?subject=hi&attachment=%2Fetc%2Fpasswd", TSynURISyn::tkMailtoLink, false},
      {u"MAILTO:a@b.org?Subject=x&ATTACH=~/notes.txt", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?body=x;%61ttach=file:///etc/shadow", TSynURISyn::tkMailtoLink, false},
      // Wherever the parameter stands: without "?", or hidden from a split before decoding.
      {u"mailto:a@b.org&attach=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org;Attachment=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:attach=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org%26attach%3D/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?subject=x%26attachment=~/.ssh/id_rsa", TSynURISyn::tkMailtoLink, false},
      // Any name that begins with "attach", once decoded and with its NUL bytes dropped.
      {u"mailto:a@b.org?attach%00=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?%00attach=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?att%2500ach=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?attachments=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?Attach_File=/etc/passwd", TSynURISyn::tkMailtoLink, false},
      {u"mailto:a@b.org?attach", TSynURISyn::tkMailtoLink, false},
      {u"mailto:attachments@firm.org", TSynURISyn::tkMailtoLink, true},  // an address, no parameter
      {u"mailto:a@b.org?subject=attachments", TSynURISyn::tkMailtoLink, true},
      {u"mailto:a@b.org?xattach=1", TSynURISyn::tkMailtoLink, true},
      {u"mailto:a@b.org&subject=attached", TSynURISyn::tkMailtoLink, true},
      {u"mailto:a@b.org?subject=attach=me&body=attachment", TSynURISyn::tkMailtoLink, true},
      {u"mailto:a@b.org?subject=hello", TSynURISyn::tkMailtoLink, true},
      {u"a@b.org", TSynURISyn::tkMailtoLink, true},
      {u"http://example.org/?attach=x", TSynURISyn::tkHttpLink, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    ui.Clear();
    std::vector<std::u16string> opened;
    TSynURIOpener opener;
    opener.OpenURLFunc = [&](std::u16string_view url) {
      opened.emplace_back(url);
      return true;
    };
    EXPECT_EQ(opener.OpenLink(c.text, c.kind), c.opens);
    EXPECT_EQ(opened.size(), c.opens ? 1u : 0u);
    EXPECT_EQ(opener.IsVisited(c.text), c.opens);
    const auto boxes = ui.CallsOf(platform::ScriptedUIServices::Kind::Message);
    ASSERT_EQ(boxes.size(), c.opens ? 0u : 1u);
    if (!c.opens) {
      EXPECT_EQ(boxes[0].text, SMailLinkAttachesFile);
    }
  }
  // Through a Ctrl+click in the text, as the user meets it.
  ui.Clear();
  Rig r({u"see mailto:a@b.org?attach=/etc/passwd now", u"and mailto:a@b.org?subject=hi"});
  r.CtrlClick(8, 1);
  r.CtrlClick(8, 2);
  EXPECT_EQ(r.opened, std::vector<std::u16string>{u"mailto:a@b.org?subject=hi"});
  EXPECT_EQ(ui.CallsOf(platform::ScriptedUIServices::Kind::Message).size(), 1u);
}
