#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "ui/ImgList_Override.h"
#include "ui/TrayIcon.h"

using platform::TrayActivation;
using platform::TrayIconData;

namespace {

struct FakeBackend : platform::ITrayBackend {
  struct Log {
    std::vector<std::string> calls;  // "add 0", "modify 0", "delete 0"
    std::vector<TrayIconData> data;  // what each add/modify carried
    bool available = true;
    bool addResult = true;
    bool throwOnAdd = false;
    bool throwOnDelete = false;
    bool shown = false;
  };
  explicit FakeBackend(Log& log) : log(log) {}
  bool Available() const override { return log.available; }
  bool Add(const TrayIconData& d) override {
    if (log.throwOnAdd) throw std::runtime_error("desktop gone");
    log.calls.push_back("add " + std::to_string(d.id));
    log.data.push_back(d);
    log.shown = log.available && log.addResult;
    return log.shown;
  }
  void Modify(const TrayIconData& d) override {
    log.calls.push_back("modify " + std::to_string(d.id));
    log.data.push_back(d);
  }
  bool Delete(int id) override {
    if (log.throwOnDelete) throw std::runtime_error("desktop gone");
    log.calls.push_back("delete " + std::to_string(id));
    const bool was = log.shown;
    log.shown = false;
    return was;
  }
  Log& log;
};

struct FakeHost : ITrayHost {
  struct Log {
    std::vector<std::string> calls;
    bool ownerVisible = true;
    bool ownerIsWindow = true;
    unsigned shift = 0;
    QPoint cursor{100, 200};
    bool showMainForm = true;
    std::function<void(QMenu*)> onPopup;
  };
  explicit FakeHost(Log& log) : log(log) {}
  void ShowApp() override {
    log.calls.push_back("showApp");
    log.ownerVisible = true;
  }
  void HideApp() override {
    log.calls.push_back("hideApp");
    log.ownerVisible = false;
  }
  void MinimizeApp() override { log.calls.push_back("minimizeApp"); }
  void SetShowMainForm(bool show) override { log.showMainForm = show; }
  bool OwnerIsWindow() const override { return log.ownerIsWindow; }
  bool OwnerVisible() const override { return log.ownerVisible; }
  void ShowOwner() override {
    log.calls.push_back("showOwner");
    log.ownerVisible = true;
  }
  void BringOwnerToFront() override { log.calls.push_back("front"); }
  QPoint CursorPos() const override { return log.cursor; }
  unsigned KeyboardShift() const override { return log.shift; }
  void ProcessMessages() override {}
  void PopupMenu(QMenu* menu, QPoint p) override {
    log.calls.push_back("popup " + std::to_string(p.x()) + "," + std::to_string(p.y()));
    if (log.onPopup) log.onPopup(menu);
  }
  Log& log;
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override { StartMinimized = false; }
  void TearDown() override { StartMinimized = false; }
  std::unique_ptr<TTrayIcon> Make() {
    return std::make_unique<TTrayIcon>(nullptr, std::make_unique<FakeBackend>(backend),
                                       std::make_unique<FakeHost>(host));
  }
  platform::FakeEventLoop loop;
  platform::ScopedEventLoop scopedLoop{loop};
  platform::ScriptedUIServices ui;
  platform::ScopedUIServices scopedUi{ui};
  FakeBackend::Log backend;
  FakeHost::Log host;
  std::vector<std::string> events;
};

}  // namespace

TEST_F(TrayIconTest, DefaultsAndNoTimerWithoutCycling) {
  auto tray = Make();
  EXPECT_FALSE(tray->CycleIcons());
  EXPECT_EQ(tray->CycleInterval(), 200u);
  EXPECT_TRUE(tray->CallbacksEnabled());
  EXPECT_TRUE(tray->ShowHint());
  EXPECT_FALSE(tray->Visible());
  EXPECT_EQ(tray->ImageIndex(), 0);
  EXPECT_EQ(tray->IconID(), 0);
  EXPECT_FALSE(tray->TimerRunning());
  EXPECT_EQ(loop.RunningTimers(), 0u);
  EXPECT_TRUE(backend.calls.empty());
}

