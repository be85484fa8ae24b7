// The record editor's window: a C++ record with its comments panel below, above and hidden (PNGs under
// artifacts/), the record's panel height kept through the splitter, the toolbar and menus built from
// the action table, and printing to PDF and the print preview from the frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>

#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtPrinter.h"
#include "printing/gui/SynPrintPreviewDialog.h"
#include "recordeditor/gui/uEditorFrameWidget.h"
#include "ui/ToolbarPanel.h"
#include "ui/mxXPButton.h"
#include "xml/uXMLBase2.h"

using namespace platform;
using testsupport::TempDirTest;

namespace {

const char* const kCppRecord =
    "<dataroot><HighLight>4</HighLight><record ID=\"1\" commentpanel-height=\"100\">Sample"
    "<data><![CDATA[#include <vector>\r\n// sums the values\r\nint Sum(const std::vector<int>& v) {\r\n"
    "  int s = 0;\r\n  for (int x : v) s += x;\r\n  return s;\r\n}]]></data>"
    "<comments>Taken from http://example.org/sum</comments></record></dataroot>";

class EditorFrameWindow : public TempDirTest {
 protected:
  void SetUp() override {
    SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
    SetUseBundledIconsOnly(true);
    ASSERT_TRUE(bank.LoadEncodedXML(kCppRecord));
    w.resize(640, 480);
    w.show();
    w.Frame().OpenRecord(bank::FindNodeByID(bank.Root(), 1));
    w.Frame().SetEditorEnabled(true);
    QApplication::processEvents();
  }
  void Save(const std::string& name) {
    const QImage image = w.grab().toImage();
    ASSERT_TRUE(image.save(QString::fromStdString(testsupport::ArtifactDir() + "/" + name))) << name;
  }
  // Pixels of the code editor in the colour (the C++ keywords are navy).
  int CodePixels(TColor color) {
    const QImage image = w.MemoWindow->grab().toImage();
    const QColor c(GetRValue(color), GetGValue(color), GetBValue(color));
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == c;
    return n;
  }

