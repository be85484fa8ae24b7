// The record's code editor in the real program, as a person meets it on a Linux desktop (Xvfb with
// openbox, keys and clicks through xdotool): what reaches the desktop's clipboard (read back with
// xclip), text pasted from other programs, keyboard column selection, the view when a scroll bar
// appears, prose typed with word wrap on, the caret beside a character beyond U+FFFF, overwrite and
// column blocks over such characters and double-width glyphs, and Find over them and other scripts.
#include <QImage>
#include <algorithm>

#include "EndToEndDesktop.h"

using namespace e2e;

namespace {

// A record whose code has six lines ("int value = N;"), selected at start; record 3 is empty.
std::string EditorBank(int selected) {
  std::string code;
  for (int i = 1; i <= 6; ++i) code += "int value = " + std::to_string(i) + ";" + (i < 6 ? "\n" : "");
  return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<dataroot><settings><NextNodeID>10</NextNodeID>"
         "<LastPosition>" +
         std::to_string(selected) +
         "</LastPosition><DataBaseName>Editor</DataBaseName></settings><folder ID=\"1\" expanded=\"1\">Keep"
         "<record ID=\"2\">Kept<data>" +
         code + "</data></record><record ID=\"3\">Empty<data></data></record></folder></dataroot>";
}

// A databank written as UTF-8 whose selected record 2 holds the code given.
std::string CodeBank(const std::string& code) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dataroot><settings><NextNodeID>10</NextNodeID>"
         "<LastPosition>2</LastPosition><DataBaseName>Editor</DataBaseName></settings><folder ID=\"1\" "
         "expanded=\"1\">Keep<record ID=\"2\">Kept<data>" +
         code + "</data></record></folder></dataroot>";
}

// Where the code editor's first line starts, in the main window (760 x 540 on a first run).
constexpr int kCodeX = 229, kCodeY = 105;

}  // namespace

// Copied text has LF line ends on the desktop; text pasted from another program with LF, CR LF or
// CR line ends goes in as the same lines, and the file keeps its own form. Keyboard column
// selection (Ctrl+Shift+C, Shift+Down four times, Shift+Right nine times) selects the 5 x 9 block
// from the line the caret stood on.
TEST_F(EndToEnd, EditorClipboardHasLinuxLineEndsAndColumnSelectionKeepsItsAnchor) {
  REQUIRE_DESKTOP(d);
  REQUIRE_TOOL(xclip, "xclip");
  ASSERT_EQ(xs.StartWindowManager(), "");
  const Clipboard clipboard{xclip};
  const std::string bank = tmp.File("editor.xdb2");
  testsupport::WriteFile(bank, EditorBank(2));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Editor$"), "");
  d.Click(kCodeX, kCodeY);  // before "int" on line 1
  d.Xdo({"key", "--delay", "60", "ctrl+shift+c", "shift+Down", "shift+Down", "shift+Down", "shift+Down"});
  d.Xdo({"key", "--delay", "60", "shift+Right", "shift+Right", "shift+Right", "shift+Right", "shift+Right",
         "shift+Right", "shift+Right", "shift+Right", "shift+Right", "ctrl+c"});
  EXPECT_TRUE(Eventually([&] { return clipboard.Read() == "int value\nint value\nint value\nint value\nint value"; }))
      << clipboard.Read();
  d.WindowShot("e2e-editor-column-block.png");

  d.Key("ctrl+shift+n");  // normal selection again
  d.Key("ctrl+a");
  d.Key("ctrl+c");
  std::string all;
  EXPECT_TRUE(Eventually([&] { return (all = clipboard.Read()).find("value = 6;") != std::string::npos; })) << all;
  EXPECT_EQ(all, "int value = 1;\nint value = 2;\nint value = 3;\nint value = 4;\nint value = 5;\nint value = 6;");

  // Pasted at the end, one text a line end form; the file stores what it stores for typed lines.
  d.Key("ctrl+End");
  for (const std::string eol : {"\r\n", "\n", "\r"}) {
    clipboard.Put(eol + "a" + eol + "b");
    d.Key("ctrl+v");
  }
  d.WindowShot("e2e-editor-pasted.png");
  d.Key("ctrl+s");
  const auto data = [&] { return apptest::XPath(bank, "string(//record[@ID='2']/data)"); };
  std::string stored;
  EXPECT_TRUE(Eventually([&] { return !(stored = data()).empty() && stored.back() == 'b'; })) << stored;
  const size_t first = stored.find("1;") + 2, second = stored.find("int value = 2;");
  ASSERT_LT(first, second) << stored;
  const std::string sep = stored.substr(first, second - first);  // the file's own form, as before
  std::string expected;
  for (int i = 1; i <= 6; ++i) expected += "int value = " + std::to_string(i) + ";" + (i < 6 ? sep : "");
  for (int i = 0; i < 3; ++i) expected += sep + "a" + sep + "b";
  EXPECT_EQ(stored, expected);
  ASSERT_EQ(d.Exit(), "");
}