TEST_F(TrayIconTest, HintIsCutTo63CharactersAndHiddenWithoutShowHint) {
  auto tray = Make();
  tray->SetHint(std::string(70, 'x'));
  EXPECT_EQ(tray->Hint(), std::string(63, 'x'));
  // Characters, not bytes: 70 two-byte characters keep 63 whole ones.
  std::string umlauts;
  for (int i = 0; i < 70; ++i) umlauts += "\xC3\xA4";
  tray->SetHint(umlauts);
  EXPECT_EQ(tray->Hint().size(), 126u);
  EXPECT_EQ(backend.data.back().tip, tray->Hint());
  tray->SetShowHint(false);
  EXPECT_EQ(backend.data.back().tip, "");
}

TEST_F(TrayIconTest, ShowHideAndIconIdChange) {
  auto tray = Make();
  tray->OnShow = [&](TTrayIcon*) { events.push_back("show"); };
  tray->OnHide = [&](TTrayIcon*) { events.push_back("hide"); };
  tray->SetVisible(true);
  EXPECT_TRUE(tray->Visible());
  EXPECT_TRUE(backend.data.back().hasIcon);
  tray->SetVisible(true);  // no change, no second add
  backend.calls.clear();
  tray->SetIconID(7);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"delete 0", "add 7"}));
  EXPECT_TRUE(tray->Visible());
  backend.calls.clear();
  tray->SetVisible(false);
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"delete 7"}));
  tray->SetIconID(9);  // invisible: neither removed nor added
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"delete 7"}));
  EXPECT_FALSE(tray->Visible());
  EXPECT_EQ(tray->IconID(), 9);
  tray->SetVisible(true);
  EXPECT_EQ(backend.calls.back(), "add 9");
  EXPECT_EQ(events, (std::vector<std::string>{"show", "hide", "show", "hide", "show"}));
}

TEST_F(TrayIconTest, BackendExceptionsBecomeTrayErrors) {
  auto tray = Make();
  backend.throwOnAdd = true;
  try {
    tray->ShowIcon();
    FAIL() << "no exception";
  } catch (const ETrayIcon& e) {
    EXPECT_EQ(e.Message(), "Error inserting Icon to Tray!");
  }
  EXPECT_THROW(tray->SetVisible(true), ETrayIcon);
  EXPECT_FALSE(tray->Visible());  // a failed add leaves no icon counted as shown
  backend.throwOnAdd = false;
  backend.throwOnDelete = true;
  try {
    tray->HideIcon();
    FAIL() << "no exception";
  } catch (const ETrayIcon& e) {
    EXPECT_EQ(e.Message(), "Error deleting Icon from Tray!");
  }
  backend.throwOnDelete = false;
}

TEST_F(TrayIconTest, LeftPressAndReleaseGiveDownUpClickInOrder) {
  auto tray = Make();
  host.shift = TTrayIcon::ssCtrl;
  tray->OnMouseDown = [&](TTrayIcon*, TTrayIcon::TMouseButton b, unsigned s, int x, int y) {
    events.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) + "," +
                     std::to_string(y));
  };
  tray->OnMouseUp = [&](TTrayIcon*, TTrayIcon::TMouseButton b, unsigned, int, int) {
    events.push_back("up " + std::to_string(b));
  };
  tray->OnClick = [&](TTrayIcon*) { events.push_back("click"); };
  tray->OnMouseMove = [&](TTrayIcon*, unsigned, int, int) { events.push_back("move"); };
  tray->HandleCallback(TTrayIcon::tmMouseMove);
  tray->HandleCallback(TTrayIcon::tmLButtonDown);
  tray->HandleCallback(TTrayIcon::tmLButtonUp);
  EXPECT_EQ(events, (std::vector<std::string>{
                        "move", "down 0 " + std::to_string(TTrayIcon::ssCtrl | TTrayIcon::ssLeft) + " 100,200", "up 0",
                        "click"}));
  // A release without a press seen gives no click.
  events.clear();
  tray->HandleCallback(TTrayIcon::tmLButtonUp);
  EXPECT_EQ(events, (std::vector<std::string>{"up 0"}));
  // The release brings the owner forward.
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "front"), host.calls.end());
}

