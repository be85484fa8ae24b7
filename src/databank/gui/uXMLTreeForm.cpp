#include "databank/gui/uXMLTreeForm.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QVBoxLayout>
#include <type_traits>
#include <utility>

#include "databank/gui/TreeImages.h"
#include "databank/gui/uBankInfo.h"
#include "databank/gui/uSearchForRec.h"
#include "databank/gui/uSelectNodesForExport.h"
#include "databank/gui/uXMLBookmarkManager.h"
#include "databank/uDataBankContent.h"
#include "databank/uNodeClipboard.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtColors.h"
#include "ui/GlyphTools.h"
#include "ui/StoredText.h"
#include "ui/UToolbarConfig.h"
#include "ui/uAboutDialog.h"
#include "ui/uShellShortcut.h"
#include "xml/uGlobalSettings.h"

using platform::RunGuarded;

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// A theme icon at the list's size and at twice it.
void AddThemed(TImageList& list, const QString& name) {
  const QIcon icon = platform::ThemeIcon(name);
  const QSize size(list.Width(), list.Height());
  list.Add(icon.pixmap(size, 1.0).toImage(), icon.pixmap(size, 2.0).toImage());
}

// A box layout of w with the given margin on every side (left and right for a row) and spacing.
template <class Box>
Box* NewBox(QWidget* w, int margin = 0, int spacing = 0) {
  auto* box = new Box(w);
  if (std::is_same_v<Box, QHBoxLayout>)
    box->setContentsMargins(margin, 1, margin, 1);
  else
    box->setContentsMargins(margin, margin, margin, margin);
  box->setSpacing(spacing);
  return box;
}

// The delete picture of a folder: the folder with a red cross over it.
void AddCrossedFolder(TImageList& list) {
  const QIcon folder = platform::ThemeIcon(QStringLiteral("folder"));
  QImage pictures[2];
  for (int scale = 1; scale <= 2; ++scale) {
    const int w = list.Width() * scale, h = list.Height() * scale;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(0, 0, folder.pixmap(QSize(list.Width(), list.Height()), double(scale)).scaled(w, h));
    p.setPen(QPen(QColor(0xC0, 0x20, 0x20), 1.6 * scale, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(w * 0.45, h * 0.45), QPointF(w * 0.95, h * 0.95));
    p.drawLine(QPointF(w * 0.95, h * 0.45), QPointF(w * 0.45, h * 0.95));
    pictures[scale - 1] = image;
  }
  list.Add(pictures[0], pictures[1]);
}

}  // namespace

// FindTree reports its changes (a node chosen there is selected in Tree by its ID) and the titles
// typed into its label editor.
class TXMLTreeForm::TFindTreeEvents : public ITreeViewEvents {
 public:
  explicit TFindTreeEvents(TXMLTreeForm* form) : form_(form) {}
  void TreeChange(TTreeItem* item) override { form_->FilterResultChosen(form_->FindTree->NodeOf(item)); }
  void TreeExpanded(TTreeItem*) override {}
  void TreeCollapsed(TTreeItem*) override {}
  void TreeEditing(TTreeItem*) override {}
  void TreeEdited(TTreeItem* item, const std::string& text) override {
    form_->RenameResult(form_->FindTree->NodeOf(item), text);
  }

 private:
  TXMLTreeForm* form_;
};

namespace {
// The desktop style with a narrower horizontal padding of tabs.
class TCompactTabStyle : public QProxyStyle {
 public:
  TCompactTabStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_TabBarTabHSpace) return 12;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};
}  // namespace

// ---------------------------------------------------------------------------------------------
// The form description

TXMLTreeForm::TXMLTreeForm(QWidget* owner, std::string commandLineFile)
    : TBaseMainForm(owner), commandLineFile_(std::move(commandLineFile)) {
  setObjectName(QStringLiteral("XMLTreeForm"));
  VisibleOnCreate = true;
  resize(760, 540);
  BuildImageLists();
  BuildActions();
  BuildMenus();
  BuildToolbar();
  BuildTreePane();
  BuildEditorArea();
  BuildTray();
}

TXMLTreeForm::~TXMLTreeForm() {
  // The widgets below go after this part of the object: nothing may call back into it.
  disconnect(qApp, nullptr, this, nullptr);
  if (QClipboard* clipboard = QGuiApplication::clipboard()) disconnect(clipboard, nullptr, this, nullptr);
  if (Tree) Tree->Events = nullptr;
  SetTreeView(nullptr);
}

