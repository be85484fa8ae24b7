#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <climits>

#include "FormsTestSupport.h"
#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/Timers.h"
#include "platform/qt/QtApplication.h"
#include "ui/BaseForm.h"
#include "ui/UYNForm.h"
#include "ui/uBaseDialog.h"

using namespace platform;

// ---- the geometry rules, headless ----

TEST(FormGeometry, SaveWritesTheFiveRootKeysByTheFlags) {
  FakeGeometry g;
  TMemorySettings s;
  formgeometry::SaveSettings(g, s, true, true);
  auto& d = *s.Data();
  EXPECT_EQ(d["Maximized"], "0");
  EXPECT_EQ(d["posLeft"], "10");
  EXPECT_EQ(d["posTop"], "20");
  EXPECT_EQ(d["sizeWidth"], "300");
  EXPECT_EQ(d["sizeHeight"], "200");

  // Maximised: only "Maximized" changes; the last normal geometry stays.
  g.maximized = true;
  g.left = 0;
  g.width = 1900;
  formgeometry::SaveSettings(g, s, true, true);
  EXPECT_EQ(d["Maximized"], "1");
  EXPECT_EQ(d["posLeft"], "10");
  EXPECT_EQ(d["sizeWidth"], "300");

  // Flags: without StorePosition neither "Maximized" nor the position; without StoreSize no size.
  TMemorySettings s2;
  formgeometry::SaveSettings(g, s2, false, true);
  EXPECT_TRUE(s2.Data()->empty());  // maximised and no position: nothing at all
  g.maximized = false;
  formgeometry::SaveSettings(g, s2, false, true);
  EXPECT_EQ(s2.Data()->size(), 2u);
  EXPECT_FALSE(s2.ValueExists("Maximized"));
  TMemorySettings s3;
  formgeometry::SaveSettings(g, s3, true, false);
  EXPECT_FALSE(s3.ValueExists("sizeWidth"));
  EXPECT_TRUE(s3.ValueExists("posLeft"));
  EXPECT_TRUE(s3.ValueExists("Maximized"));
}

// Stored geometry from a larger screen or another scale: the window is made to fit the available
// area (frame included) and moved inside it; what fits already is kept as stored.
TEST(FormGeometry, LoadKeepsTheWindowInsideTheAvailableArea) {
  struct Case {
    int left, top, width, height;  // stored
    int wantLeft, wantTop, wantWidth, wantHeight;
  } cases[] = {
      {100, 50, 600, 400, 100, 50, 600, 400},    // fits
      {900, 700, 3000, 1700, 0, 24, 800, 476},   // too large: the whole area, less the frame
      {700, 300, 400, 300, 400, 200, 400, 300},  // sticks out at the right and the bottom
      {-500, -80, 400, 300, 0, 24, 400, 300},    // above and left of the area
      {0, 24, 800, 476, 0, 24, 800, 476},        // exactly the area
  };
  for (const Case& c : cases) {
    TMemorySettings s;
    s.WriteInteger("posLeft", c.left);
    s.WriteInteger("posTop", c.top);
    s.WriteInteger("sizeWidth", c.width);
    s.WriteInteger("sizeHeight", c.height);
    FakeGeometry g;
    g.canMaximize = false;
    g.area = IFormGeometry::TArea{0, 24, 800, 500};  // a panel at the top
    g.frameWidth = 0;
    g.frameHeight = 24;
    formgeometry::LoadSettings(g, s, true, true);
    EXPECT_EQ(std::vector<int>({g.left, g.top, g.width, g.height}),
              std::vector<int>({c.wantLeft, c.wantTop, c.wantWidth, c.wantHeight}))
        << c.left << "," << c.top << " " << c.width << "x" << c.height;
  }
  // Without a known area the stored values stand.
  TMemorySettings s;
  s.WriteInteger("posLeft", 5000);
  s.WriteInteger("sizeWidth", 9000);
  FakeGeometry free;
  free.canMaximize = false;
  formgeometry::LoadSettings(free, s, true, true);
  EXPECT_EQ(free.left, 5000);
  EXPECT_EQ(free.width, 9000);
}

