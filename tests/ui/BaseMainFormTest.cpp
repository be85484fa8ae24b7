#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>

#include "FormsTestSupport.h"
#include "ScriptedUIServices.h"
#include "TestSupport.h"
#include "platform/Application.h"
#include "platform/Timers.h"
#include "platform/qt/QtApplication.h"
#include "ui/UBaseMainForm.h"
#include "ui/UToolbarConfig.h"

using namespace platform;

namespace {

std::vector<std::string> g_main;

class TTestMainForm : public TBaseMainForm {
 public:
  explicit TTestMainForm(QWidget* owner = nullptr) : TBaseMainForm(owner) {
    btnOpen = new TmxXPButton(Toolbar);
    btnOpen->setObjectName("btnOpenBase");
    btnOpen->SetCaption("Open");
    btnOpen->setToolTip("Open DataBank");
    btnOpen->SetImages(ImageList);
    btnOpen->SetImageIndex(1);
    btnOpen->setGeometry(300, 1, 23, 22);
    btnSave = new TmxXPButton(Toolbar);
    btnSave->setObjectName("btnSaveBase");
    btnSave->SetCaption("Save");
    btnSave->setToolTip("Save DataBank");
    btnSave->setGeometry(330, 1, 23, 22);
  }
  TmxXPButton* btnOpen;
  TmxXPButton* btnSave;
  int closes = 0;

  void LoadUISettings() override { g_main.push_back("LoadUISettings"); }
  void RegisterToolbars() override {
    TBaseMainForm::RegisterToolbars();
    ToolbarLayout->AddControl(1, btnOpen);
    ToolbarLayout->AddControl(1, btnSave);
    g_main.push_back("RegisterToolbars");
  }
  void ToolbarsRegistered() override {
    g_main.push_back("ToolbarsRegistered");
    btnOpen->setVisible(false);  // as a stored "btnOpenBase_visible" = false would
  }
  void CleanUp() override { g_main.push_back("CleanUp"); }

 protected:
  void FormCreate() override {
    TBaseMainForm::FormCreate();
    g_main.push_back("FormCreate");
  }
  void FormShow() override {
    TBaseMainForm::FormShow();
    g_main.push_back("FormShow");
  }
  void FormClose(TCloseAction& action) override {
    ++closes;
    TBaseMainForm::FormClose(action);
  }
};

class BaseMainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_main.clear();
    Application().NotifyRestored();
    form = Construct<TTestMainForm>();
    form->SetSettings(std::make_unique<TMemorySettings>());
  }
  void TearDown() override {
    if (form) Destroy(form);
    Application().NotifyRestored();
  }
  FakeEventLoop loop;
  ScopedEventLoop useLoop{loop};
  ScriptedUIServices ui;
  ScopedUIServices useUi{ui};
  TTestMainForm* form = nullptr;
};

}  // namespace

TEST(MainFormCloseRule, OnlyMinimisesWhileCloseToMinimiseHoldsAndNotExitingOrMinimised) {
  for (int bits = 0; bits < 8; ++bits) {
    const bool exiting = bits & 1, minimizeOnClose = bits & 2, minimized = bits & 4;
    const bool expected = !(minimizeOnClose && !exiting && !minimized);
    EXPECT_EQ(MainFormCanClose(exiting, minimizeOnClose, minimized), expected) << bits;
  }
}

TEST_F(BaseMainFormTest, ComponentsAndCreationOrder) {
  EXPECT_EQ(g_main,
            (std::vector<std::string>{"FormCreate", "LoadUISettings", "RegisterToolbars", "ToolbarsRegistered"}));
  EXPECT_EQ(form->Toolbar->height(), 27);
  EXPECT_EQ(form->btnMenu->size(), QSize(36, 22));
  EXPECT_EQ(form->btnMenu->property("Tag").toInt(), -1);
  EXPECT_EQ(form->btnMenu->Caption(), "Main Menu");
  EXPECT_EQ(form->btnMenu->toolTip(), "Main Menu");
  EXPECT_EQ(form->btnMenu->ImageIndex(), 1);
  EXPECT_EQ(form->btnMenu->FocusedColor(), 0xD8ACB0u);
  EXPECT_EQ(form->btnMenu->PressedColor(), 0xC7879Fu);
  EXPECT_EQ(form->btnMenu->BorderColor(), clNavy);
  EXPECT_EQ(form->btnMenu->DropdownMenu(), form->MainMenu);
  EXPECT_EQ(form->btnExit->size(), QSize(23, 22));
  EXPECT_EQ(form->btnExit->ImageIndex(), 0);
  EXPECT_EQ(form->actnExit->text(), "Exit Program");
  EXPECT_EQ(form->ImageList->Count(), 2);
  EXPECT_EQ(form->DisabledImageList->Count(), 2);
  EXPECT_FALSE(form->Exiting);
  EXPECT_TRUE(form->MinimizeOnClose);
  // Arranged once after registration with the stored visibility applied.
  EXPECT_EQ(form->btnMenu->x(), 2);
  EXPECT_EQ(form->btnSave->x(), 2 + 36 + 2 + 2);
  EXPECT_EQ(QtApplication().MainWindow(), form);
}