void TXMLTreeForm::BuildImageLists() {
  ImageList->Add(platform::ProgramIcon().pixmap(16, 16).toImage(),
                 platform::ProgramIcon().pixmap(32, 32).toImage());  // imgTray
  for (const char* name : {"document-open", "document-save", "user-desktop", "go-bottom", "view-pin"})
    AddThemed(*ImageList, QString::fromLatin1(name));
  // The pin pressed in: the same pin, tilted.
  const QIcon pin = platform::ThemeIcon(QStringLiteral("view-pin"));
  QImage tilted[2];
  for (int scale = 1; scale <= 2; ++scale) {
    QImage image(16 * scale, 16 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(8 * scale, 8 * scale);
    p.rotate(-45);
    p.drawPixmap(-8 * scale, -8 * scale, pin.pixmap(QSize(16, 16), double(scale)).scaled(16 * scale, 16 * scale));
    tilted[scale - 1] = image;
  }
  ImageList->Add(tilted[0], tilted[1]);  // imgPinDown
  AddThemed(*ImageList, QStringLiteral("help-about"));

  ToolImages = new TImageList(12, 12, this);
  ToolImages->setObjectName(QStringLiteral("ToolImages"));
  for (const char* name :
       {"folder-new", "document-new", "text-x-generic", "document-properties", "view-filter", "bookmarks", "go-down",
        "go-up", "edit-find", "window-close", "go-up", "go-down", "edit-paste", "edit-delete"})
    AddThemed(*ToolImages, QString::fromLatin1(name));
  AddCrossedFolder(*ToolImages);  // timDeleteFolder
  AddThemed(*ToolImages, QStringLiteral("edit-copy"));
  AddThemed(*ToolImages, QStringLiteral("edit-cut"));
  DisabledToolImages = new TImageList(12, 12, this);
  DisabledToolImages->setObjectName(QStringLiteral("DisabledToolImages"));
  MakeDisabledImageList(*ToolImages, *DisabledToolImages);

  TreeImageList = new TImageList(16, 16, this);
  TreeImageList->setObjectName(QStringLiteral("TreeImageList"));
}

void TXMLTreeForm::BuildActions() {
  using A = TTreeAction;
  // The window's own commands; the others get their handlers when their features plug in.
  handlers_[size_t(A::NewBase)] = [this] { Session().NewBank(); };
  handlers_[size_t(A::OpenBase)] = [this] { Session().OpenCommand(); };
  handlers_[size_t(A::SaveBase)] = [this] { Session().SaveCommand(); };
  handlers_[size_t(A::SaveBaseAs)] = [this] { Session().SaveAsCommand(); };
  // A new node's title is typed in the tree: it comes to the front.
  handlers_[size_t(A::NewFolder)] = [this] {
    ShowAllFolders();
    NewFolder();
  };
  handlers_[size_t(A::NewItem)] = [this] {
    ShowAllFolders();
    NewRecord();
  };
  handlers_[size_t(A::DeleteItem)] = [this] { DeleteNode(); };
  // A result is renamed where it shows.
  handlers_[size_t(A::RenameItem)] = [this] {
    if (ResultsInFront() && FindTree->HasFocus())
      FindTree->StartEdit(FindTree->Selected());
    else
      RenameNode();
  };
  handlers_[size_t(A::CutNode)] = [this] { CutNode(); };
  handlers_[size_t(A::CopyNode)] = [this] { CopyNode(); };
  handlers_[size_t(A::PasteNode)] = [this] { PasteNode(); };
  handlers_[size_t(A::DuplicateNode)] = [this] { DuplicateNode(); };
  handlers_[size_t(A::MoveItemUp)] = [this] { MoveNodeUp(); };
  handlers_[size_t(A::MoveItemDown)] = [this] { MoveNodeDown(); };
  handlers_[size_t(A::FullExpand)] = [this] { FullExpand(); };
  handlers_[size_t(A::FullCollapse)] = [this] { FullCollapse(); };
  handlers_[size_t(A::Lock)] = [this] { Session().SetPasswordCommand(); };
  handlers_[size_t(A::Unlock)] = [this] { Session().RemovePasswordCommand(); };
  handlers_[size_t(A::ChangePassword)] = [this] { Session().ChangePasswordCommand(); };
  handlers_[size_t(A::DatabaseSettings)] = [this] { EditDatabaseSettings(); };
  handlers_[size_t(A::FilterTree)] = [this] { FilterCommand(); };
  handlers_[size_t(A::SearchNextRecord)] = [this] { SearchNextRecord(); };
  handlers_[size_t(A::SaveBookmark)] = [this] { SaveBookmark(); };
  handlers_[size_t(A::ManageBookmarks)] = [this] { ManageBookmarks(); };
  handlers_[size_t(A::Import)] = [this] { ImportCommand(); };
  handlers_[size_t(A::Export)] = [this] { ExportCommand(); };
  handlers_[size_t(A::BankInfo)] = [this] { BankInfoCommand(); };
  handlers_[size_t(A::Settings)] = [this] {
    ShowConfig(this, *this);
    UpdateCaption();
  };
  handlers_[size_t(A::CreateDesktopShortcut)] = [this] { CreateDesktopShortcut(); };
  handlers_[size_t(A::About)] = [this] {
    platform::Application().Title = ApplicationTitle;
    ShowAboutDialog(ApplicationTitle, this);
    UpdateCaption();
  };
  handlers_[size_t(A::Restore)] = [this] { RestoreApp(); };
  handlers_[size_t(A::Homepage)] = [this] { UI().OpenUrl(HomePageURL); };
  handlers_[size_t(A::Help)] = [this] { UI().OpenUrl(HelpURL); };
  handlers_[size_t(A::Bugtracker)] = [this] { UI().OpenUrl(BugtrackerURL); };
  handlers_[size_t(A::Donate)] = [this] { UI().OpenUrl(DonateURL); };

  // Pictures: the tree commands show ToolImages' pictures, the toolbar's ImageList's.
  auto picture = [this](A a) -> std::pair<TImageList*, int> {
    switch (a) {
      case A::OpenBase:
        return {ImageList, imgOpen};
      case A::SaveBase:
        return {ImageList, imgSave};
      case A::CreateDesktopShortcut:
        return {ImageList, imgShortcut};
      case A::About:
        return {ImageList, imgAbout};
      case A::NewFolder:
        return {ToolImages, timNewFolder};
      case A::NewItem:
        return {ToolImages, timNewRecord};
      case A::RenameItem:
        return {ToolImages, timRename};
      case A::RecordProperties:
        return {ToolImages, timProperties};
      case A::FilterTree:
        return {ToolImages, timFilter};
      case A::SearchNextRecord:
        return {ToolImages, timQuickSearch};
      case A::DeleteItem:
        return {ToolImages, timDeleteRecord};
      case A::MoveItemUp:
        return {ToolImages, timMoveUp};
      case A::MoveItemDown:
        return {ToolImages, timMoveDown};
      case A::PasteNode:
        return {ToolImages, timPaste};
      case A::CopyNode:
      case A::DuplicateNode:
        return {ToolImages, timCopy};
      case A::CutNode:
        return {ToolImages, timCut};
      case A::SaveBookmark:
      case A::ManageBookmarks:
        return {ToolImages, timBookmarks};
      default:
        return {nullptr, -1};
    }
  };
  for (const TTreeActionDef& def : TreeActionTable()) {
    auto* action = new QAction(QString::fromUtf8(def.Caption), this);
    action->setObjectName(QString::fromLatin1(def.Name));
    action->setToolTip(action->text());
    action->setStatusTip(action->text());
    if (*def.Shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(def.Shortcut), QKeySequence::PortableText));
    action->setShortcutContext(Qt::WindowShortcut);
    // The tree's menu is a context menu; it names the keys as the main menu does.
    action->setShortcutVisibleInContextMenu(true);
    const auto [list, index] = picture(def.Action);
    if (list) {
      action->setIcon(list->Icon(index));
      action->setProperty("imageIndex", index);
    }
    const TTreeAction id = def.Action;
    connect(action, &QAction::triggered, this, [this, id] { RunAction(id); });
    addAction(action);
    actions_[size_t(def.Action)] = action;
  }
}

void TXMLTreeForm::RunAction(TTreeAction action) {
  // A label edit the user has not begun (a click's, waiting or just opened) gives way to the command.
  Tree->YieldToCommand();
  const auto& handler = handlers_[size_t(action)];
  if (handler) RunGuarded(handler);
  UpdateActions();
}

void TXMLTreeForm::SetActionHandler(TTreeAction action, std::function<void()> handler) {
  handlers_[size_t(action)] = std::move(handler);
  UpdateActions();
}