TEST(FormGeometry, LoadMaximisesOnlyFormsThatCanAndThenStops) {
  TMemorySettings s;
  s.WriteBool("Maximized", true);
  s.WriteInteger("posLeft", 100);
  s.WriteInteger("posTop", 120);
  s.WriteInteger("sizeWidth", 333);
  s.WriteInteger("sizeHeight", 222);
  FakeGeometry g;
  formgeometry::LoadSettings(g, s, true, true);
  EXPECT_TRUE(g.maximized);
  EXPECT_EQ(g.moves + g.resizes, 0);  // a maximised form stops there

  FakeGeometry dialog;
  dialog.canMaximize = false;  // dialog border or no maximise icon
  formgeometry::LoadSettings(dialog, s, true, true);
  EXPECT_FALSE(dialog.maximized);
  EXPECT_EQ(dialog.left, 100);
  EXPECT_EQ(dialog.top, 120);
  EXPECT_EQ(dialog.width, 333);
  EXPECT_EQ(dialog.height, 222);

  FakeGeometry noSize;
  noSize.canMaximize = false;
  formgeometry::LoadSettings(noSize, s, true, false);
  EXPECT_EQ(noSize.width, 300);
  EXPECT_EQ(noSize.left, 100);

  // Values no screen holds (a damaged settings file) are kept within reach.
  TMemorySettings wild;
  wild.WriteInteger("posLeft", INT_MAX);
  wild.WriteInteger("posTop", INT_MIN);
  wild.WriteInteger("sizeWidth", INT_MAX);
  wild.WriteInteger("sizeHeight", -5);
  FakeGeometry clamped;
  formgeometry::LoadSettings(clamped, wild, true, true);
  EXPECT_EQ(clamped.left, 32767);
  EXPECT_EQ(clamped.top, -32767);
  EXPECT_EQ(clamped.width, 32767);
  EXPECT_EQ(clamped.height, 0);

  // Missing keys default to the current values.
  TMemorySettings empty;
  FakeGeometry g2;
  formgeometry::LoadSettings(g2, empty, true, true);
  EXPECT_EQ(g2.left, 10);
  EXPECT_EQ(g2.width, 300);
}

// ---- the form itself, offscreen ----

namespace {

std::vector<std::string> g_events;

class TLoggingForm : public TfrmBaseForm {
 public:
  explicit TLoggingForm(QWidget* owner = nullptr) : TfrmBaseForm(owner) {
    setObjectName("LoggingForm");
    resize(250, 150);
  }
  void LoadUISettings() override { g_events.push_back("LoadUISettings"); }
  void LoadSettings() override {
    g_events.push_back("LoadSettings");
    TfrmBaseForm::LoadSettings();
  }
  void SaveSettings() override {
    g_events.push_back("SaveSettings");
    TfrmBaseForm::SaveSettings();
  }
  void AfterShow() override { g_events.push_back("AfterShow"); }

 protected:
  void Loaded() override {
    TfrmBaseForm::Loaded();
    g_events.push_back("Loaded");
  }
  void FormCreate() override { g_events.push_back("FormCreate"); }
  void FormShow() override {
    TfrmBaseForm::FormShow();
    g_events.push_back("FormShow");
  }
  void FormDestroy() override { g_events.push_back("FormDestroy"); }
};

class BaseFormTest : public ::testing::Test {
 protected:
  void SetUp() override { g_events.clear(); }
  FakeEventLoop loop;
  ScopedEventLoop useLoop{loop};
  ScriptedUIServices ui;
  ScopedUIServices useUi{ui};
};

}  // namespace

TEST_F(BaseFormTest, HooksRunOnTheWholeObjectInOrder) {
  auto settings = std::make_unique<TMemorySettings>();
  auto store = settings->Data();
  (*store)["posLeft"] = "100";
  (*store)["posTop"] = "120";
  (*store)["sizeWidth"] = "300";
  (*store)["sizeHeight"] = "200";
  TLoggingForm* form = Construct<TLoggingForm>();
  EXPECT_TRUE(form->StorePosition);
  EXPECT_TRUE(form->StoreSize);
  form->SetSettings(std::move(settings));
  EXPECT_EQ(g_events, (std::vector<std::string>{"Loaded", "FormCreate", "LoadUISettings"}));
  form->show();
  EXPECT_EQ(form->pos(), QPoint(100, 120));
  EXPECT_EQ(form->size(), QSize(300, 200));
  EXPECT_TRUE(form->SettingsLoaded);
  // After-show runs from the loop, not inside show().
  EXPECT_EQ(g_events.back(), "FormShow");
  loop.ProcessPosted();
  EXPECT_EQ(g_events.back(), "AfterShow");
  // A second showing does not reload the settings but runs AfterShow again.
  form->hide();
  form->show();
  loop.ProcessPosted();
  EXPECT_EQ(std::count(g_events.begin(), g_events.end(), "LoadSettings"), 1);
  EXPECT_EQ(std::count(g_events.begin(), g_events.end(), "AfterShow"), 2);
  form->move(140, 160);
  form->resize(310, 210);
  g_events.clear();
  Destroy(form);
  EXPECT_EQ(g_events, (std::vector<std::string>{"SaveSettings", "FormDestroy"}));
  EXPECT_EQ((*store)["posLeft"], "140");
  EXPECT_EQ((*store)["sizeHeight"], "210");
  EXPECT_EQ((*store)["Maximized"], "0");
}

