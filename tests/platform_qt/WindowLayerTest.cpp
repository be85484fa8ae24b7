#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFontDatabase>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/Lifecycle.h"
#include "platform/Shortcuts.h"
#include "platform/UIServices.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtShortcuts.h"
#include "platform/qt/QtUIServices.h"

using namespace platform;

// ---- two-phase creation ----

namespace {
std::vector<std::string> g_log;

class Base : public TLifecycle {
 public:
  Base() { Hook("ctor"); }  // a constructor cannot reach the override
  ~Base() override { g_log.push_back("~Base"); }
  virtual void Hook(const std::string& where) { g_log.push_back("Base::Hook@" + where); }

 protected:
  void AfterConstruction() override { Hook("after"); }
  void BeforeDestruction() override { Hook("before"); }
};

class Derived : public Base {
 public:
  explicit Derived(bool failInHook = false) : fail_(failInHook) {}
  ~Derived() override { g_log.push_back("~Derived"); }
  void Hook(const std::string& where) override {
    g_log.push_back("Derived::Hook@" + where);
    if (fail_ && where == "after") throw std::runtime_error("hook failed");
  }

 private:
  bool fail_;
};
}  // namespace

TEST(Lifecycle, HooksReachTheMostDerivedClassOnBothEnds) {
  g_log.clear();
  Derived* d = Construct<Derived>();
  EXPECT_TRUE(d->Constructed());
  Destroy(d);
  EXPECT_EQ(g_log, (std::vector<std::string>{"Base::Hook@ctor", "Derived::Hook@after", "Derived::Hook@before",
                                             "~Derived", "~Base"}));
  g_log.clear();
  { Owned<Derived> owned = MakeOwned<Derived>(); }
  EXPECT_EQ(g_log.size(), 5u);
  EXPECT_EQ(g_log[2], "Derived::Hook@before");
}

TEST(Lifecycle, FailingCreationHookFreesTheObject) {
  g_log.clear();
  EXPECT_THROW(Construct<Derived>(true), std::runtime_error);
  ASSERT_GE(g_log.size(), 2u);
  EXPECT_EQ(g_log.back(), "~Base");  // nothing leaks (the sanitizer build would report it)
}

// ---- application object ----

namespace {
class FakeBackend : public IApplicationBackend {
 public:
  std::vector<std::string> calls;
  void MinimizeWindows() override { calls.push_back("min"); }
  void RestoreWindows() override { calls.push_back("restore"); }
  void HideWindows() override { calls.push_back("hide"); }
  void ShowWindows() override { calls.push_back("show"); }
  void ProcessMessages() override {}
  void Terminate() override { calls.push_back("quit"); }
};
}  // namespace

TEST(TApplication, MinimiseAndRestoreEventsFireOncePerChange) {
  TApplication& app = TApplication::Instance();
  IApplicationBackend* saved = app.Backend();
  FakeBackend backend;
  app.SetBackend(&backend);
  int mins = 0, restores = 0;
  app.OnMinimize = [&] { ++mins; };
  app.OnRestore = [&] { ++restores; };
  app.Minimize();
  app.Minimize();
  app.NotifyMinimized();
  EXPECT_TRUE(app.Minimized());
  EXPECT_EQ(mins, 1);
  app.Restore();
  app.NotifyRestored();
  EXPECT_EQ(restores, 1);
  EXPECT_FALSE(app.Minimized());
  app.Hide();
  EXPECT_TRUE(app.Hidden());
  app.Restore();  // restoring brings a hidden program back too
  EXPECT_FALSE(app.Hidden());
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"min", "min", "restore", "hide", "restore"}));
  // A failing handler reaches the error handler, not the caller.
  ScriptedUIServices ui;
  ScopedUIServices use(ui);
  app.OnMinimize = [] { throw Exception("bad"); };
  EXPECT_NO_THROW(app.Minimize());
  EXPECT_EQ(ui.CallsOf(ScriptedUIServices::Kind::Exception).size(), 1u);
  app.OnMinimize = nullptr;
  app.OnRestore = nullptr;
  app.NotifyRestored();
  app.SetBackend(saved);
}