void TXMLTreeForm::BuildMenus() {
  using A = TTreeAction;
  auto menu = [this](const char* name) {
    auto* m = new QMenu(this);
    m->setObjectName(QString::fromLatin1(name));
    connect(m, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
    return m;
  };
  RecentMenu = menu("RecentMenu");
  SaveDropMenu = menu("SaveDropMenu");
  TreeMenu = menu("TreeMenu");
  InfoDropdownMenu = menu("InfoDropdownMenu");
  BookmarksMenu = menu("BookmarksMenu");
  TrayMenu = menu("TrayMenu");
  OpenRecentMenu = menu("OpenRecentMenu");
  ConfigurationMenu = menu("ConfigurationMenu");
  SortItemsMenu = menu("SortItemsMenu");
  OpenRecentMenu->setTitle(QStringLiteral("Open Recent"));
  ConfigurationMenu->setTitle(QStringLiteral("Configuration"));
  SortItemsMenu->setTitle(QStringLiteral("Sort Items"));
  BuildMainMenu();
  BuildButtonMenus();
  BuildTreeMenu();
  // The tray icon's menu.
  TrayMenu->addAction(Action(A::Restore));
  TrayMenu->addAction(Action(A::About));
  TrayMenu->addAction(actnExit);
}

// The main menu drops from the toolbar's menu button.
void TXMLTreeForm::BuildMainMenu() {
  using A = TTreeAction;
  MainMenu->addAction(Action(A::NewBase));
  MainMenu->addAction(Action(A::OpenBase));
  MainMenu->addMenu(OpenRecentMenu);
  MainMenu->addAction(Action(A::SaveBase));
  MainMenu->addAction(Action(A::SaveBaseAs));
  MainMenu->addAction(Action(A::Export));
  MainMenu->addAction(Action(A::Import));
  MainMenu->addSeparator();
  MainMenu->addAction(Action(A::Lock));
  MainMenu->addAction(Action(A::Unlock));
  MainMenu->addAction(Action(A::ChangePassword));
  miCompress = MainMenu->addAction(QStringLiteral("Compress Saved Data"));
  miCompress->setObjectName(QStringLiteral("miCompress"));
  miCompress->setCheckable(true);
  connect(miCompress, &QAction::triggered, this, [this] {
    RunGuarded([this] { Session().ToggleCompress(); });
    UpdateActions();
  });
  MainMenu->addSeparator();
  MainMenu->addAction(Action(A::DatabaseSettings));
  MainMenu->addAction(Action(A::BankInfo));
  // The bookmarks button's menu, so that the keyboard reaches it too (F10).
  BookmarksMenu->setTitle(QStringLiteral("Bookmarks"));
  BookmarksMenu->setIcon(ToolImages->Icon(timBookmarks));
  MainMenu->addMenu(BookmarksMenu);
  MainMenu->addSeparator();
  MainMenu->addMenu(ConfigurationMenu);
  BuildConfigurationMenu();
  MainMenu->addSeparator();
  MainMenu->addAction(Action(A::About));
  MainMenu->addAction(actnExit);
  connect(MainMenu, &QMenu::aboutToShow, this, [this] { BuildRecentMenu(OpenRecentMenu); });
}

void TXMLTreeForm::BuildConfigurationMenu() {
  ConfigurationMenu->addAction(Action(TTreeAction::Settings));
  miToolbars = ConfigurationMenu->addAction(QStringLiteral("Toolbars ..."));
  miToolbars->setObjectName(QStringLiteral("miToolbars"));
  miToolbars->setVisible(false);  // the main window above relabels it
  connect(miToolbars, &QAction::triggered, this,
          [this] { RunGuarded([this] { ShowToolbarConfig(ToolbarLayout.get(), ImageList); }); });
  miShowStatusbar = ConfigurationMenu->addAction(QStringLiteral("Show Statusbar"));
  miShowStatusbar->setObjectName(QStringLiteral("miShowStatusbar"));
  miShowStatusbar->setCheckable(true);
  connect(miShowStatusbar, &QAction::toggled, this, [this](bool on) {
    StatusPanel->setVisible(on);
    WindowSettings.ShowStatusBar = on;
  });
  miShowTreeToolbar = ConfigurationMenu->addAction(QStringLiteral("Show Tree Toolbar"));
  miShowTreeToolbar->setObjectName(QStringLiteral("miShowTreeToolbar"));
  miShowTreeToolbar->setCheckable(true);
  connect(miShowTreeToolbar, &QAction::triggered, this, [this] {
    btnTreeToolbar->SetDown(!btnTreeToolbar->Down());
    TreeToolbarClicked();
  });
}

// The menus that drop from the toolbars' buttons.
void TXMLTreeForm::BuildButtonMenus() {
  using A = TTreeAction;
  for (A fixed : {A::OpenBase, A::Import}) {
    Action(fixed)->setProperty("Tag", 1);  // kept when the recent files are listed again
    RecentMenu->addAction(Action(fixed));
  }
  RecentMenu->addSeparator()->setProperty("Tag", 1);
  connect(RecentMenu, &QMenu::aboutToShow, this, [this] { BuildRecentMenu(RecentMenu); });

  SaveDropMenu->addAction(Action(A::SaveBase));
  SaveDropMenu->addAction(Action(A::SaveBaseAs));
  SaveDropMenu->addAction(Action(A::Export));

  InfoDropdownMenu->addAction(Action(A::Homepage));
  InfoDropdownMenu->addAction(Action(A::Bugtracker));
  InfoDropdownMenu->addAction(Action(A::About));
  InfoDropdownMenu->addAction(Action(A::Help));
  InfoDropdownMenu->addAction(Action(A::Donate));

  BookmarksMenu->addAction(Action(A::SaveBookmark));
  BookmarksMenu->addAction(Action(A::ManageBookmarks));
  BookmarksMenu->addSeparator();
  connect(BookmarksMenu, &QMenu::aboutToShow, this, [this] { RunGuarded([this] { BuildBookmarksMenu(); }); });
}

// The tree's context menu.
void TXMLTreeForm::BuildTreeMenu() {
  using A = TTreeAction;
  TreeMenu->addAction(Action(A::NewFolder));
  TreeMenu->addAction(Action(A::NewItem));
  TreeMenu->addAction(Action(A::RenameItem));
  TreeMenu->addAction(Action(A::DeleteItem));
  // Its own item: the main window above shows it; the command is shared.
  miItemProperties = TreeMenu->addAction(Action(A::RecordProperties)->text());
  miItemProperties->setObjectName(QStringLiteral("miItemProperties"));
  miItemProperties->setVisible(false);
  // It names the command's key; the key itself stays the command's (this one answers only inside
  // the open menu, so the two never compete).
  miItemProperties->setShortcut(Action(A::RecordProperties)->shortcut());
  miItemProperties->setShortcutContext(Qt::WidgetShortcut);
  miItemProperties->setShortcutVisibleInContextMenu(true);
  connect(miItemProperties, &QAction::triggered, Action(A::RecordProperties), &QAction::trigger);
  TreeMenu->addSeparator();
  TreeMenu->addAction(Action(A::SearchNextRecord));
  TreeMenu->addSeparator();
  TreeMenu->addAction(Action(A::FullCollapse));
  TreeMenu->addAction(Action(A::FullExpand));
  TreeMenu->addSeparator();
  TreeMenu->addAction(Action(A::MoveItemUp));
  TreeMenu->addAction(Action(A::MoveItemDown));
  TreeMenu->addMenu(SortItemsMenu);
  SortItemsMenu->menuAction()->setVisible(false);  // sorting has no rules yet
  SortItemsMenu->addAction(Action(A::SortByName));
  for (const char* text : {"Folders First", "Descending"})
    SortItemsMenu->addAction(QString::fromLatin1(text))->setEnabled(false);
  TreeMenu->addSeparator();
  TreeMenu->addAction(Action(A::CopyNode));
  TreeMenu->addAction(Action(A::CutNode));
  TreeMenu->addAction(Action(A::PasteNode));
  TreeMenu->addAction(Action(A::DuplicateNode));
}

void TXMLTreeForm::BuildBookmarksMenu() {
  // The items point at nothing the databank holds: a bookmark is found by its node's ID when chosen.
  for (QAction* item : BookmarksMenu->actions()) {
    if (!item->property("bookmarkID").isValid()) continue;
    BookmarksMenu->removeAction(item);
    delete item;
  }
  for (const TBookmarkMenuItem& bookmark : BookmarkMenu()) {
    QString caption = Q(bookmark.Caption);
    QAction* item =
        BookmarksMenu->addAction(ToolImages->Icon(timBookmarks), caption.replace('&', QStringLiteral("&&")));
    item->setProperty("bookmarkID", bookmark.TargetID);
    const int id = bookmark.TargetID;
    connect(item, &QAction::triggered, this, [this, id] {
      RunGuarded([&] { GotoBookmark(id); });
      UpdateActions();
    });
  }
}

void TXMLTreeForm::BuildRecentMenu(QMenu* menu) {
  if (!HasSession()) return;
  for (QAction* item : menu->actions()) {
    if (item->property("Tag").toInt() == 1) continue;
    menu->removeAction(item);
    if (item->parent() == menu) delete item;
  }
  for (const TRecentItem& recent : Session().RecentMenuItems()) {
    QAction* item = menu->addAction(Q(recent.Caption));
    item->setEnabled(recent.Enabled);
    const std::string entry = recent.Entry;
    connect(item, &QAction::triggered, this, [this, entry] {
      RunGuarded([&] { Session().OpenRecentFile(entry); });
      UpdateActions();
    });
  }
}

TmxXPButton* TXMLTreeForm::NewButton(QWidget* parent, const char* name, TImageList* images, int image) {
  auto* b = new TmxXPButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  StyleToolbarButton(b, images, images == ImageList ? DisabledImageList : DisabledToolImages);
  b->SetImageIndex(image);
  b->setProperty("Tag", image);
  return b;
}

TXMLTreeForm::TTitleBar TXMLTreeForm::NewTitleBar(QWidget* parent, const char* panelName, const char* captionName,
                                                  const QString& caption, int spacing) {
  auto* panel = new TSimplePanel(parent);
  panel->setObjectName(QString::fromLatin1(panelName));
  panel->setFixedHeight(24);
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, platform::ToQColor(platform::clBtnShadow));
  palette.setColor(QPalette::WindowText, Qt::white);
  panel->setPalette(palette);
  auto* row = NewBox<QHBoxLayout>(panel, 3, spacing);
  auto* label = new QLabel(caption, panel);
  label->setObjectName(QString::fromLatin1(captionName));
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  row->addWidget(label);
  return {panel, label, row};
}

