// What the editor benchmarks share besides the application (bench_app.h): a C++ text of any length,
// the control's window with the C++ highlighter, and its peer: a QPlainTextEdit with a minimal
// keyword-colouring QSyntaxHighlighter (it lives only here). Both windows have their scroll bars as a
// user has them: shown where the text needs them (the record editor's eoHideShowScrollbars, the
// peer's default). Header-only.
#pragma once

#include <QApplication>
#include <QPlainTextEdit>
#include <QSet>
#include <QSyntaxHighlighter>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "bench_app.h"
#include "editor/gui/SynPadWidget.h"
#include "highlighters/SynHighlighterCpp.h"
#include "platform/CodePage.h"
#include "platform/qt/Drawing.h"

inline const char* const kCppKeywords[] = {"int",       "return",   "if",       "else",     "for",    "while",
                                           "const",     "auto",     "void",     "class",    "struct", "static",
                                           "namespace", "template", "typename", "unsigned", "char",   "bool",
                                           "true",      "false",    "nullptr",  "switch",   "case",   "break"};

// C++ of the given number of lines (55 bytes a line on average): functions, loops, comments,
// strings and indentation. Made once per count.
inline const std::string& CppText(int Lines) {
  static std::map<int, std::string> texts;
  std::string& t = texts[Lines];
  if (t.empty()) {
    std::mt19937 rng(11);
    const char* idents[] = {"value", "count", "index", "buffer", "result", "node", "item", "total", "width", "height"};
    t.reserve(static_cast<size_t>(Lines) * 56);
    for (int i = 0; i < Lines; ++i) {
      const int kind = static_cast<int>(rng() % 8);
      std::string line(static_cast<size_t>(2 * (rng() % 4)), ' ');
      const char* a = idents[rng() % 10];
      const char* b = idents[rng() % 10];
      switch (kind) {
        case 0:
          line += "// " + std::string(a) + " keeps the " + b + " of the current block in range";
          break;
        case 1:
          line += "for (int " + std::string(a) + " = 0; " + a + " < " + b + "; ++" + a + ") {  /* loop */";
          break;
        case 2:
          line += "const auto " + std::string(a) + " = compute(" + b + ", \"text " + std::to_string(i) + "\");";
          break;
        case 3:
          line += "if (" + std::string(a) + " > " + std::to_string(rng() % 1000) + " && " + b +
                  " != nullptr) return false;";
          break;
        case 4:
          line += "static unsigned " + std::string(a) + "_" + b + "(char* p, bool flag) { return 0x" +
                  std::to_string(rng() % 9999) + "; }";
          break;
        case 5:
          line += "}  // namespace " + std::string(a) + " and the rest of " + b + " as before here";
          break;
        case 6:
          line += std::string(a) + "->" + b + " += " + a + "[" + std::to_string(rng() % 64) + "] * 3.25;  // scale it";
          break;
        default:
          line += "return " + std::string(a) + " + " + b + " - " + a + " * " + b + " / 2;  // plain arithmetic";
          break;
      }
      t += line;
      t += '\n';
    }
  }
  return t;
}

// The peer's highlighter: identifiers looked up in the same keyword set, "//" comments.
class PeerHighlighter : public QSyntaxHighlighter {
 public:
  explicit PeerHighlighter(QTextDocument* doc) : QSyntaxHighlighter(doc) {
    for (const char* k : kCppKeywords) keywords.insert(QString::fromLatin1(k));
    keyword.setFontWeight(QFont::Bold);
    keyword.setForeground(QColor(0, 0, 128));
    comment.setForeground(QColor(0, 128, 0));
  }

 protected:
  void highlightBlock(const QString& text) override {
    const int n = static_cast<int>(text.size());
    int i = 0;
    while (i < n) {
      const QChar c = text[i];
      if (c == u'/' && i + 1 < n && text[i + 1] == u'/') {
        setFormat(i, n - i, comment);
        return;
      }
      if (c.isLetter() || c == u'_') {
        int j = i + 1;
        while (j < n && (text[j].isLetterOrNumber() || text[j] == u'_')) ++j;
        if (keywords.contains(QStringView(text).mid(i, j - i).toString())) setFormat(i, j - i, keyword);
        i = j;
      } else {
        ++i;
      }
    }
  }

 private:
  QSet<QString> keywords;
  QTextCharFormat keyword, comment;
};

struct OursWindow {
  TSynCppSyn hl;
  TSynPadWidget w;
  TSynMemo& e = w.Editor();
  explicit OursWindow(int Width = 1600, int Height = 1000) {
    w.setFrameShape(QFrame::NoFrame);
    w.resize(Width, Height);
    e.SetOptions(e.Options() | SynOpt(eoHideShowScrollbars));
    w.show();
    QApplication::processEvents();
    e.SetFont(TSynFont("Courier New", 10));
    e.Gutter().SetShowLineNumbers(true);
    e.Gutter().SetAutoSize(true);
    e.SetHighlighter(&hl);
  }
  ~OursWindow() { e.SetHighlighter(nullptr); }
  void Load(const std::string& utf8) { e.SetText(codepage::Utf8ToUtf16(utf8)); }
};

struct PeerWindow {
  QPlainTextEdit w;
  PeerHighlighter* hl = nullptr;
  // Plain (not Highlighted), the peer at its fastest: its highlighter costs it milliseconds a key.
  explicit PeerWindow(int Width = 1600, int Height = 1000, bool Highlighted = true) {
    w.setFrameShape(QFrame::NoFrame);
    w.setLineWrapMode(QPlainTextEdit::NoWrap);
    w.setFont(platform::MapFont("Courier New", 10));
    w.resize(Width, Height);
    w.show();
    QApplication::processEvents();
    if (Highlighted) hl = new PeerHighlighter(w.document());
  }
  void Load(const std::string& utf8) {
    w.setPlainText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  }
};
