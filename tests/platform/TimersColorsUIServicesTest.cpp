#include <gtest/gtest.h>

#include <exception>
#include <new>
#include <stdexcept>

#include "FaultInjection.h"
#include "ScriptedUIServices.h"
#include "platform/Colors.h"
#include "platform/Exceptions.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"

using namespace platform;

// ---- timers ----

TEST(FakeEventLoop, TimersFireInDueOrderAndIntervalZeroIsOff) {
  FakeEventLoop loop;
  std::vector<std::string> log;
  auto a = loop.CreateTimer();
  auto b = loop.CreateTimer();
  a->OnTimer = [&] { log.push_back("a" + std::to_string(loop.NowMs())); };
  b->OnTimer = [&] { log.push_back("b" + std::to_string(loop.NowMs())); };
  a->SetInterval(100);
  a->SetEnabled(true);
  b->SetInterval(150);
  b->SetEnabled(true);
  EXPECT_EQ(loop.Advance(300), 5u);
  // b's period to 300 began at 150, a's at 200.
  EXPECT_EQ(log, (std::vector<std::string>{"a100", "b150", "a200", "b300", "a300"}));
  // An interval of 0 or less switches a timer off even while it is enabled.
  a->SetInterval(0);
  EXPECT_FALSE(a->Running());
  b->SetInterval(-5);
  log.clear();
  EXPECT_EQ(loop.Advance(1000), 0u);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(loop.RunningTimers(), 0u);
}

TEST(FakeEventLoop, HandlerMayStopOrDestroyItsTimer) {
  FakeEventLoop loop;
  auto t = loop.CreateTimer();
  int ticks = 0;
  t->OnTimer = [&] {
    if (++ticks == 2) t.reset();
  };
  t->SetInterval(10);
  t->SetEnabled(true);
  EXPECT_EQ(loop.Advance(100), 2u);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(loop.RunningTimers(), 0u);
}

TEST(FakeEventLoop, PostedCallsRunLaterInOrderAndGuardDropsDeadOnes) {
  FakeEventLoop loop;
  ScopedEventLoop use(loop);
  std::vector<int> order;
  PostCall([&] {
    order.push_back(1);
    PostCall([&] { order.push_back(3); });
  });
  PostCall([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());  // nothing runs inside the posting call
  auto owner = std::make_shared<int>(0);
  PostCall(std::weak_ptr<void>(owner), [&] { order.push_back(99); });
  owner.reset();
  EXPECT_EQ(loop.ProcessPosted(), 4u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(TTimerSet, WindowTimersById) {
  FakeEventLoop loop;
  TTimerSet timers(&loop);
  std::vector<int> fired;
  timers.OnTimer = [&](int id) {
    fired.push_back(id);
    if (id == 333) timers.KillTimer(333);
  };
  timers.SetTimer(222, 100);
  timers.SetTimer(333, 250);
  EXPECT_TRUE(timers.IsActive(222));
  EXPECT_EQ(timers.Interval(333), 250);
  loop.Advance(90);
  // Setting a running timer again restarts its period.
  timers.SetTimer(222, 100);
  loop.Advance(100);  // t=190: 222 fires
  loop.Advance(60);   // t=250: 333 fires once and kills itself
  loop.Advance(200);  // t=290, 390: 222
  EXPECT_EQ(fired, (std::vector<int>{222, 333, 222, 222}));
  EXPECT_FALSE(timers.IsActive(333));
  timers.SetTimer(222, 0);
  EXPECT_FALSE(timers.IsActive(222));
  EXPECT_EQ(timers.ActiveCount(), 0u);
}

// ---- colours ----

// ---- UI services ----

TEST(ScriptedUIServices, RecordsCallsAndAnswersFromTheScript) {
  ScriptedUIServices ui;
  ScopedUIServices use(ui);
  ui.PushMessageResult(mrYes);
  EXPECT_EQ(UI().MessageBox("Data has been changed. Do you want to save?", "Tessaryn", MsgButtons::YesNoCancel,
                            MsgIcon::Warning),
            mrYes);
  // Unscripted: answered as a closed box.
  EXPECT_EQ(UI().MessageBox("q", "c", MsgButtons::YesNoCancel, MsgIcon::Warning), mrCancel);
  EXPECT_EQ(UI().MessageBox("q", "c", MsgButtons::YesNo, MsgIcon::Question), mrNo);
  EXPECT_EQ(UI().MessageBox("q", "c", MsgButtons::Ok, MsgIcon::None), mrOk);
  EXPECT_EQ(ui.Unscripted(), 3u);

  std::string pw = "keep";
  ui.PushFilePassword(std::nullopt);
  EXPECT_FALSE(UI().AskFilePassword("/x/bank.xdb2", pw));
  EXPECT_EQ(pw, "keep");
  ui.PushFilePassword(std::string("secret"));
  EXPECT_TRUE(UI().AskFilePassword("/x/bank.xdb2", pw));
  EXPECT_EQ(pw, "secret");

  FileDialogOptions opt;
  opt.title = "Save DataBank";
  opt.defaultExt = ".xdb2";
  std::string path = "preset";
  ui.PushSaveFile(std::string("/tmp/new"));
  EXPECT_TRUE(UI().SaveFileDialog(opt, path));
  EXPECT_EQ(path, "/tmp/new.xdb2");
  EXPECT_TRUE(ui.ScriptUsedUp());
  auto saves = ui.CallsOf(ScriptedUIServices::Kind::SaveFile);
  ASSERT_EQ(saves.size(), 1u);
  EXPECT_EQ(saves[0].caption, "Save DataBank");
  EXPECT_EQ(saves[0].value, "preset");
  EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Warning);
}

TEST(RunGuarded, ExceptionsGoToTheErrorHandler) {
  ScriptedUIServices ui;
  ScopedUIServices use(ui);
  EXPECT_TRUE(RunGuarded([] {}));
  EXPECT_FALSE(RunGuarded([] { throw Exception("File \"x\" doesn't exist!"); }));
  EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("boom"); }));
  EXPECT_FALSE(RunGuarded([] { throw 42; }));
  EXPECT_FALSE(RunGuarded([] { throw std::bad_alloc(); }));
  auto shown = ui.CallsOf(ScriptedUIServices::Kind::Exception);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].text, "File \"x\" doesn't exist!");
  EXPECT_EQ(shown[1].text, "boom");
  EXPECT_EQ(shown[3].text, "There is not enough memory to finish this.");  // never "std::bad_alloc"

  // No memory left even for the message: the handler still returns (the program goes on) and the
  // terminal is told, not std::terminate.
  ui.Clear();
  for (const std::exception_ptr& failure :
       {std::make_exception_ptr(std::bad_alloc()),
        std::make_exception_ptr(std::runtime_error("a reason that needs memory to be copied"))}) {
    testing::internal::CaptureStderr();
    bool returned = false;
    EXPECT_NO_THROW(returned = !RunGuarded([&] {
                      testsupport::FailAllocationsOnThisThread(true);
                      std::rethrow_exception(failure);
                    }));
    testsupport::FailAllocationsOnThisThread(false);
    EXPECT_TRUE(returned);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "There is not enough memory to finish this.\n");
  }
  EXPECT_TRUE(ui.CallsOf(ScriptedUIServices::Kind::Exception).empty());
}