TmxXPButton* TXMLTreeForm::NewTitleSwitch(const TTitleBar& bar, const char* name, int image, const char* hint) {
  TmxXPButton* b = NewButton(bar.Panel, name, ToolImages, image);
  b->SetIsToggleButton(true);
  b->setToolTip(QString::fromLatin1(hint));
  b->SetCaption(QString::fromLatin1(hint));
  b->setFixedSize(20, 20);
  bar.Row->addWidget(b);
  return b;
}

void TXMLTreeForm::BuildToolbar() {
  using A = TTreeAction;
  // Open and Save are placed by the toolbar layout, whose stored visibility is theirs alone: they
  // copy their command's state instead of following the command's visibility.
  btnOpenBase = NewButton(Toolbar, "btnOpenBase", ImageList, imgOpen);
  btnSaveBase = NewButton(Toolbar, "btnSaveBase", ImageList, imgSave);
  for (auto [button, action, menu] :
       {std::tuple{btnOpenBase, A::OpenBase, RecentMenu}, std::tuple{btnSaveBase, A::SaveBase, SaveDropMenu}}) {
    button->setGeometry(0, 1, 35, 22);
    button->SetDropdownMenu(menu);
    button->setToolTip(Action(action)->text());
    button->SetCaption(Action(action)->text());
    QAction* command = Action(action);
    button->OnClick = [command](TmxXPButton*) { command->trigger(); };
  }
  btnCreateShortcut = NewButton(Toolbar, "btnCreateShortcut", ImageList, imgShortcut);
  btnCreateShortcut->SetAction(Action(A::CreateDesktopShortcut));
  btnMinimizeToTray = NewButton(Toolbar, "btnMinimizeToTray", ImageList, imgMinimizeToTray);
  btnMinimizeToTray->setToolTip(QStringLiteral("Minimize to Tray"));
  btnMinimizeToTray->SetCaption(QStringLiteral("Minimize to Tray"));
  btnMinimizeToTray->OnClick = [this](TmxXPButton*) { RunGuarded([this] { MinimizeToTray(); }); };
  btnPin = NewButton(Toolbar, "btnPin", ImageList, imgPin);
  btnPin->SetIsToggleButton(true);
  btnPin->setToolTip(QStringLiteral("StayOnTop"));
  btnPin->SetCaption(QStringLiteral("StayOnTop"));
  btnPin->OnClick = [this](TmxXPButton*) { RunGuarded([this] { PinClicked(); }); };
  btnAbout = NewButton(Toolbar, "btnAbout", ImageList, imgAbout);
  btnAbout->SetAction(Action(A::About));
  btnAbout->SetDropdownMenu(InfoDropdownMenu);
  for (TmxXPButton* b : {btnCreateShortcut, btnMinimizeToTray, btnPin}) b->setGeometry(0, 1, 23, 22);
  btnAbout->setGeometry(0, 1, 35, 22);
  PlaceRightButtons();
}

void TXMLTreeForm::PlaceRightButtons() {
  // Anchored at the right, before the exit button.
  int x = btnExit->x() - 6;
  for (TmxXPButton* b : {btnAbout, btnPin, btnMinimizeToTray, btnCreateShortcut}) {
    if (b->isHidden()) continue;
    x -= b->width();
    b->move(x, 1);
    x -= 2;
  }
}

void TXMLTreeForm::BuildTreePane() {
  Splitter = new QSplitter(Qt::Horizontal, ClientArea());
  Splitter->setObjectName(QStringLiteral("Splitter"));
  Splitter->setChildrenCollapsible(false);
  auto* clientLayout = NewBox<QVBoxLayout>(ClientArea());
  clientLayout->addWidget(Splitter, 1);

  TreePanel = new TSimplePanel(Splitter);
  TreePanel->setObjectName(QStringLiteral("TreePanel"));
  auto* treeLayout = NewBox<QVBoxLayout>(TreePanel);
  treeLayout->addWidget(BuildTreeTitle());
  treeLayout->addWidget(BuildTreeView(), 1);
  treeLayout->addWidget(BuildFilterPages(), 1);
}

// "Folders", the quick search box and the switches for it and for the tree's toolbar.
QWidget* TXMLTreeForm::BuildTreeTitle() {
  const TTitleBar title = NewTitleBar(TreePanel, "TreeTitlePanel", "lblTreeTitle", QStringLiteral("Folders"), 2);
  TreeTitlePanel = title.Panel;
  lblTreeTitle = title.Caption;
  QHBoxLayout* titleLayout = title.Row;
  eQuickSearch = new QLineEdit(TreeTitlePanel);
  eQuickSearch->setObjectName(QStringLiteral("eQuickSearch"));
  LiftLengthLimit(eQuickSearch);
  eQuickSearch->setToolTip(QStringLiteral("Quick Search"));
  eQuickSearch->setPlaceholderText(QStringLiteral("Quick Search"));
  eQuickSearch->setVisible(false);
  connect(eQuickSearch, &QLineEdit::textChanged, this,
          [this](const QString& text) { RunGuarded([&] { QuickSearchChanged(text.toStdString()); }); });
  eQuickSearch->installEventFilter(this);  // for Ctrl+Tab
  titleLayout->addWidget(eQuickSearch, 1);
  titleLayout->addStretch(0);
  btnQuickSearch = NewTitleSwitch(title, "btnQuickSearch", timQuickSearch, "Show/Hide Quick search");
  btnQuickSearch->OnClick = [this](TmxXPButton*) { QuickSearchClicked(); };
  btnTreeToolbar = NewTitleSwitch(title, "btnTreeToolbar", timTreeToolbar, "Show Tree Toolbar");
  btnTreeToolbar->SetDown(true);
  btnTreeToolbar->OnClick = [this](TmxXPButton*) { TreeToolbarClicked(); };
  return TreeTitlePanel;
}