TEST_F(BaseMainFormTest, CloseMinimisesUntilExitThenCloses) {
  form->show();
  loop.ProcessPosted();
  form->close();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->CloseAccepted());
  EXPECT_TRUE(Application().Minimized());
  EXPECT_TRUE(form->AppIsMinimized);
  EXPECT_EQ(form->closes, 0);
  // A close while minimised (the tray menu's Exit, for instance) really closes.
  form->close();
  EXPECT_TRUE(form->CloseAccepted());
  EXPECT_EQ(form->closes, 1);
}

TEST_F(BaseMainFormTest, ExitActionPostsTheClose) {
  form->show();
  form->actnExit->trigger();
  EXPECT_TRUE(form->Exiting);
  EXPECT_FALSE(form->CloseAccepted());  // posted, not inside the action
  loop.ProcessPosted();
  EXPECT_TRUE(form->CloseAccepted());
  EXPECT_FALSE(Application().Minimized());
}

TEST_F(BaseMainFormTest, SessionEndRunsTheRealClosePathOnce) {
  form->show();
  QtApplication().EndSession();
  EXPECT_TRUE(form->CloseAccepted());
  EXPECT_EQ(form->closes, 1);
  EXPECT_FALSE(Application().Minimized());
  form->EndSession();
  EXPECT_EQ(form->closes, 1);
}

TEST_F(BaseMainFormTest, ApplicationEventsKeepTheMinimisedFlag) {
  Application().Minimize();
  EXPECT_TRUE(form->AppIsMinimized);
  Application().Restore();
  EXPECT_FALSE(form->AppIsMinimized);
  // With close-to-minimise off the frame closes at once.
  form->MinimizeOnClose = false;
  form->show();
  form->close();
  EXPECT_TRUE(form->CloseAccepted());
}

TEST_F(BaseMainFormTest, DestroyRunsCleanUpAndUnhooksTheApplication) {
  g_main.clear();
  Destroy(form);
  form = nullptr;
  EXPECT_EQ(g_main, (std::vector<std::string>{"CleanUp"}));
  EXPECT_EQ(QtApplication().MainWindow(), nullptr);
  EXPECT_FALSE(Application().OnMinimize);
}

TEST_F(BaseMainFormTest, ExitButtonStaysAtTheRightEdge) {
  form->resize(800, 400);
  form->show();
  EXPECT_EQ(form->Toolbar->width() - form->btnExit->x(), 592 - 560);
  form->grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/base-main-form.png"));
}

TEST_F(BaseMainFormTest, ToolbarConfigRowsAndChanges) {
  auto rows = ToolbarConfigRows(*form->ToolbarLayout);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].caption, "- Section 1 -");
  EXPECT_EQ(rows[0].button, nullptr);
  EXPECT_EQ(rows[1].caption, "Main Menu");
  EXPECT_EQ(rows[1].button, nullptr);  // tag -1: fixed
  EXPECT_TRUE(rows[1].checked);
  EXPECT_EQ(rows[2].caption, "- Section 2 -");
  EXPECT_EQ(rows[3].caption, "Open");
  EXPECT_FALSE(rows[3].checked);  // hidden at start-up
  EXPECT_EQ(rows[3].hint, "Open DataBank");
  EXPECT_EQ(rows[3].imageIndex, 1);
  EXPECT_EQ(rows[3].button, form->btnOpen);
  EXPECT_TRUE(rows[4].checked);

  TfrmToolbarConfig dlg;
  EXPECT_EQ(dlg.windowTitle(), "Toolbar Configuration");
  dlg.Fill(form->ToolbarLayout.get(), form->ImageList);
  ASSERT_EQ(dlg.lvButtons->topLevelItemCount(), 5);
  // Filling changed nothing: the hidden button stays hidden, its row unchecked.
  EXPECT_TRUE(form->btnOpen->isHidden());
  EXPECT_EQ(dlg.lvButtons->topLevelItem(3)->checkState(0), Qt::Unchecked);
  // Checking the Open row shows the button and pushes Save right by its width plus the spacing.
  const int saveBefore = form->btnSave->x();
  dlg.lvButtons->topLevelItem(3)->setCheckState(0, Qt::Checked);
  EXPECT_FALSE(form->btnOpen->isHidden());
  EXPECT_EQ(form->btnSave->x(), saveBefore + 23 + 2);
  // Section rows and the fixed button cannot be unchecked.
  dlg.lvButtons->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  dlg.lvButtons->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
  EXPECT_EQ(dlg.lvButtons->topLevelItem(0)->checkState(0), Qt::Checked);
  EXPECT_EQ(dlg.lvButtons->topLevelItem(1)->checkState(0), Qt::Checked);
  EXPECT_FALSE(form->btnMenu->isHidden());
  dlg.lvButtons->topLevelItem(4)->setCheckState(0, Qt::Unchecked);
  EXPECT_TRUE(form->btnSave->isHidden());
  dlg.grab().save(QString::fromStdString(testsupport::ArtifactDir() + "/toolbar-config.png"));
  EXPECT_GE(dlg.width(), 307);
  EXPECT_GE(dlg.height(), 281);
}