TEST_F(TrayIconTest, GesturesFromTheBackendAndTheCallbackGate) {
  FakeBackend* raw = nullptr;
  auto be = std::make_unique<FakeBackend>(backend);
  raw = be.get();
  TTrayIcon tray(nullptr, std::move(be), std::make_unique<FakeHost>(host));
  QMenu menu;
  tray.SetPopupMenu(&menu);
  tray.OnClick = [&](TTrayIcon*) { events.push_back("click"); };
  tray.OnDblClick = [&](TTrayIcon*) { events.push_back("dbl"); };
  tray.OnPopupMenu = [&](TTrayIcon*) { events.push_back("menu"); };
  tray.OnMouseDown = [&](TTrayIcon*, TTrayIcon::TMouseButton b, unsigned, int, int) {
    events.push_back("down " + std::to_string(b));
  };
  raw->OnActivated(TrayActivation::Trigger);
  raw->OnActivated(TrayActivation::Context);
  raw->OnActivated(TrayActivation::MiddleClick);
  EXPECT_EQ(events, (std::vector<std::string>{"down 0", "click", "down 1", "menu", "down 2"}));
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "popup 100,200"), host.calls.end());
  // Disabled: nothing at all.
  events.clear();
  host.calls.clear();
  tray.SetCallbacksEnabled(false);
  raw->OnActivated(TrayActivation::Trigger);
  raw->OnActivated(TrayActivation::Context);
  raw->OnActivated(TrayActivation::DoubleClick);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(TrayIconTest, PopupByLeftAndMenuFreed) {
  auto tray = Make();
  auto* menu = new QMenu;
  tray->SetPopupMenu(menu);
  tray->SetPopupByLeft(true);
  tray->HandleCallback(TTrayIcon::tmLButtonDown);
  tray->HandleCallback(TTrayIcon::tmLButtonUp);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "popup 100,200"), 1);
  delete menu;  // the property clears itself
  EXPECT_EQ(tray->PopupMenu(), nullptr);
  host.calls.clear();
  tray->HandleCallback(TTrayIcon::tmRButtonUp);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "popup 100,200"), 0);
}

TEST_F(TrayIconTest, DoubleClickRunsTheDefaultItemOrTogglesTheProgram) {
  auto tray = Make();
  tray->OnDblClick = [&](TTrayIcon*) { events.push_back("dbl"); };
  QMenu menu;
  QAction* show = menu.addAction("Show/Restore");
  int triggered = 0;
  QObject::connect(show, &QAction::triggered, [&] { ++triggered; });
  tray->SetPopupMenu(&menu);
  // No default item: the program is shown (minimise-to-tray off).
  tray->HandleCallback(TTrayIcon::tmLButtonDblClk);
  EXPECT_EQ(triggered, 0);
  EXPECT_EQ(host.calls.back(), "showApp");
  // Default item: it runs, and the program is not toggled.
  menu.setDefaultAction(show);
  host.calls.clear();
  tray->HandleCallback(TTrayIcon::tmLButtonDblClk);
  EXPECT_EQ(triggered, 1);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"front"}));
  // With PopupByLeft the default item is not looked at; minimise-to-tray with a visible owner hides.
  tray->SetPopupByLeft(true);
  tray->SetMinimizeToTray(true);
  host.calls.clear();
  tray->HandleCallback(TTrayIcon::tmLButtonDblClk);
  EXPECT_EQ(triggered, 1);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hideApp"}));
  EXPECT_EQ(events.size(), 3u);
}