// The tree with its toolbar; the filter moves this panel into the page control's first page.
QWidget* TXMLTreeForm::BuildTreeView() {
  TreeView = new TSimplePanel(TreePanel);
  TreeView->setObjectName(QStringLiteral("TreeView"));
  auto* viewLayout = NewBox<QVBoxLayout>(TreeView);
  viewLayout->addWidget(BuildTreeToolbar());
  Tree = new TTreeWidget(TreeView);
  Tree->setObjectName(QStringLiteral("Tree"));
  Tree->SetImages(TreeImageList);
  Tree->OnContextMenu = [this](QPoint at) {
    UpdateActions();
    TreeMenu->exec(at);
  };
  Tree->OnReturn = [this] { EditSelectedRecord(); };
  Tree->OnNextControl = [this](bool forward) { NextControl(forward); };
  Tree->OnEditTouched = [this] { UpdateActions(); };
  Tree->OnCanDrop = [this](TTreeItem* dragged, TTreeItem* target) {
    return CanDrop(Tree->NodeOf(dragged), Tree->NodeOf(target));
  };
  Tree->OnDrop = [this](TTreeItem* dragged, TTreeItem* target) {
    DropNode(Tree->NodeOf(dragged), Tree->NodeOf(target));
  };
  viewLayout->addWidget(Tree, 1);
  return TreeView;
}

QWidget* TXMLTreeForm::BuildTreeToolbar() {
  using A = TTreeAction;
  TreeToolbar = new TToolbarPanel(TreeView);
  TreeToolbar->setObjectName(QStringLiteral("TreeToolbar"));
  TreeToolbar->setFixedHeight(24);
  auto* barLayout = NewBox<QHBoxLayout>(TreeToolbar, 2, 1);
  auto bind = [&](TmxXPButton*& button, const char* name, A action) {
    button = NewButton(TreeToolbar, name, ToolImages, Action(action)->property("imageIndex").toInt());
    button->SetAction(Action(action));
    button->setFixedSize(22, 22);
    barLayout->addWidget(button);
  };
  bind(btnNewFolder, "btnNewFolder", A::NewFolder);
  bind(btnNewItem, "btnNewItem", A::NewItem);
  bind(btnDelete, "btnDelete", A::DeleteItem);
  btnDelete->setProperty("Tag", int(timDeleteRecord));
  bind(btnRename, "btnRename", A::RenameItem);
  bind(btnItemProperties, "btnItemProperties", A::RecordProperties);
  bind(btnFindRecord, "btnFindRecord", A::FilterTree);
  btnBookmarks = NewButton(TreeToolbar, "btnBookmarks", ToolImages, timBookmarks);
  btnBookmarks->SetDropdownMenu(BookmarksMenu);
  btnBookmarks->SetFullDrop(true);
  btnBookmarks->setToolTip(QStringLiteral("Bookmarks"));
  btnBookmarks->SetCaption(QStringLiteral("Bookmarks"));
  btnBookmarks->setFixedSize(30, 22);
  barLayout->addWidget(btnBookmarks);
  barLayout->addStretch(1);
  return TreeToolbar;
}

// The pages the filter shows: the whole tree, the filter's results with their status line, and a
// tab that clears the filter.
QWidget* TXMLTreeForm::BuildFilterPages() {
  TreePageControl = new QTabWidget(TreePanel);
  // Tabs padded less than the desktop style pads them, so the captions fit the pane's default width.
  auto* tabStyle = new TCompactTabStyle;
  tabStyle->setParent(TreePageControl->tabBar());
  TreePageControl->tabBar()->setStyle(tabStyle);
  TreePageControl->setObjectName(QStringLiteral("TreePageControl"));
  // The pane is narrow: captions are shortened rather than scrolled out of reach.
  TreePageControl->setUsesScrollButtons(false);
  TreePageControl->setElideMode(Qt::ElideRight);
  TreePage = new QWidget;
  TreePage->setObjectName(QStringLiteral("TreePage"));
  NewBox<QVBoxLayout>(TreePage);
  FindTreePage = new QWidget;
  FindTreePage->setObjectName(QStringLiteral("FindTreePage"));
  auto* findLayout = NewBox<QVBoxLayout>(FindTreePage);
  FindTree = new TTreeWidget(FindTreePage);
  FindTree->setObjectName(QStringLiteral("FindTree"));
  FindTree->SetImages(TreeImageList);
  FindTree->SetReadOnly(true);
  FindTree->SetRenameByCommand(true);
  FindTree->SetHotTrack(true);
  FindTree->SetEmptyText(QString::fromLatin1(SNoRecordsMatch));
  findTreeEvents_ = std::make_unique<TFindTreeEvents>(this);
  FindTree->Events = findTreeEvents_.get();
  // The result chosen is the record open in the editor: Enter goes on into its code.
  FindTree->OnReturn = [this] { EditSelectedRecord(); };
  FindTree->OnNextControl = [this](bool forward) { NextControl(forward); };
  // The results share the tree's selection, and so its menu (the mouse's, Shift+F10, the Menu key).
  FindTree->OnContextMenu = [this](QPoint at) {
    UpdateActions();
    TreeMenu->exec(at);
  };
  findLayout->addWidget(FindTree, 1);
  findLayout->addWidget(BuildFilterStatus());
  CloseTreePage = new QWidget;
  CloseTreePage->setObjectName(QStringLiteral("CloseTreePage"));
  TreePageControl->addTab(TreePage, QStringLiteral("All Folders"));
  TreePageControl->addTab(FindTreePage, QStringLiteral("Filter Results"));
  const int close = TreePageControl->addTab(CloseTreePage, ToolImages->Icon(timClearFilter), QString());
  TreePageControl->setTabToolTip(close, QStringLiteral("Clear Filter"));
  TreePageControl->setVisible(false);
  // Ctrl+Tab goes on to the next control from the tab strip too, instead of turning its pages (the
  // last of which clears the filter).
  TreePageControl->installEventFilter(this);
  TreePageControl->tabBar()->installEventFilter(this);
  connect(TreePageControl, &QTabWidget::currentChanged, this, [this](int) {
    if (TreePageControl->currentWidget() == CloseTreePage) RunGuarded([this] { HideFilter(); });
    // Back in front, the results show the selection again (or, where it is none of them, none).
    if (TreePageControl->currentWidget() == FindTreePage) RunGuarded([this] { SyncResultsSelection(); });
    UpdateActions();
  });
  return TreePageControl;
}

// What the filter looked for, and how.
QWidget* TXMLTreeForm::BuildFilterStatus() {
  FilterStatus = new TSimplePanel(FindTreePage);
  FilterStatus->setObjectName(QStringLiteral("FilterStatus"));
  FilterStatus->setFixedHeight(18);
  auto* statusLayout = NewBox<QHBoxLayout>(FilterStatus);
  auto label = [this, statusLayout](const char* name, const char* text, const char* hint = nullptr) {
    auto* l = new QLabel(QString::fromLatin1(text), FilterStatus);
    l->setObjectName(QString::fromLatin1(name));
    if (hint) l->setToolTip(QString::fromLatin1(hint));
    statusLayout->addWidget(l);
    return l;
  };
  lFilter1 = label("lFilter1", SFilterLabel);
  // A long text is shortened in its middle, so the way it was searched for stays in sight.
  lFilterText = new TElidedLabel(Qt::ElideMiddle, FilterStatus);
  lFilterText->setObjectName(QStringLiteral("lFilterText"));
  statusLayout->addWidget(lFilterText);
  QFont boldText = lFilterText->font();
  boldText.setBold(true);
  lFilterText->setFont(boldText);
  Label1 = label("Label1", SFilterAs);
  lFilterType = label("lFilterType", "");
  lCaseSensitive = label("lCaseSensitive", SFilterCase, SFilterCaseHint);
  lWordWrap = label("lWordWrap", SFilterWhole, SFilterWholeHint);
  statusLayout->addStretch(1);
  FilterStatus->installEventFilter(this);  // fitted again to each width
  return FilterStatus;
}

