// editdrive: the editor's real window driven with synthetic keys and mouse (QTest), as a person
// would use it: type a C++ function, double-click a word, drag it to another line, undo the drag,
// replace through the search driver. Prints one line per stage: the stage's name, then the text
// and the selected text as JSON strings. Run it on an X server (QT_QPA_PLATFORM=xcb) or offscreen.
// Exit 0; 1 when the window cannot be shown.
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <cstdio>
#include <string>

#include "ProbeSupport.h"
#include "SynPadScript.h"
#include "SystemLeakSuppressions.h"
#include "editor/SynPadSearch.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/CodePage.h"
#include "platform/qt/Drawing.h"

namespace {

void Stage(const char* name, TSynMemo& e) {
  std::printf("%s %s %s\n", name, TSynPadScript::Json(e.GetText()).c_str(),
              TSynPadScript::Json(e.GetSelText()).c_str());
  std::fflush(stdout);
}

// The middle of a buffer position's cell, in the viewport.
QPoint Cell(TSynMemo& e, TBufferCoord p, int dx = 0) {
  int x = 0, y = 0;
  e.RowColumnToPixels(e.BufferToDisplayPos(p), x, y);
  return QPoint(x + e.CharWidth() / 2 + dx, y + e.LineHeight() / 2);
}

}  // namespace

int main(int argc, char** argv) {
  ProbeRuntimeDir("editdrive");
  QApplication app(argc, argv);
  platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
  TSynPadWidget w;
  TSynMemo& e = w.Editor();
  // The record editor's code editor.
  e.SetOptions(0x066E4D76);
  e.SetTabWidth(2);
  e.SetWantTabs(true);
  e.SetFont(TSynFont("Courier New", 10));
  w.resize(520, 240);
  w.move(20, 20);
  w.show();
  if (!QTest::qWaitForWindowExposed(&w)) {
    std::fprintf(stderr, "editdrive: the window was not shown\n");
    return 1;
  }
  w.activateWindow();
  w.setFocus();
  QApplication::processEvents();
  QWidget* view = w.viewport();

  QTest::keyClicks(&w, "int add(int a, int b) {");
  QTest::keyClick(&w, Qt::Key_Return);
  QTest::keyClicks(&w, "  return a + b;");
  QTest::keyClick(&w, Qt::Key_Return);
  QTest::keyClick(&w, Qt::Key_Backspace);
  QTest::keyClicks(&w, "}");
  Stage("typed", e);

  QTest::mouseClick(view, Qt::LeftButton, {}, Cell(e, {6, 1}));
  QTest::mouseDClick(view, Qt::LeftButton, {}, Cell(e, {6, 1}));
  Stage("word", e);

  // Press on the selection, move past the drag distance in steps, release before the brace.
  QTest::mousePress(view, Qt::LeftButton, {}, Cell(e, {6, 1}));
  const QPoint from = Cell(e, {6, 1}), to = Cell(e, {1, 3}, -e.CharWidth() / 2 + 1);
  for (int i = 1; i <= 8; ++i) {
    QTest::mouseMove(view, from + (to - from) * i / 8);
    QApplication::processEvents();
  }
  QTest::mouseRelease(view, Qt::LeftButton, {}, to);
  Stage("dragged", e);

  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  Stage("undone", e);

  TSynPadSearch engine;
  e.SetSearchEngine(&engine);
  const int n = e.SearchReplace(u"a", u"x", ssoMatchCase | ssoWholeWord | ssoEntireScope | ssoReplaceAll);
  std::printf("replaced %d\n", n);
  Stage("replaced", e);
  QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
  Stage("restored", e);
  return 0;
}