TEST_F(TrayIconTest, CyclingStepsThroughTheImageList) {
  TImageList list(16, 16);
  for (int i = 0; i < 3; ++i) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(QColor(i * 100, 0, 0));
    list.Add(img);
  }
  auto tray = Make();
  tray->SetImageList(&list);
  tray->SetVisible(true);
  int cycles = 0;
  tray->OnCycleIcons = [&](TTrayIcon*) { ++cycles; };
  tray->SetCycleIcons(true);
  EXPECT_TRUE(tray->TimerRunning());
  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) {
    loop.Advance(200);
    seen.push_back(tray->ImageIndex());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1, 2}));
  EXPECT_EQ(cycles, 5);
  // The icon handed to the desktop follows: image 2 is red 200.
  const auto& d = backend.data.back();
  ASSERT_FALSE(d.icon.Empty());
  EXPECT_EQ(d.icon.argb[0], 0xFFC80000u);
  // An index beyond the last image restarts at 0.
  tray->SetImageIndex(17);
  EXPECT_TRUE(backend.data.back().icon.Empty());
  loop.Advance(200);
  EXPECT_EQ(tray->ImageIndex(), 0);
  // Interval change; then off: no timer left running.
  tray->SetCycleInterval(50);
  loop.Advance(50);
  EXPECT_EQ(tray->ImageIndex(), 1);
  tray->SetCycleIcons(false);
  EXPECT_EQ(loop.RunningTimers(), 0u);
  loop.Advance(1000);
  EXPECT_EQ(tray->ImageIndex(), 1);
}

TEST_F(TrayIconTest, ImageListChangesAndDestructionReloadOrClear) {
  auto list = std::make_unique<TImageList>(16, 16);
  auto tray = Make();
  tray->SetImageList(list.get());
  EXPECT_TRUE(tray->Icon().isNull());
  QImage img(16, 16, QImage::Format_ARGB32);
  img.fill(Qt::green);
  list->Add(img);  // a change of the list reloads the icon
  EXPECT_FALSE(tray->Icon().isNull());
  list.reset();
  EXPECT_EQ(tray->ImageList(), nullptr);
  loop.Advance(1000);  // no crash after the list is gone
}

TEST_F(TrayIconTest, MinimizeHidesOnlyWhenTheIconIsShown) {
  auto tray = Make();
  tray->SetMinimizeToTray(true);
  tray->OnMinimize = [&](TTrayIcon*) { events.push_back("minimized"); };
  tray->Minimize();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hideApp"}));
  EXPECT_TRUE(tray->Visible());
  EXPECT_EQ(events, (std::vector<std::string>{"minimized"}));
  // Hiding the icon with minimise-to-tray brings the program back.
  tray->SetVisible(false);
  EXPECT_EQ(host.calls.back(), "showApp");
}

TEST_F(TrayIconTest, NoNotificationAreaNeverHidesTheProgram) {
  backend.available = false;
  auto tray = Make();
  tray->SetMinimizeToTray(true);
  tray->OnMinimize = [&](TTrayIcon*) { events.push_back("minimized"); };
  tray->Minimize();
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "hideApp"), 0);
  EXPECT_EQ(host.calls.front(), "minimizeApp");
  EXPECT_FALSE(tray->Visible());
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(host.ownerVisible);
  // The databank window's order (HideApp, then ShowIcon) is just as safe.
  tray->HideApp();
  tray->ShowIcon();
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "hideApp"), 0);
  EXPECT_FALSE(tray->Visible());
}

TEST_F(TrayIconTest, RefusedIconBringsAHiddenProgramBack) {
  backend.addResult = false;  // a notification area exists but refuses the icon
  auto tray = Make();
  tray->SetMinimizeToTray(true);
  tray->Minimize();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hideApp", "showApp", "minimizeApp"}));
  EXPECT_TRUE(host.ownerVisible);
  EXPECT_FALSE(tray->Visible());
}

TEST_F(TrayIconTest, StartMinimizedWithAndWithoutTray) {
  StartMinimized = true;
  {
    auto tray = Make();
    EXPECT_FALSE(host.showMainForm);
    EXPECT_TRUE(tray->Visible());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"hideApp"}));
  }
  host = FakeHost::Log{};
  backend = FakeBackend::Log{};
  backend.available = false;
  {
    auto tray = Make();
    EXPECT_TRUE(host.showMainForm);  // the window must appear, minimised
    EXPECT_FALSE(tray->Visible());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"minimizeApp"}));
  }
}