// The pattern matters more than the words around it: where the whole line does not fit, " Filter: "
// and then " as:" give way before the pattern is shortened.
void TXMLTreeForm::FitFilterStatus() {
  const bool caseShown = !lCaseSensitive->isHidden(), wholeShown = !lWordWrap->isHidden();
  auto width = [](QLabel* label) { return label->fontMetrics().horizontalAdvance(label->text()); };
  const int room = FilterStatus->contentsRect().width() - 2;
  const int withAs = width(lFilterText) + width(Label1) + width(lFilterType) + (caseShown ? width(lCaseSensitive) : 0) +
                     (wholeShown ? width(lWordWrap) : 0);
  Label1->setVisible(withAs <= room);
  lFilter1->setVisible(withAs + width(lFilter1) <= room);
}

void TXMLTreeForm::BuildEditorArea() {
  EditorArea = new QWidget(Splitter);
  EditorArea->setObjectName(QStringLiteral("EditorArea"));
  NewBox<QVBoxLayout>(EditorArea);
  pnlCurtain = new QLabel(QString::fromUtf8(SNoRecordSelected), EditorArea);
  pnlCurtain->setObjectName(QStringLiteral("pnlCurtain"));
  pnlCurtain->setAlignment(Qt::AlignCenter);
  pnlCurtain->setFrameShape(QFrame::StyledPanel);
  pnlCurtain->setAutoFillBackground(true);
  pnlCurtain->setVisible(false);
  EditorArea->installEventFilter(this);
  Splitter->addWidget(TreePanel);
  Splitter->addWidget(EditorArea);
  Splitter->setStretchFactor(0, 0);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({treesettings::DesignedTreeWidth, width() - treesettings::DesignedTreeWidth});

  StatusPanel = new TStatusPanel(ClientArea());
  StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
  StatusPanel->setVisible(false);
  ClientArea()->layout()->addWidget(StatusPanel);
}

void TXMLTreeForm::BuildTray() {
  TrayIcon = std::make_unique<TTrayIcon>(this);
  TrayIcon->SetImageList(ImageList);
  TrayIcon->SetImageIndex(imgTray);
  TrayIcon->SetPopupMenu(TrayMenu);
  TrayIcon->OnClick = [this](TTrayIcon*) { RestoreApp(); };
}

// ---------------------------------------------------------------------------------------------
// Life of the window

void TXMLTreeForm::FormCreate() {
  TBaseMainForm::FormCreate();
  LoadTreeImages();
  TBankSession::TOptions options;
  options.ProgramDir = ExtractFileDir(ExecutablePath());
  options.UserDir = UserDataFolder();
  // The window goes on while a large databank is written.
  options.BackgroundSaves = true;
  CreateSession(GetSettings(), options);
  Session().ApplicationTitle = ApplicationTitle;
  Session().Hooks.CloseDeferred = [this] { CloseAndEnd(); };
  SetTreeView(Tree);
  SetFindTreeView(FindTree);
  Tree->Events = this;
  InTray = false;
  TreePageControl->setCurrentWidget(TreePage);
  if (TXMLSettings* global = GlobalSettings())
    settingsFileExisted_ = FileExists(global->FileName().empty() ? SettingsFilePath() : global->FileName());
  Toolbar->installEventFilter(this);
  if (QClipboard* clipboard = QGuiApplication::clipboard())
    connect(clipboard, &QClipboard::dataChanged, this, [this] { ClipboardChanged(); });
  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateActions(); });
  clipboardHasNode_ = ClipboardHasXMLNode();
  Tree->setFocus();
}

void TXMLTreeForm::LoadTreeImages() {
  Images.Ranges = LoadTreeImageStrips(*TreeImageList);
  Images.DefaultFolderImage = Images.Ranges.FolderFirst;
  Images.DefaultDocImage = Images.Ranges.RecordFirst;
}

void TXMLTreeForm::FormShow() {
  TBaseMainForm::FormShow();
  HideFilter();
  // Only a window without any databank opens one: a databank never saved is not replaced when the
  // window comes back from the notification area.
  if (HasSession() && !Bank() && !InTray) Session().StartupOpen();
  UpdateActions();
}

void TXMLTreeForm::AfterShow() {
  TBaseMainForm::AfterShow();
  if (firstRunChecked_ || !HasSession()) return;
  firstRunChecked_ = true;
  if (settingsFileExisted_) return;
  // The first run: the settings file is written, and the sample opens unless a file was opened (the
  // session waits for a start-up open whose prompt or box is running this).
  Session().FirstRun();
}

bool TXMLTreeForm::FirstRunStillOwed() const {
  return !settingsFileExisted_ && (!HasSession() || (!Session().FirstRunDone() && Session().LastOpened().empty()));
}

void TXMLTreeForm::FormCloseQuery(bool& canClose) {
  TBaseMainForm::FormCloseQuery(canClose);
  // A close that comes while a databank is being opened, saved or imported (from a signal or the
  // desktop session, through a prompt's event loop) waits until that step has ended.
  if (canClose && HasSession() && !Session().MayClose()) canClose = false;
}

void TXMLTreeForm::FormClose(TCloseAction& action) {
  TBaseMainForm::FormClose(action);
  // At the end of the desktop session nobody answers for a file another program changed.
  const TIfFileChanged ifChanged = EndingSession() ? TIfFileChanged::WriteBeside : TIfFileChanged::Ask;
  // The window stays while its questions are asked, so that they stand on it, and goes once the
  // answers let the close go on; with nothing to ask it goes at once (a large databank's closing save
  // is then written out of sight).
  if (HasSession() && !Session().CloseWouldAsk(ifChanged)) hide();
  if (HasSession() && !Session().CloseForExit(ifChanged)) {
    // The changes could not be kept: the window stays.
    action = TCloseAction::caNone;
    show();
    return;
  }
  hide();
  if (TrayIcon && TrayIcon->Visible()) TrayIcon->HideIcon();
}

void TXMLTreeForm::SessionEnding() {
  if (HasSession()) Session().EndWithoutAnswers();
}

void TXMLTreeForm::CleanUp() {
  TBaseMainForm::CleanUp();
  Editor = nullptr;
}

void TXMLTreeForm::FormDestroy() {
  // The settings section goes before this runs: nothing may reach it any more.
  Tree->Events = nullptr;
  FindTree->Events = nullptr;
  SetTreeView(nullptr);
  DestroySession();
  TrayIcon.reset();
  ClearXMLNodeClipboard();
  TBaseMainForm::FormDestroy();
}

void TXMLTreeForm::LoadUISettings() {
  TBaseMainForm::LoadUISettings();
  TSettings& s = *GetSettings();
  WindowSettings.LoadUI(s);
  btnTreeToolbar->SetDown(WindowSettings.ShowTreeToolbar);
  TreeToolbarClicked();
  btnQuickSearch->SetDown(WindowSettings.ShowQuickSearch);
  eQuickSearch->setVisible(WindowSettings.ShowQuickSearch);
  btnPin->SetDown(WindowSettings.StayOnTop);
  PinClicked();
  miShowStatusbar->setChecked(WindowSettings.ShowStatusBar);
  StatusPanel->setVisible(WindowSettings.ShowStatusBar);
  TrayIcon->SetMinimizeToTray(WindowSettings.MinimizeToTray);
  UpdateCaption();
}