// Text with a long line pasted into an empty record brings the horizontal scroll bar; after Ctrl+End
// the caret's line, the last, is whole above the bar: its pixels are those of the same text on the
// line above it.
TEST_F(EndToEnd, EditorLastLineStaysWholeAboveTheScrollBarThatAppears) {
  REQUIRE_DESKTOP(d);
  REQUIRE_TOOL(xclip, "xclip");
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = tmp.File("view.xdb2");
  testsupport::WriteFile(bank, EditorBank(3));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Editor$"), "");
  std::string text;
  for (int i = 1; i <= 40; ++i)
    text += (i == 3    ? std::string(300, 'x')
             : i >= 39 ? std::string("MMMMMMMMMMMM")
                       : "line " + std::to_string(i)) +
            (i < 40 ? "\n" : "");
  Clipboard{xclip}.Put(text);
  d.Click(kCodeX + 200, kCodeY + 100);
  d.Key("ctrl+v");
  d.Key("ctrl+End");  // the caret is there already: nothing scrolls
  d.WindowShot("e2e-editor-bar-appears.png");
  const QImage shot(QString::fromStdString(testsupport::ArtifactDir() + "/e2e-editor-bar-appears.png"));
  ASSERT_FALSE(shot.isNull());
  // Dark pixels of each band of text rows in the code's columns 2 to 9 (clear of the caret
  // after the twelfth and of the bar's arrows).
  std::vector<int> bands;
  bool inBand = false;
  for (int y = kCodeY - 8; y < std::min(shot.height(), 460); ++y) {
    int dark = 0;
    for (int x = kCodeX + 14; x < kCodeX + 72 && x < shot.width(); ++x) dark += qGray(shot.pixel(x, y)) < 100;
    if (dark > 0 && !inBand) bands.push_back(0);
    if (dark > 0) bands.back() += dark;
    inBand = dark > 0;
  }
  ASSERT_GE(bands.size(), 3u);
  EXPECT_EQ(bands.back(), bands[bands.size() - 2]) << "the last line is cut by the scroll bar";
  EXPECT_NE(bands[bands.size() - 2], bands[bands.size() - 3]);  // "line 38": the line before stays
  d.Key("ctrl+s");
  ASSERT_EQ(d.Exit(), "");
}

// Word wrap on (Ctrl+W, as a user switches it on), then about 300 characters of prose typed key by
// key at a person's pace: the record stores exactly what was typed. A blank typed where a row wraps
// used to be dropped and the caret went back into the line's first row, so the rest of the prose
// landed in the middle of the line.
TEST_F(EndToEnd, EditorWordWrapStoresProseAsTyped) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = tmp.File("wrap.xdb2");
  testsupport::WriteFile(bank, EditorBank(3));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Editor$"), "");
  d.Click(kCodeX, kCodeY);
  d.Key("ctrl+w");
  const std::string prose =
      "the quick brown fox jumps over the lazy dog and keeps running across the wide green field while a small "
      "bird sings in the tall tree by the river, and the old miller counts his sacks of grain twice before the "
      "sun goes down behind the hills where the shepherds bring their flocks home for the night and more";
  d.Xdo({"type", "--delay", "25", prose});
  d.WindowShot("e2e-editor-word-wrap.png");
  d.Key("ctrl+s");
  const auto data = [&] { return apptest::XPath(bank, "string(//record[@ID='3']/data)"); };
  std::string stored;
  EXPECT_TRUE(Eventually([&] { return (stored = data()).size() >= prose.size(); })) << stored;
  EXPECT_EQ(stored, prose);
  ASSERT_EQ(d.Exit(), "");
}