TEST_F(BaseFormTest, StoredMaximizedAppliesOnlyToSizeableFormsWithTheIcon) {
  auto make = [](TBorderStyle style, unsigned icons) {
    auto s = std::make_unique<TMemorySettings>();
    s->WriteBool("Maximized", true);
    s->WriteInteger("posLeft", 50);
    s->WriteInteger("posTop", 60);
    TLoggingForm* f = Construct<TLoggingForm>();
    f->SetBorderStyle(style);
    f->SetBorderIcons(icons);
    f->SetSettings(std::move(s));
    f->LoadSettings();
    return f;
  };
  TLoggingForm* sizeable = make(TBorderStyle::bsSizeable, biSystemMenu | biMaximize);
  EXPECT_TRUE(sizeable->windowState() & Qt::WindowMaximized);
  TLoggingForm* dialog = make(TBorderStyle::bsDialog, biSystemMenu | biMaximize);
  EXPECT_FALSE(dialog->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(dialog->pos(), QPoint(50, 60));
  TLoggingForm* noIcon = make(TBorderStyle::bsSizeable, biSystemMenu | biMinimize);
  EXPECT_FALSE(noIcon->windowState() & Qt::WindowMaximized);
  for (auto* f : {sizeable, dialog, noIcon}) Destroy(f);
}

TEST_F(BaseFormTest, ReleaseLaterFreesFromTheLoopWithTheClosingHooks) {
  TLoggingForm* form = Construct<TLoggingForm>();
  QPointer<TLoggingForm> alive(form);
  form->ReleaseLater();
  EXPECT_TRUE(alive);
  g_events.clear();
  loop.ProcessPosted();
  EXPECT_FALSE(alive);
  EXPECT_EQ(g_events, (std::vector<std::string>{"SaveSettings", "FormDestroy"}));
}

TEST_F(BaseFormTest, ChildFormsGetTheirSectionAndGoFirst) {
  auto parentSettings = std::make_unique<TMemorySettings>();
  auto store = parentSettings->Data();
  (*store)["Child\\sizeWidth"] = "280";
  TLoggingForm* parent = Construct<TLoggingForm>();
  parent->SetSettings(std::move(parentSettings));
  struct TChild : TLoggingForm {
    explicit TChild(QWidget* owner) : TLoggingForm(owner) { setObjectName("Child"); }
  };
  g_events.clear();
  TChild* child = parent->CreateChildForm<TChild>(nullptr);
  EXPECT_TRUE(child->SettingsLoaded);
  EXPECT_EQ(child->width(), 280);
  QPointer<TChild> alive(child);
  child->resize(290, 100);
  g_events.clear();
  Destroy(parent);
  EXPECT_FALSE(alive);
  // The parent saves first, then its child forms are freed (saving theirs), then FormDestroy.
  EXPECT_EQ(g_events, (std::vector<std::string>{"SaveSettings", "SaveSettings", "FormDestroy", "FormDestroy"}));
  EXPECT_EQ((*store)["Child\\sizeWidth"], "290");
}

TEST_F(BaseFormTest, ExceptionInAHandlerGoesToTheErrorHandler) {
  struct TFailing : TfrmBaseForm {
    explicit TFailing(QWidget* o = nullptr) : TfrmBaseForm(o) {}
    void FormShow() override { throw Exception("show failed"); }
  };
  TFailing* f = Construct<TFailing>();
  EXPECT_NO_THROW(f->show());
  ASSERT_EQ(ui.CallsOf(ScriptedUIServices::Kind::Exception).size(), 1u);
  EXPECT_EQ(ui.CallsOf(ScriptedUIServices::Kind::Exception)[0].text, "show failed");
  Destroy(f);
}

// ---- modal results (the real loop) ----

// Shows form modally and presses key in it once the loop runs; what ShowModal gave back, mrAbort
// when the key did not close the form within two seconds.
static int ShowModalPressing(TfrmBaseForm* form, Qt::Key key) {
  QTimer::singleShot(0, form, [form, key] {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(form, &event);
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, form, [form] { form->SetModalResult(mrAbort); });
  guard.start(2000);
  return form->ShowModal();
}

TEST(BaseFormModal, OkGivesOneCancelAndCloseGiveTwo) {
  ScriptedUIServices ui;
  ScopedUIServices useUi(ui);
  TfrmYesNo* dlg = Construct<TfrmYesNo>();
  EXPECT_EQ(dlg->windowTitle(), "Base Yes-No Form");
  EXPECT_FALSE(dlg->StoreSize);
  EXPECT_TRUE(dlg->StorePosition);
  QTimer::singleShot(0, dlg->btnOk, &QPushButton::click);
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  QTimer::singleShot(0, dlg->btnCancel, &QPushButton::click);
  EXPECT_EQ(dlg->ShowModal(), mrCancel);
  QTimer::singleShot(0, dlg, &QWidget::close);
  EXPECT_EQ(dlg->ShowModal(), mrCancel);
  // Escape clicks the cancel button; Enter the default one.
  QTimer::singleShot(0, dlg, [dlg] {
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dlg, &esc);
  });
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  dlg->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/frmYesNo.png"));
  Destroy(dlg);

  TfrmBaseDialog* info = Construct<TfrmBaseDialog>();
  EXPECT_EQ(info->windowTitle(), "Base Dialog Class");
  EXPECT_EQ(info->btnOk->text(), "Close");
  // Its one button is the default and the cancel button: Escape and Enter both close it.
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
    EXPECT_EQ(ShowModalPressing(info, key), mrOk) << key;
  info->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/frmBaseDialog.png"));
  Destroy(info);
}

// A modal form without a cancel button still closes with Escape (as Cancel); Enter presses the
// push button marked as default when none was named. A form that is not modal stays.
TEST(BaseFormModal, EscapeClosesEveryModalFormAndEnterPressesTheMarkedDefault) {
  ScriptedUIServices ui;
  ScopedUIServices useUi(ui);
  TfrmBaseForm* form = Construct<TfrmBaseForm>();
  auto* go = new QPushButton(QStringLiteral("Go"), form);
  go->setAutoDefault(false);  // not the default merely by having the focus
  form->SetButtonModalResult(go, mrYes);
  auto press = [form](Qt::Key key) { return ShowModalPressing(form, key); };
  EXPECT_EQ(press(Qt::Key_Escape), mrCancel);
  EXPECT_EQ(press(Qt::Key_Return), mrAbort);  // no default button: Enter does nothing
  go->setDefault(true);
  EXPECT_EQ(press(Qt::Key_Return), mrYes);
  form->show();
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(form, &esc);
  EXPECT_TRUE(form->isVisible());
  Destroy(form);
}

TEST(BaseFormMinimise, SecondaryFormMinimisesTheProgramInstead) {
  QtApplicationBackend& backend = QtApplication();
  TfrmBaseForm* main = Construct<TfrmBaseForm>();
  TfrmBaseForm* second = Construct<TfrmBaseForm>(main);
  backend.SetMainWindow(main);
  Application().NotifyRestored();
  main->show();
  second->show();
  int commands = 0;
  second->OnMinimizeCommand = [&](TfrmBaseForm* sender) {
    EXPECT_EQ(sender, second);
    ++commands;
  };
  second->setWindowState(Qt::WindowMinimized);
  EXPECT_EQ(commands, 1);
  EXPECT_FALSE(second->windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(main->windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(Application().Minimized());
  Application().Restore();
  backend.SetMainWindow(nullptr);
  Destroy(second);
  Destroy(main);
}

TEST(BaseFormGlyphs, ButtonsGetAGreyDisabledPicture) {
  TfrmYesNo* dlg = Construct<TfrmYesNo>();
  const QSize size = dlg->btnOk->iconSize();
  QImage normal = dlg->btnOk->icon().pixmap(size, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
  QImage disabled = dlg->btnOk->icon().pixmap(size, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_FALSE(disabled.isNull());
  ASSERT_EQ(normal.size(), disabled.size());
  int inked = 0;
  for (int y = 0; y < disabled.height(); ++y)
    for (int x = 0; x < disabled.width(); ++x) {
      const QRgb p = disabled.pixel(x, y);
      EXPECT_EQ(qAlpha(p), qAlpha(normal.pixel(x, y)));  // the shape stays
      if (qAlpha(p) == 255) {
        ++inked;
        EXPECT_EQ(qRed(p), qGreen(p));
        EXPECT_EQ(qGreen(p), qBlue(p));
      }
    }
  EXPECT_GT(inked, 0);
  Destroy(dlg);
}