void TXMLTreeForm::LoadSettings() {
  TBaseMainForm::LoadSettings();
  TSettings& s = *GetSettings();
  WindowSettings.Load(s);
  TrayIcon->SetMinimizeToTray(WindowSettings.MinimizeToTray);
  // The window has its stored size by now; the splitter inside it is laid out only when it shows.
  const int room = std::max(Splitter->width(), width());
  const int tree = treesettings::TreePaneWidth(WindowSettings.TreeWidth, room);
  Splitter->setSizes({tree, room - tree});
  MinimizeOnClose = WindowSettings.HardQuit;
  if (HasSession() && !reloadingSettings_) {
    Session().LoadFileSettings(commandLineFile_);
    // The window is made and shown meanwhile; one that starts minimised opens its databank later.
    if (!StartMinimized && !Bank()) Session().ReadAheadStartupFile();
  }
  if (Editor) {
    Editor->SetSettings(&s);
    Editor->LoadEditorSettings();
  }
  if (ToolbarLayout && ToolbarLayout->Count() > 0) ApplyToolbarVisibility();
}

void TXMLTreeForm::SaveSettings() {
  TBaseMainForm::SaveSettings();
  TSettings& s = *GetSettings();
  WindowSettings.ShowTreeToolbar = btnTreeToolbar->Down();
  WindowSettings.ShowQuickSearch = btnQuickSearch->Down();
  WindowSettings.StayOnTop = btnPin->Down();
  WindowSettings.ShowStatusBar = miShowStatusbar->isChecked();
  const int treeWidth = Splitter->sizes().value(0);
  if (treeWidth > 0) WindowSettings.TreeWidth = treeWidth;
  WindowSettings.Save(s);
  if (HasSession()) Session().SaveFileSettings();
  if (ToolbarLayout) {
    std::unique_ptr<TSettings> section = s.OpenSection(treesettings::ToolbarSection);
    for (int i = 0; section && i < ToolbarLayout->Count(); ++i)
      if (QWidget* w = ToolbarLayout->GetControl(i)->Widget())
        section->WriteBool(ToolbarVisibleKey(w->objectName().toStdString()), !w->isHidden());
  }
  if (Editor) Editor->SaveEditorSettings();
}

void TXMLTreeForm::RegisterToolbars() {
  TBaseMainForm::RegisterToolbars();
  ToolbarLayout->AddControl(1, btnOpenBase);
  ToolbarLayout->AddControl(1, btnSaveBase);
}

void TXMLTreeForm::ToolbarsRegistered() {
  TBaseMainForm::ToolbarsRegistered();
  ApplyToolbarVisibility();
}

// The stored visibility of each control of the toolbar layout (its current one when none is stored).
void TXMLTreeForm::ApplyToolbarVisibility() {
  std::unique_ptr<TSettings> section = GetSettings()->OpenSection(treesettings::ToolbarSection);
  if (!section || !ToolbarLayout) return;
  for (int i = 0; i < ToolbarLayout->Count(); ++i)
    if (QWidget* w = ToolbarLayout->GetControl(i)->Widget())
      w->setVisible(section->ReadBool(ToolbarVisibleKey(w->objectName().toStdString()), !w->isHidden()));
  ToolbarLayout->Arrange();
}

bool TXMLTreeForm::IsControlTab(const QKeyEvent& event, bool& forward) {
  const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
  const bool tab = event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
  if (!tab || (mods != Qt::ControlModifier && mods != (Qt::ControlModifier | Qt::ShiftModifier))) return false;
  forward = event.key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier);
  return true;
}

std::vector<QWidget*> TXMLTreeForm::ControlStops() const {
  return {ResultsInFront() ? FindTree : Tree};
}

void TXMLTreeForm::FocusStop(QWidget* stop) {
  stop->setFocus(Qt::TabFocusReason);
}

void TXMLTreeForm::NextControl(bool forward) {
  const std::vector<QWidget*> stops = ControlStops();
  if (stops.empty()) return;
  const QWidget* focus = QApplication::focusWidget();
  const int count = static_cast<int>(stops.size());
  int at = -1;
  for (int i = 0; i < count; ++i)
    if (focus && (focus == stops[size_t(i)] || stops[size_t(i)]->isAncestorOf(focus))) at = i;
  const int next = at < 0 ? (forward ? 0 : count - 1) : (at + (forward ? 1 : count - 1)) % count;
  RunGuarded([&] { FocusStop(stops[size_t(next)]); });
}

bool TXMLTreeForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FilterStatus && event->type() == QEvent::Resize) FitFilterStatus();
  if (event->type() == QEvent::KeyPress &&
      (watched == TreePageControl || watched == TreePageControl->tabBar() || watched == eQuickSearch)) {
    bool forward = true;
    if (IsControlTab(*static_cast<QKeyEvent*>(event), forward)) {
      NextControl(forward);
      return true;
    }
  }
  const bool handled = TBaseMainForm::eventFilter(watched, event);
  if (event->type() == QEvent::Resize) {
    if (watched == Toolbar) PlaceRightButtons();
    if (watched == EditorArea) PlaceCurtain();
  }
  return handled;
}

// ---------------------------------------------------------------------------------------------
// Virtual operations and hooks of the core

QRect TXMLTreeForm::CurtainRect() const {
  return EditorArea->rect();
}

void TXMLTreeForm::PlaceCurtain() {
  pnlCurtain->setGeometry(CurtainRect());
}

void TXMLTreeForm::ShowCurtain() {
  PlaceCurtain();
  pnlCurtain->setVisible(true);
  pnlCurtain->raise();
}

void TXMLTreeForm::HideCurtain() {
  pnlCurtain->setVisible(false);
  pnlCurtain->lower();
}

void TXMLTreeForm::HideFilter() {
  TXMLTreeFeatures::HideFilter();
  if (TreeView->parentWidget() == TreePanel) return;
  setUpdatesEnabled(false);
  static_cast<QVBoxLayout*>(TreePanel->layout())->insertWidget(1, TreeView, 1);
  TreePageControl->setVisible(false);
  TreePageControl->setCurrentWidget(FindTreePage);
  FindTree->Clear();
  setUpdatesEnabled(true);
}

void TXMLTreeForm::ShowFilterResults() {
  setUpdatesEnabled(false);
  TreePageControl->setVisible(true);
  TreePage->layout()->addWidget(TreeView);
  TreePageControl->setCurrentWidget(FindTreePage);
  const TFilterStatus status = FilterStatusText();
  lFilterText->setText(Q(status.Text));
  lFilterType->setText(Q(status.Type));
  lCaseSensitive->setVisible(status.CaseSensitive);
  lWordWrap->setVisible(status.WholeWords);
  // The whole line, however much of the text shows (the marks keep their own hints).
  const QString line = Q(FilterStatusLine(status));
  for (QWidget* w : std::initializer_list<QWidget*>{FilterStatus, lFilter1, lFilterText, Label1, lFilterType})
    w->setToolTip(line);
  FitFilterStatus();
  setUpdatesEnabled(true);
  // The keys go on in the results.
  FindTree->setFocus(Qt::OtherFocusReason);
}

void TXMLTreeForm::PaintNow() {
  // The layouts the page switch asked for first, then the results' page as it stands.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  TreePageControl->repaint();
}

bool TXMLTreeForm::ResultsInFront() const {
  return TreeView->parentWidget() != TreePanel && TreePageControl->currentWidget() == FindTreePage;
}