TEST(QtApplicationBackend, FrameMinimiseDrivesTheEventsAndSecondaryWindowsDoNotMinimiseAlone) {
  QtApplicationBackend backend;
  TApplication& app = TApplication::Instance();
  IApplicationBackend* saved = app.Backend();
  app.SetBackend(&backend);
  app.NotifyRestored();
  QWidget main;
  main.resize(200, 100);
  backend.SetMainWindow(&main);
  main.show();
  int mins = 0, restores = 0;
  app.OnMinimize = [&] { ++mins; };
  app.OnRestore = [&] { ++restores; };
  main.setWindowState(Qt::WindowMinimized);  // as the window system would
  EXPECT_EQ(mins, 1);
  EXPECT_TRUE(app.Minimized());
  app.Restore();
  EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
  EXPECT_EQ(restores, 1);

  QWidget second;
  second.resize(100, 50);
  backend.WatchSecondaryWindow(&second);
  second.show();
  second.setWindowState(Qt::WindowMinimized);
  EXPECT_FALSE(second.windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
  EXPECT_EQ(mins, 2);

  int ends = 0;
  backend.OnSessionEnd = [&] { ++ends; };
  backend.EndSession();
  backend.EndSession();
  EXPECT_EQ(ends, 1);
  app.OnMinimize = nullptr;
  app.OnRestore = nullptr;
  app.NotifyRestored();
  app.SetBackend(saved);
}

// A call that waits for the modal windows to go waits without a clock: while a modal dialog is up
// and nothing happens, the event loop sleeps; once the dialog has closed and its loop has ended, the
// call runs from the next loop that has nothing left to do, and not before.
TEST(WindowLayer, WhenNoModalWindowWaitsWithoutWakingTheLoop) {
  QtApplicationBackend& backend = QtApplication();
  QDialog dialog;
  dialog.setModal(true);
  int ran = 0, ranWhileUp = 0, wakes = -1;
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  ASSERT_NE(dispatcher, nullptr);
  int awake = 0;
  const QMetaObject::Connection counting =
      QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { ++awake; });
  QTimer::singleShot(0, &dialog, [&] {
    backend.WhenNoModalWindow([&] {
      ++ran;
      if (QApplication::activeModalWidget() || QThread::currentThread()->loopLevel() > 1) ++ranWhileUp;
    });
    EXPECT_EQ(ran, 0);
    awake = 0;
    QTimer::singleShot(400, &dialog, [&] {
      wakes = awake;
      dialog.reject();
    });
  });
  dialog.exec();
  EXPECT_EQ(ran, 0);  // the step that showed the dialog has not returned yet
  QEventLoop outer;
  QTimer::singleShot(300, &outer, &QEventLoop::quit);
  outer.exec();
  QObject::disconnect(counting);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(ranWhileUp, 0);
  // 400 ms of a dialog nobody touches: a loop woken every 10 ms would count 40.
  EXPECT_GE(wakes, 0);
  EXPECT_LT(wakes, 10);
  // With nothing up, it runs at once.
  backend.WhenNoModalWindow([&] { ++ran; });
  EXPECT_EQ(ran, 2);
}

// ---- shortcut order ----

TEST(Shortcuts, RouteOrder) {
  EXPECT_EQ(RouteKey(true, true, true), KeyRoute::FocusedControl);
  EXPECT_EQ(RouteKey(false, true, true), KeyRoute::WindowAction);
  EXPECT_EQ(RouteKey(false, false, true), KeyRoute::ControlKeyTable);
  EXPECT_EQ(RouteKey(false, false, false), KeyRoute::Default);
}

TEST(Shortcuts, EditorKeepsTypingKeysWindowKeepsItsCommands) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  auto* save = new QAction("Save", &window);
  save->setShortcut(QKeySequence("Ctrl+S"));
  window.addAction(save);
  auto* del = new QAction("Delete node", &window);
  del->setShortcut(QKeySequence(Qt::Key_Delete));
  window.addAction(del);

  QKeyEvent ctrlS(QEvent::ShortcutOverride, Qt::Key_S, Qt::ControlModifier, "\x13");
  ctrlS.ignore();
  EXPECT_EQ(HandleShortcutOverride(edit, &ctrlS, true, true), KeyRoute::WindowAction);
  EXPECT_FALSE(ctrlS.isAccepted());

  QKeyEvent delKey(QEvent::ShortcutOverride, Qt::Key_Delete, Qt::NoModifier);
  delKey.ignore();
  EXPECT_EQ(HandleShortcutOverride(edit, &delKey, true, false), KeyRoute::FocusedControl);
  EXPECT_TRUE(delKey.isAccepted());

  // A disabled command does not claim its key: the editor's table gets it.
  save->setEnabled(false);
  QKeyEvent again(QEvent::ShortcutOverride, Qt::Key_S, Qt::ControlModifier, "\x13");
  again.ignore();
  EXPECT_EQ(HandleShortcutOverride(edit, &again, true, true), KeyRoute::ControlKeyTable);
  EXPECT_TRUE(again.isAccepted());
}