TEST(FileDialogHelpers, FilterParsingAndDefaultExtension) {
  auto f = ParseFileFilter("XML DataBank|*.xdb2|All files|*.txt; *.*|Dangling");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].first, "XML DataBank");
  EXPECT_EQ(f[0].second, std::vector<std::string>{"*.xdb2"});
  EXPECT_EQ(f[1].second, (std::vector<std::string>{"*.txt", "*.*"}));
  EXPECT_TRUE(ParseFileFilter("").empty());
  // The name a dialog lists: the patterns once, blank-separated as the dialog reads them.
  const struct {
    const char* filter;
    const char* name;
  } names[] = {
      {"XML DataBank|*.xdb2", "XML DataBank (*.xdb2)"},
      {"UNIX Shell Scripts (*.sh)|*.sh", "UNIX Shell Scripts (*.sh)"},
      {"Perl Files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi", "Perl Files (*.pl *.pm *.cgi)"},
      {"C/C++ Files (*.c;*.cpp;*.h;*.hpp)|*.c;*.cpp;*.h;*.hpp", "C/C++ Files (*.c *.cpp *.h *.hpp)"},
      {"Pascal (Delphi)|*.pas", "Pascal (Delphi) (*.pas)"},                  // brackets of another meaning stay
      {"XML Files (*.xml;*.dtd)|*.xml", "XML Files (*.xml;*.dtd) (*.xml)"},  // a list that differs stays
      {"(*.sh)|*.sh", "(*.sh)"},
  };
  for (const auto& n : names) {
    const auto parsed = ParseFileFilter(n.filter);
    ASSERT_EQ(parsed.size(), 1u) << n.filter;
    EXPECT_EQ(FileFilterName(parsed[0].first, parsed[0].second), n.name);
  }
  EXPECT_EQ(ApplyDefaultExt("/a.b/c", ".xdb2"), "/a.b/c.xdb2");
  EXPECT_EQ(ApplyDefaultExt("/a/c.txt", ".xdb2"), "/a/c.txt");
  EXPECT_EQ(ApplyDefaultExt("/a/.hidden", "xdb2"), "/a/.hidden.xdb2");
  EXPECT_EQ(ApplyDefaultExt("/a/", ".xdb2"), "/a/");
}