TEST_F(TrayIconTest, AppMinimizedHookAndDestructorWithoutSideEffects) {
  FakeHost* rawHost = nullptr;
  auto h = std::make_unique<FakeHost>(host);
  rawHost = h.get();
  auto tray = std::make_unique<TTrayIcon>(nullptr, std::make_unique<FakeBackend>(backend), std::move(h));
  ASSERT_TRUE(rawHost->OnAppMinimized);
  rawHost->OnAppMinimized();  // minimise-to-tray off: nothing
  EXPECT_TRUE(host.calls.empty());
  tray->SetMinimizeToTray(true);
  rawHost->OnAppMinimized();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hideApp"}));
  EXPECT_TRUE(tray->Visible());
  // Destroying the icon while the program is hidden removes the icon and shows nothing.
  host.calls.clear();
  backend.calls.clear();
  tray->OnHide = [&](TTrayIcon*) { events.push_back("hide"); };
  tray.reset();
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"delete 0"}));
  EXPECT_TRUE(host.calls.empty());
  EXPECT_TRUE(events.empty());
}

TEST_F(TrayIconTest, TaskbarRecreatedAddsOnlyAVisibleIcon) {
  auto tray = Make();
  tray->HandleTaskbarCreated();
  EXPECT_TRUE(backend.calls.empty());
  tray->SetVisible(true);
  backend.calls.clear();
  tray->HandleTaskbarCreated();
  EXPECT_EQ(backend.calls, (std::vector<std::string>{"delete 0", "add 0"}));
  EXPECT_TRUE(tray->Visible());
}

TEST_F(TrayIconTest, ExceptionInATimerHandlerGoesToTheErrorHandler) {
  TCustomTimer timer;
  timer.SetInterval(10);
  timer.SetOnTimer([](TCustomTimer*) { throw Exception("tick failed"); });
  EXPECT_TRUE(timer.TimerRunning());
  loop.Advance(10);
  ASSERT_EQ(ui.CallsOf(platform::ScriptedUIServices::Kind::Exception).size(), 1u);
  EXPECT_EQ(ui.CallsOf(platform::ScriptedUIServices::Kind::Exception)[0].text, "tick failed");
  timer.SetInterval(0);
  EXPECT_FALSE(timer.TimerRunning());
  timer.SetInterval(5);
  timer.SetOnTimer(nullptr);
  EXPECT_FALSE(timer.TimerRunning());
}

// The real desktop: under Xvfb with a notification-area host the program goes into the tray; with
// none it stays a minimised window.
namespace {
std::string RunTrayProbe(testsupport::XServer& x) {
  std::vector<std::string> args = x.ClientEnv();
  // The desktop bus library the xcb platform loads keeps a buffer until exit; that is not ours.
  args.push_back("ASAN_OPTIONS=detect_leaks=0");
  args.push_back(testsupport::ProbePath("trayprobe"));
  const auto result = testsupport::RunProcess("env", args, "", 60);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return result.out;
}
}  // namespace

TEST(TrayIconDesktop, IconShownUnderXvfbWithATrayHost) {
  REQUIRE_XSERVER(x);
  REQUIRE_TOOL(hostTool, "wmsystemtray");
  std::string error;
  auto host = x.StartClient(hostTool, {}, error);
  ASSERT_TRUE(error.empty()) << error;
  const std::string out = RunTrayProbe(x);
  EXPECT_NE(out.find("available=1"), std::string::npos) << out << host->Output();
  EXPECT_NE(out.find("iconVisible=1"), std::string::npos) << out;
  EXPECT_NE(out.find("windowVisible=0"), std::string::npos) << out;
}

TEST(TrayIconDesktop, NoTrayHostKeepsTheWindowReachable) {
  REQUIRE_XSERVER(x);
  const std::string out = RunTrayProbe(x);
  EXPECT_NE(out.find("available=0"), std::string::npos) << out;
  EXPECT_NE(out.find("iconVisible=0"), std::string::npos) << out;
  EXPECT_NE(out.find("windowVisible=1"), std::string::npos) << out;
}