// ---- drawing helpers ----

TEST(Drawing, TextMeasureFollowsLinesPrefixAndWrap) {
  QFont f("DejaVu Sans", 9);
  QFontMetrics fm(f);
  QRect r(0, 0, 50, 1);
  int h = CalcTextRect(fm, "ab\nlonger line\r\nx", r, DT_CALCRECT | DT_NOPREFIX | DT_VCENTER);
  EXPECT_EQ(h, 3 * fm.height());
  EXPECT_EQ(r.width(), fm.horizontalAdvance("longer line"));  // no wrap: longest line, wider than 50
  EXPECT_EQ(r.height(), h);
  // Prefix: "&&" is one "&", "&x" is x.
  QRect r2(0, 0, 10, 1);
  CalcTextRect(fm, "A&&B&c", r2, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r2.width(), fm.horizontalAdvance("A&Bc"));
  EXPECT_EQ(PrefixCharIndex("A&&B&c"), 3);
  QRect r3(0, 0, 10, 1);
  CalcTextRect(fm, "A&&B&c", r3, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r3.width(), fm.horizontalAdvance("A&&B&c"));
  // Word wrap keeps the width and breaks between words; a text narrower than the rectangle keeps the
  // rectangle's width, a word wider than it widens it.
  const int w = fm.horizontalAdvance("word word");
  QRect r4(0, 0, w, 1);
  CalcTextRect(fm, "word word word word", r4, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(r4.height(), 2 * fm.height());
  EXPECT_EQ(r4.width(), w);
  QRect wide(0, 0, 10 * w, 1);
  CalcTextRect(fm, "a b", wide, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(wide.width(), 10 * w);
  EXPECT_EQ(wide.height(), fm.height());
  QRect narrow(0, 0, fm.horizontalAdvance("word") / 2, 1);
  CalcTextRect(fm, "word", narrow, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(narrow.width(), fm.horizontalAdvance("word"));
  // A single line takes each line break (CR LF counts as two) as a blank.
  EXPECT_EQ(TextLines(fm, "a\r\nb\nc\rd", 100, DT_SINGLELINE | DT_NOPREFIX), QStringList{"a  b c d"});
  QRect one(0, 0, 10, 1);
  EXPECT_EQ(CalcTextRect(fm, "a\nb", one, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX), fm.height());
  EXPECT_EQ(one.width(), fm.horizontalAdvance("a b"));
  // An empty text is one empty line.
  QRect r5(0, 0, 10, 1);
  EXPECT_EQ(CalcTextRect(fm, "", r5, DT_CALCRECT), fm.height());
  EXPECT_EQ(r5.width(), 0);
}

TEST(Drawing, EndEllipsisCutsEachLongLine) {
  QImage img(60, 40, QImage::Format_ARGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setFont(QFont("DejaVu Sans", 9));
  p.setPen(Qt::black);
  QRect r(0, 0, 60, 40);
  QStringList lines = TextLines(p.fontMetrics(), "short\na much much longer line", 60, DT_NOPREFIX);
  ASSERT_EQ(lines.size(), 2);
  DrawText(p, "short\na much much longer line", r, DT_END_ELLIPSIS | DT_NOPREFIX);
  p.end();
  // Something was drawn on the second line, and nothing beyond the rectangle's right edge exists.
  bool inked = false;
  const int lh = QFontMetrics(QFont("DejaVu Sans", 9)).height();
  for (int y = lh; y < 2 * lh && y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      if (img.pixelColor(x, y) != QColor(Qt::white)) inked = true;
  EXPECT_TRUE(inked);
}

namespace {

// The box of everything DrawText inked on a white image of the given size, text in rect r.
QRect InkOf(const QString& text, QRect r, unsigned flags, QSize image = {200, 40}) {
  QImage img(image, QImage::Format_ARGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setFont(QFont("DejaVu Sans", 9));
  p.setPen(Qt::black);
  DrawText(p, text, r, flags);
  p.end();
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) != QColor(Qt::white)) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

// Alignment moves the ink by exactly the free space (or half of it); an end ellipsis keeps a long line
// inside the rectangle even unclipped; tabs stand at multiples of eight average characters.
TEST(Drawing, AlignmentEllipsisAndTabsPlaceTheText) {
  const QFontMetrics fm(QFont("DejaVu Sans", 9));
  const QRect r(0, 0, 100, 40);
  const unsigned one = DT_SINGLELINE | DT_NOPREFIX;
  const QRect home = InkOf("X", r, one);
  ASSERT_FALSE(home.isEmpty());
  const int freeX = r.width() - fm.horizontalAdvance("X"), freeY = r.height() - fm.height();
  struct Case {
    unsigned flags;
    int dx, dy;
  };
  for (const Case& c : {Case{DT_CENTER, freeX / 2, 0}, Case{DT_RIGHT, freeX, 0}, Case{DT_VCENTER, 0, freeY / 2},
                        Case{DT_BOTTOM, 0, freeY}, Case{DT_CENTER | DT_VCENTER, freeX / 2, freeY / 2}})
    EXPECT_EQ(InkOf("X", r, one | c.flags), home.translated(c.dx, c.dy)) << c.flags;

  const QString longText = "WWWWWWWWWWWWWWWWWWWW";
  ASSERT_GT(InkOf(longText, QRect(0, 0, 60, 40), one | DT_NOCLIP).right(), 60);
  EXPECT_LT(InkOf(longText, QRect(0, 0, 60, 40), one | DT_NOCLIP | DT_END_ELLIPSIS).right(), 60);

  const QStringList tabbed = TextLines(fm, "a\tb", 1000, DT_EXPANDTABS | DT_NOPREFIX);
  ASSERT_EQ(tabbed.size(), 1);
  EXPECT_FALSE(tabbed[0].contains(u'\t'));
  EXPECT_GE(fm.horizontalAdvance(tabbed[0].left(tabbed[0].size() - 1)), 8 * fm.averageCharWidth());
  EXPECT_EQ(TextLines(fm, "a\tb", 1000, DT_NOPREFIX), QStringList{"a\tb"});
}

TEST(Drawing, EdgeUsesTheButtonColoursAndAdjusts) {
  QImage img(10, 10, QImage::Format_RGB32);
  img.fill(Qt::magenta);
  QPainter p(&img);
  QRect r(0, 0, 10, 10);
  DrawEdge(p, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE);
  p.end();
  EXPECT_EQ(r, QRect(2, 2, 6, 6));
  EXPECT_EQ(img.pixelColor(0, 0), ToQColor(clBtnShadow));     // outer top-left
  EXPECT_EQ(img.pixelColor(9, 9), ToQColor(clBtnHighlight));  // outer bottom-right
  EXPECT_EQ(img.pixelColor(1, 1), ToQColor(cl3DDkShadow));
  EXPECT_EQ(img.pixelColor(8, 8), ToQColor(cl3DLight));
  EXPECT_EQ(img.pixelColor(5, 5), ToQColor(clBtnFace));
}

TEST(Drawing, DialogUnitsFromTheFont) {
  QFont f("DejaVu Sans", 9);
  QFontMetrics fm(f);
  const QSize base = DialogBaseUnits(f);
  const int avg = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
  EXPECT_EQ(base.width(), avg);
  EXPECT_EQ(base.height(), fm.height());
  EXPECT_EQ(DluToPixelsX(f, 4), avg);
  EXPECT_EQ(DluToPixelsY(f, 8), fm.height());
  QRect px = DluToPixels(f, QRect(0, 0, 186, 60));
  EXPECT_NEAR(px.width(), 186 * avg / 4.0, 1.0);
  EXPECT_NEAR(px.height(), 60 * fm.height() / 8.0, 1.0);
}

TEST(Fonts, ProgramFontNamesMapToTheDesktopFonts) {
  SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
  QFont ui = MapFont("MS Sans Serif", -11);
  EXPECT_EQ(ui.family(), "DejaVu Sans");
  EXPECT_EQ(ui.pixelSize(), 11);
  QFont mono = MapFont("Courier New", 10);
  EXPECT_EQ(mono.family(), "DejaVu Sans Mono");
  EXPECT_EQ(mono.pointSize(), 10);
  EXPECT_TRUE(QFontInfo(mono).fixedPitch());
  SetFontSubstitutes("", "");
}

// ---- icons ----

TEST(Icons, BundledFallbacksRender) {
  for (const char* name : {"application-exit", "open-menu", "dialog-password", "tessaryn", "document-save"}) {
    ASSERT_TRUE(HasBundledIcon(name)) << name;
    QPixmap pm = BundledIcon(name).pixmap(16, 16);
    ASSERT_FALSE(pm.isNull()) << name;
    QImage img = pm.toImage();
    int opaque = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (qAlpha(img.pixel(x, y)) > 0) ++opaque;
    EXPECT_GT(opaque, 5) << name << " renders nothing";
  }
  EXPECT_FALSE(HasBundledIcon("no-such-icon"));
  EXPECT_TRUE(ThemeIcon("no-such-icon").isNull());
  SetUseBundledIconsOnly(true);
  EXPECT_FALSE(ThemeIcon("edit-copy").isNull());
  SetUseBundledIconsOnly(false);
  ProgramIcon().pixmap(48, 48).save(QString::fromStdString(testsupport::ArtifactDir() + "/program-icon.png"));
}

// ---- the Qt UI services ----

TEST(QtUIServices, MessageBoxButtonsCarryTheClassicResults) {
  std::unique_ptr<QMessageBox> box(QtUIServices::BuildMessageBox(
      "Data has been changed. Do you want to save?", "Tessaryn", MsgButtons::YesNoCancel, MsgIcon::Warning, nullptr));
  EXPECT_EQ(box->windowTitle(), "Tessaryn");
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  auto buttons = box->buttons();
  ASSERT_EQ(buttons.size(), 3);
  std::vector<int> results;
  for (auto* b : buttons) results.push_back(b->property("dialogResult").toInt());
  std::sort(results.begin(), results.end());
  EXPECT_EQ(results, (std::vector<int>{mrCancel, mrYes, mrNo}));
  EXPECT_EQ(box->escapeButton()->property("dialogResult").toInt(), mrCancel);
  EXPECT_EQ(box->defaultButton()->property("dialogResult").toInt(), mrYes);
  box->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/messagebox-yesnocancel.png"));

  std::unique_ptr<QMessageBox> err(
      QtUIServices::BuildMessageBox("Could not open DataBank!", "Error", MsgButtons::Ok, MsgIcon::None, nullptr));
  EXPECT_EQ(err->icon(), QMessageBox::NoIcon);
  ASSERT_EQ(err->buttons().size(), 1);
  EXPECT_EQ(err->escapeButton()->property("dialogResult").toInt(), mrOk);

  EXPECT_EQ(QtUIServices::NameFilters("XML DataBank|*.xdb2"), QStringList{"XML DataBank (*.xdb2)"});
  // A language's filter names its patterns itself: the dialog shows them once.
  EXPECT_EQ(QtUIServices::NameFilters("UNIX Shell Scripts (*.sh)|*.sh"), QStringList{"UNIX Shell Scripts (*.sh)"});
}

TEST(QtUIServices, PromptsWithoutHooksCountAsCancelled) {
  QtUIServices ui;
  std::string pw = "keep";
  EXPECT_FALSE(ui.AskFilePassword("/x/y.xdb2", pw));
  EXPECT_EQ(pw, "keep");
  ui.FilePasswordPrompt = [](const std::string& f, const std::string& why, std::string& p, QWidget*) {
    p = "from " + f + why;
    return true;
  };
  EXPECT_TRUE(ui.AskFilePassword("y", pw));
  EXPECT_EQ(pw, "from y");
  // Asked again, the prompt is told why.
  EXPECT_TRUE(ui.AskFilePasswordAgain("y", ": wrong", pw));
  EXPECT_EQ(pw, "from y: wrong");
  EXPECT_FALSE(ui.OpenUrl(""));
}

TEST(GuardedApplication, EscapingExceptionIsShownNotFatal) {
  ScriptedUIServices ui;
  ScopedUIServices use(ui);
  EXPECT_TRUE(DeliverGuarded([] { return true; }));
  EXPECT_FALSE(DeliverGuarded([]() -> bool { throw Exception("handler failed"); }));
  auto shown = ui.CallsOf(ScriptedUIServices::Kind::Exception);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "handler failed");
}