  TdmHighLighters set{THighlighterSetRole::Primary, tmp.File("none")};
  TXMLDataBase2 bank;
  TEditorFrameWidget w{set};
};

// A press and a release in the middle of the button, as the mouse gives them.
void ClickButton(QWidget* button) {
  const QPointF at(button->width() / 2, button->height() / 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, button->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(button, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, button->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(button, &release);
}

}  // namespace

TEST_F(EditorFrameWindow, CommentsPanelBelowAboveAndHidden) {
  EXPECT_EQ(w.EditorToolbar->height(), 26);
  EXPECT_EQ(w.CommentsPanel->height(), 116) << "the record's 100 pixels of comments under a 16-pixel title";
  EXPECT_EQ(w.CommentsTitle->height(), 16);
  EXPECT_EQ(w.CommentsPanel->y() - (w.MemoWindow->y() + w.MemoWindow->height()), 3);
  EXPECT_EQ(w.btnAlignComments->ImageIndex(), 14);
  EXPECT_TRUE(w.btnComment->Down());
  EXPECT_GT(CodePixels(clNavy), 50) << "highlighted as C/C++";
  Save("editor_frame_comments_below.png");

  w.Action(TEditorAction::AlignComments)->trigger();
  QApplication::processEvents();
  EXPECT_EQ(w.MemoWindow->y() - (w.CommentsPanel->y() + w.CommentsPanel->height()), 3);
  EXPECT_EQ(w.CommentsPanel->height(), 116);
  EXPECT_EQ(w.btnAlignComments->ImageIndex(), 15);
  Save("editor_frame_comments_above.png");

  ClickButton(w.btnComment);
  QApplication::processEvents();
  EXPECT_FALSE(w.CommentsPanel->isVisible());
  EXPECT_EQ(w.MemoWindow->height(), w.Splitter->height());
  Save("editor_frame_comments_hidden.png");

  // A smaller window squeezes the panel but keeps the record's height for the next store.
  w.resize(640, 200);
  ClickButton(w.btnComment);
  QApplication::processEvents();
  EXPECT_LT(w.CommentsPanel->height(), 116);
  TxevXMLNode2* rec = bank::FindNodeByID(bank.Root(), 1);
  w.Frame().StoreRecord();
  EXPECT_EQ(rec->GetAttribute("commentpanel-height"), "100");
  EXPECT_EQ(rec->GetAttribute("commentpanel-shown"), "1");
  EXPECT_EQ(rec->GetChildText("commentpanel-alignment"), "true");
}

TEST_F(EditorFrameWindow, ActionsFollowTheFramesStates) {
  EXPECT_EQ(w.Action(TEditorAction::EditCut)->statusTip(), "Cuts the selection and puts it on the Clipboard");
  w.UpdateActions();
  // Nothing that works on the code's selection or focus runs while the focus is elsewhere.
  EXPECT_FALSE(w.Action(TEditorAction::EditCopy)->isEnabled());
  EXPECT_FALSE(w.Action(TEditorAction::FindReplace)->isEnabled());
  EXPECT_TRUE(w.Action(TEditorAction::CopyAll)->isEnabled());
  EXPECT_TRUE(w.Action(TEditorAction::Print)->isEnabled());
  EXPECT_TRUE(w.Action(TEditorAction::LineNumbers)->isChecked());
  w.Action(TEditorAction::LineNumbers)->trigger();
  EXPECT_FALSE(w.MemoWindow->Editor().Gutter().Visible());
  EXPECT_FALSE(w.Action(TEditorAction::LineNumbers)->isChecked());
  w.ShowToolbar(false);
  EXPECT_FALSE(w.EditorToolbar->isVisible());
  // The code editor's pop-up menu.
  QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(40, 30),
                         w.MemoWindow->viewport()->mapToGlobal(QPoint(40, 30)));
  QApplication::sendEvent(w.MemoWindow->viewport(), &menu);
  EXPECT_TRUE(w.MemoMenu->isVisible());
  EXPECT_EQ(w.MemoMenu->pos(), w.MemoWindow->viewport()->mapToGlobal(QPoint(40, 30)));
  w.MemoMenu->hide();
}

TEST_F(EditorFrameWindow, PrintsTheRecordToPdfAndPreviewsIt) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  const std::string pdf = tmp.File("record.pdf");
  TQtPrinter printer;
  printer.SetOutputFile(pdf, 150);
  ScopedPrinter scopedPrinter(printer);
  ScriptedUIServices ui;
  ScopedUIServices scopedUi(ui);
  ui.PushPrint([](PrintDialogOptions& o) { o.range = PrintDialogOptions::Range::All; });
  w.Frame().SynPadPrint().Header().Add(u"$TITLE$", nullptr, hfaLeft, 1);
  w.Action(TEditorAction::Print)->trigger();
  ASSERT_EQ(ui.CallsOf(ScriptedUIServices::Kind::Print).size(), 1u);
  EXPECT_EQ(ui.LastCall().printOptions.maxPage, 1);
  const auto text = testsupport::RunProcess(pdftotext, {"-layout", pdf, "-"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  // The header's proportional font leaves pdftotext unsure of its gaps.
  std::string header = text.out.substr(0, text.out.find('#'));
  std::erase(header, ' ');
  EXPECT_NE(header.find("Sample"), std::string::npos) << "the record's title in the header:\n" << text.out;
  EXPECT_NE(text.out.find("int Sum(const std::vector<int>& v) {"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("for (int x : v) s += x;"), std::string::npos);

  int previews = 0;
  w.RunPrintPreview = [&](TdlgPrintPreview& preview) {
    ++previews;
    preview.resize(800, 600);
    preview.show();
    QApplication::processEvents();
    EXPECT_EQ(preview.StatusPanel1->text(), " Page Number: 1");
    ASSERT_TRUE(preview.grab().toImage().save(
        QString::fromStdString(testsupport::ArtifactDir() + "/editor_frame_print_preview.png")));
  };
  w.Action(TEditorAction::PrintPreview)->trigger();
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(w.Frame().SynPadPrint().Font().Size(), 10) << "13 screen pixels print as 10 points";
}

TEST_F(EditorFrameWindow, ClipboardCommandsWorkOnTheCodeAndCopyAllKeepsTheSelection) {
  TSynMemo& memo = w.MemoWindow->Editor();
  w.MemoWindow->SetRenderFocused(true);
  memo.SetBlockBegin({4, 2});
  memo.SetBlockEnd({8, 2});
  memo.SetCaretXY({8, 2});
  w.UpdateActions();
  ASSERT_TRUE(w.Action(TEditorAction::EditCopy)->isEnabled());
  w.Action(TEditorAction::EditCopy)->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "sums");
  w.Action(TEditorAction::CopyAll)->trigger();
  // The lines as the desktop ends them; the text itself keeps CR LF.
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdU16String(memo.GetText()).replace("\r\n", "\n"));
  EXPECT_EQ(memo.BlockBegin(), (TBufferCoord{4, 2}));
  EXPECT_EQ(memo.BlockEnd(), (TBufferCoord{8, 2}));
  EXPECT_EQ(memo.GetCaretXY(), (TBufferCoord{8, 2}));
  w.Action(TEditorAction::EditCut)->trigger();
  EXPECT_EQ(memo.LineText(2), u"//  the values");
  EXPECT_TRUE(w.Frame().IsModified());
  w.UpdateActions();
  w.Action(TEditorAction::EditUndo)->trigger();
  EXPECT_EQ(memo.LineText(2), u"// sums the values");
  w.MemoWindow->SetRenderFocused(false);
}

// The view options button has no command of its own: a press anywhere on it, not only on its arrow,
// opens its menu. Its tool tip names it.
TEST_F(EditorFrameWindow, ViewOptionsOpenFromAnywhereOnTheButton) {
  EXPECT_EQ(w.btnViewOptions->toolTip(), "View Options");
  QWidget* opened = nullptr;
  QTimer::singleShot(0, [&] {
    opened = QApplication::activePopupWidget();
    if (opened) opened->close();
  });
  const QPointF at(4, w.btnViewOptions->height() / 2);  // the left end, away from the arrow
  QMouseEvent press(QEvent::MouseButtonPress, at, w.btnViewOptions->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w.btnViewOptions, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w.btnViewOptions->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w.btnViewOptions, &release);
  QApplication::processEvents();
  EXPECT_EQ(opened, w.EditorOptionsDropdownMenu);
}