void TXMLTreeForm::ShowAllFolders() {
  if (!ResultsInFront()) return;
  const bool keys = FindTree->HasFocus();
  TreePageControl->setCurrentWidget(TreePage);
  if (keys) Tree->setFocus(Qt::OtherFocusReason);  // the keys go on in the tree that shows
}

bool TXMLTreeForm::ExecuteRecordSearch(TSearchForRec& rec) {
  return ::ExecuteRecordSearch(rec, this);
}

void TXMLTreeForm::ShowQuickSearchBox() {
  btnQuickSearch->SetDown(true);
  QuickSearchClicked();
}

bool TXMLTreeForm::ExecuteBookmarkManager(TBookmarkWork& work) {
  platform::Owned<TfrmXMLBookmarkManager> dialog(platform::Construct<TfrmXMLBookmarkManager>(this));
  dialog->Images = ToolImages;
  dialog->ImageIndex = timBookmarks;
  return ::ExecuteBookmarkManager(dialog.get(), work);
}

bool TXMLTreeForm::SelectNodesForExport(TExportChoice& choice) {
  return ExecuteSelectExport(this, TreeImageList, choice);
}

void TXMLTreeForm::ShowBankInfo(const TBankInfo& info) {
  ShowBankInfoDialog(this, info);
}

void TXMLTreeForm::BusyChanged(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TXMLTreeForm::FillConfigDialog(TfrmConfig* dialog) {
  dialog->SetValues(ReadConfigValues(*GetSettings()));
}

void TXMLTreeForm::StoreConfigDialog(TfrmConfig* dialog) {
  TSettings& s = *GetSettings();
  WriteConfigValues(s, dialog->Values());
  // The new values take effect at once (the auto-save period and starting minimised at the next
  // start). The reload keeps the recent files and the last opened file as they are in memory, and
  // reselects nothing.
  SaveSettings();
  WriteBankState();
  reloadingSettings_ = true;
  LoadSettings();
  reloadingSettings_ = false;
  WindowSettings.AlwaysTrayIcon = s.ReadBool(treesettings::AlwaysTrayIcon, false);
  ReadBankState();
  if (HasSession()) Session().PendingID = -1;
}

void TXMLTreeForm::ApplyCaption(const std::string& caption, bool trayIconVisible) {
  setWindowTitle(Q(caption));
  platform::Application().Title = caption;
  if (TrayIcon && TrayIcon->Visible() != trayIconVisible) RunGuarded([&] { TrayIcon->SetVisible(trayIconVisible); });
}

void TXMLTreeForm::TreeStateChanged() {
  UpdateActions();
}

bool TXMLTreeForm::IsForegroundWindow() const {
  return isActiveWindow();
}

void TXMLTreeForm::ClipboardChanged() {
  clipboardHasNode_ = ClipboardHasXMLNode();
  UpdateActions();
}

void TXMLTreeForm::UpdateActions() {
  if (updatingActions_ || Destroying()) return;
  updatingActions_ = true;
  TTreeActionContext context = ActionContext();
  // A tentative label editor holds no command back: the command closes it first.
  if (Tree->TentativeEdit()) context.Editing = false;
  // The results act on the selection as the tree does (they share it).
  if (ResultsInFront() && FindTree->HasFocus()) context.TreeFocused = true;
  if (FindTree->IsEditing()) context.Editing = true;
  for (const TTreeActionDef& def : TreeActionTable()) {
    QAction* action = actions_[size_t(def.Action)];
    const TTreeActionState state = TreeActionRule(def.Action, context);
    action->setEnabled(state.Enabled && handlers_[size_t(def.Action)] != nullptr);
    action->setVisible(state.Visible);
  }
  miItemProperties->setEnabled(Action(TTreeAction::RecordProperties)->isEnabled());
  btnOpenBase->setEnabled(Action(TTreeAction::OpenBase)->isEnabled());
  btnSaveBase->setEnabled(Action(TTreeAction::SaveBase)->isEnabled());
  miCompress->setEnabled(context.BankOpen);
  miCompress->setChecked(HasSession() && Session().Compress());
  // The delete picture tells what goes: a record, or a folder with all below it.
  const int deleteImage = timDeleteRecord + (context.Selection == TTreeSelection::Folder ? 1 : 0);
  QAction* del = Action(TTreeAction::DeleteItem);
  if (del->property("imageIndex").toInt() != deleteImage) {
    del->setProperty("imageIndex", deleteImage);
    del->setIcon(ToolImages->Icon(deleteImage));
    btnDelete->SetImageIndex(deleteImage);
  }
  ActionsUpdated();
  updatingActions_ = false;
}

// ---------------------------------------------------------------------------------------------
// Toggles, tray, stay on top, shortcut

void TXMLTreeForm::TreeToolbarClicked() {
  const bool down = btnTreeToolbar->Down();
  TreeToolbar->setVisible(down);
  btnTreeToolbar->SetImageIndex(btnTreeToolbar->property("Tag").toInt() + (down ? 1 : 0));
  miShowTreeToolbar->setChecked(down);
}

void TXMLTreeForm::QuickSearchClicked() {
  const bool down = btnQuickSearch->Down();
  eQuickSearch->setVisible(down);
  if (down) eQuickSearch->setFocus();
}

void TXMLTreeForm::PinClicked() {
  ApplyStayOnTop(btnPin->Down());
  btnPin->SetImageIndex(btnPin->property("Tag").toInt() + (btnPin->Down() ? 1 : 0));
}

void TXMLTreeForm::ApplyStayOnTop(bool onTop) {
  if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop) return;
  const bool visible = isVisible();
  setUpdatesEnabled(false);
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // the window system re-creates the window
  if (visible) show();
  setUpdatesEnabled(true);
}

void TXMLTreeForm::MinimizeToTray() {
  InTray = true;
  TrayIcon->SetHint(windowTitle().toStdString());
  MinimizeApp();
}

void TXMLTreeForm::ShowNotification(const std::string& text) {
  // A window nobody sees says it once it is back.
  if (AppIsMinimized || InTray)
    pendingNotice_ = text;
  else
    ShowNotify(kNoticeKind, text);
}

void TXMLTreeForm::AppRestored() {
  TBaseMainForm::AppRestored();
  if (!pendingNotice_.empty()) ShowNotify(kNoticeKind, std::exchange(pendingNotice_, std::string()));
}

void TXMLTreeForm::AppMinimized() {
  TBaseMainForm::AppMinimized();
  RunGuarded([this] {
    if (HasSession()) Session().AppMinimized();
    if ((InTray || TrayIcon->MinimizeToTray()) && !TrayIcon->Visible()) {
      TrayIcon->HideApp();
      TrayIcon->ShowIcon();
      // Without a notification area the window was only minimised: it is not in the tray.
      if (!TrayIcon->Visible()) InTray = false;
    }
  });
}

void TXMLTreeForm::RestoreApp() {
  TBaseMainForm::RestoreApp();
  if (platform::Application().Hidden()) TrayIcon->ShowApp();
  InTray = false;
  show();
  if (!WindowSettings.AlwaysTrayIcon && TrayIcon->Visible()) TrayIcon->HideIcon();
}

void TXMLTreeForm::CreateDesktopShortcut() {
  if (!HasSession() || Session().FileName().empty()) return;
  std::string name = Bank() ? Bank()->ReadString(bank::skDataBaseName, "") : std::string();
  if (name.empty()) name = "unnamed Tessaryn DataBank";
  if (!CreateShellShortcut(name, Session().FileName(), "", 0, platform::ProgramIconFile()))
    UI().ShowMessage("Could not create the desktop shortcut \"" + name + "\".", ApplicationTitle);
}