// "abcdef" over "a😀bcd": Ctrl+Home, Right, Right, Down puts the caret on the emoji's right half,
// which is no place between characters: the caret stands before the emoji, and X typed there is
// saved with the emoji whole. The caret used to stand between the pair's halves, and the file held
// each half as U+FFFD around the X.
TEST_F(EndToEnd, EditorCaretNeverSplitsACharacterBeyondUFFFF) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  const std::string bank = tmp.File("emoji.xdb2");
  testsupport::WriteFile(bank, CodeBank("abcdef\na\xF0\x9F\x98\x80"
                                        "bcd"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Editor$"), "");
  d.Click(kCodeX + 200, kCodeY + 60);
  d.Xdo({"key", "--delay", "60", "ctrl+Home", "Right", "Right", "Down", "X"});
  d.Key("ctrl+s");
  std::string bytes;
  EXPECT_TRUE(Eventually([&] { return (bytes = testsupport::ReadFile(bank)).find('X') != std::string::npos; }));
  EXPECT_NE(bytes.find("abcdef"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("aX\xF0\x9F\x98\x80"
                       "bcd"),
            std::string::npos)
      << bytes;
  EXPECT_EQ(bytes.find("\xEF\xBF\xBD"), std::string::npos) << bytes;
  ASSERT_EQ(d.Exit(), "");
}

// Characters beyond U+FFFF and double-width glyphs typed and selected through the keyboard. In
// overwrite mode (Insert) a typed emoji takes the place of one character. A keyboard column block
// (Ctrl+Shift+C, Shift+Right twice, Shift+Down) takes the same screen columns of both lines: the
// two CJK glyphs over "cdef", and "cd" over the emoji (a pair, whole) and "b". Delete takes what
// was copied, Ctrl+Z gives it back; the file saved each time holds exactly that text.
TEST_F(EndToEnd, EditorOverwriteAndColumnBlocksTakeWholeCharacters) {
  REQUIRE_DESKTOP(d);
  REQUIRE_TOOL(xclip, "xclip");
  ASSERT_EQ(xs.StartWindowManager(), "");
  const Clipboard clipboard{xclip};
  const std::string bank = tmp.File("wide.xdb2");
  testsupport::WriteFile(bank,
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dataroot><settings><NextNodeID>10</NextNodeID>"
                         "<LastPosition>2</LastPosition><DataBaseName>Wide</DataBaseName></settings>"
                         "<folder ID=\"1\" expanded=\"1\">Keep<record ID=\"2\">Kept<data>abcdef\nab漢字cd\nabcdefgh\n"
                         "abcdef\na😀bcde</data></record></folder></dataroot>");
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Wide$"), "");
  const auto stored = [&] {
    std::string s = apptest::XPath(bank, "string(//record[@ID='2']/data)");
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
  };
  d.Click(kCodeX, kCodeY);
  d.Key("ctrl+Home");
  d.Key("Right");
  d.Key("Insert");
  d.Type("😀");
  d.Key("Insert");
  d.Xdo({"key", "--delay", "60", "Down", "Home", "Right", "Right", "ctrl+shift+c", "shift+Right", "shift+Right",
         "shift+Down", "ctrl+c"});
  EXPECT_TRUE(Eventually([&] { return clipboard.Read() == "漢字\ncdef"; })) << clipboard.Read();
  d.WindowShot("e2e-editor-wide-column-block.png");
  d.Xdo({"key", "--delay", "60", "ctrl+shift+n", "Down", "Home", "Right", "Right", "ctrl+shift+c", "shift+Right",
         "shift+Right", "shift+Down", "ctrl+c"});
  EXPECT_TRUE(Eventually([&] { return clipboard.Read() == "cd\n😀b"; })) << clipboard.Read();
  d.Key("Delete");
  d.Key("ctrl+s");
  const std::string deleted = "a😀cdef\nab漢字cd\nabcdefgh\nabef\nacde";
  std::string now;
  EXPECT_TRUE(Eventually([&] { return (now = stored()) == deleted; })) << now;
  d.Key("ctrl+z");
  d.Key("ctrl+s");
  const std::string undone = "a😀cdef\nab漢字cd\nabcdefgh\nabcdef\na😀bcde";
  EXPECT_TRUE(Eventually([&] { return (now = stored()) == undone; })) << now;
  ASSERT_EQ(d.Exit(), "");
}

// Find with regular expressions (stored as the choice of the Find dialog; case sensitivity off),
// Ctrl+F then F3: a set of emoji takes whole characters and only those it holds, the first match
// the thumb with its skin tone and F3 the next one (never half of the waving hand beside it nor the
// darker tone after that), and the small Greek letters find the capitals. What is typed over each
// match replaces just it.
TEST_F(EndToEnd, EditorFindTakesWholeCharactersAndFoldsEveryScript) {
  REQUIRE_DESKTOP(d);
  ASSERT_EQ(xs.StartWindowManager(), "");
  d.WriteSettings("<AutoSave>0</AutoSave><MakeBackup>0</MakeBackup><FindRegExp>1</FindRegExp>");
  const std::string bank = tmp.File("find.xdb2");
  testsupport::WriteFile(bank, CodeBank("skin: 👍🏽👋🏿 end\n👨 x 👍🏽 y\nΣΊΣΥΦΟΣ"));
  ASSERT_EQ(d.Start({bank}, "^Tessaryn - Editor$"), "");
  const auto find = [&](const std::string& text) {
    d.Key("ctrl+Home");
    d.Key("ctrl+f");
    ASSERT_TRUE(Eventually([&] { return !d.Find("^Find$").empty(); }, 5000));
    d.Type(text);
    d.Key("Return");
    ASSERT_TRUE(Eventually([&] { return d.Find("^Find$").empty(); }, 5000));
  };
  d.Click(kCodeX + 200, kCodeY + 40);
  find("[👍🏽]+");
  d.Type("A");
  d.Key("F3");
  d.Type("B");
  find("σίσυφ");
  d.Type("C");
  d.Key("ctrl+s");
  const auto stored = [&] {
    std::string s = apptest::XPath(bank, "string(//record[@ID='2']/data)");
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
  };
  std::string now;
  EXPECT_TRUE(Eventually([&] { return (now = stored()) == "skin: A👋🏿 end\n👨 x B y\nCΟΣ"; })) << now;
  d.WindowShot("e2e-editor-find-wide.png");
  ASSERT_EQ(d.Exit(), "");
}
