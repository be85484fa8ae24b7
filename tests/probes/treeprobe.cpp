// treeprobe: the databank window, driven by a script.
//   treeprobe [--main] [--password P] BANK < script
// Opens BANK in the real databank window (TXMLTreeForm) on Qt's offscreen platform (unless
// QT_QPA_PLATFORM names another) with scripted answers: the delete question is answered Yes, the
// file-password prompt with P (once a file), the save dialog of "saveas" with its FILE; every other box or dialog
// is dismissed. The window runs with the program's default settings and without the record
// editor: in its place stands the test suites' recording editor, which shows nothing and answers
// the filter's content test through the same matcher the record editor answers it with. The caption starts with the
// window layer's own title, "-XML Database Application-". BANK is opened as
// the program opens it: an old ".xdb" file takes the ".xdb2" name on disk, "save" and "close" (with
// the default auto-save) write a ".backup" copy beside it first.
// With --main the window is the program's main window (TfrmMain) over the program's highlighter set
// (no plug-ins), with the record editor, the record title bar and the property dialogs; its caption
// starts with "Tessaryn".
//
// The script comes from stdin, one command a line, run in order while the window's event loop runs
// (so the program's clipboard stays served while the probe waits for more input):
//   select ID              select the node, as a click on it does (closed folders above it open)
//   newfolder TITLE        New Folder, then the label edit typed TITLE and Enter (no TITLE: Escape)
//   newrecord TITLE        New Record, likewise
//   rename TITLE           Rename, likewise
//   delete                 Delete (the question answered Yes)
//   up | down              Move Item Up / Move Item Down
//   drag ID ONTO_ID|end    drag node ID and drop it on node ONTO_ID, or on the empty space below the
//                          items ("end": the end of the top level)
//   copy | cut | paste | duplicate   (a paste made beside the window is in place when the next command runs)
//   expand ID | collapse ID   open or close a folder, as its expand button does
//   fullexpand | fullcollapse Full Expand / Full Collapse
//   save | saveas FILE | close   Save, Save As (the dialog answers FILE), the Exit command
//   outline                the outline of "xdbprobe outline", each folder's line ending in " +" (open)
//                          or " -" (closed), the selected node's line in " *"
//   state                  one line: modified=0|1 TAB file=NAME TAB caption=TEXT TAB selected=ID
//                          TAB enabled=the names of the enabled commands, separated by blanks
//   ui                     PATH TAB caption TAB shortcut TAB hint TAB enabled TAB visible TAB checked
//                          for every menu item (PATH = menu name, then item captions), command
//                          ("Action/<name>") and toolbar button ("Toolbar/", "TreeToolbar/",
//                          "TreeTitlePanel/" and the button's name; with --main also "RecordTitle/",
//                          "EditorToolbar/", the editor's commands "EditorAction/<name>" and its
//                          menus "MemoMenu/", "EditorOptionsDropdownMenu/"); then "Window/", "Panel/" and
//                          "Dialog/" lines (name TAB caption) for the window and for every visible
//                          panel, label editor and dialog
//   messages               the boxes shown since the last "messages": caption TAB text ("\n" for
//                          line breaks)
//   filter MODE FLAGS TEXT the Filter command, its dialog answered: MODE phrase|all|any|regexp;
//                          FLAGS the letters of c (case sensitive), w (whole words), t, k, x (search
//                          in titles, keywords, contents), or "-" for none. Prints the results in the
//                          form of "outline" (every folder open, "next=" last), then the status line
//                          of the results; "no match" when nothing matched, "error: MESSAGE"
//                          when the run ended with a message
//   unfilter               the "Clear Filter" page
//   quick TEXT             types TEXT into the quick-search box, waits for the search, prints the
//                          selected ID
//   next                   Find Next Record (F3), then prints the selected ID
//   bookmark NAME          Save Bookmark, the input box answered NAME
//   bookmarks              the bookmarks of the menu: name TAB ID, one a line
//   gotobookmark NAME      chooses the menu's bookmark NAME
//   password P             the next file-password prompt is answered with P (before --password)
//   export FILE [ID...]    Export, the save dialog answering FILE; the selection dialog (the
//                          selected node and its siblings) gets exactly the given IDs checked, or
//                          keeps its own choice (the selected node) without IDs; its protection
//                          switches stay as the dialog sets them
//   import FILE            Import, the open dialog answering FILE
//   info                   the databank information dialog's values, one "name: value" a line
// With --main also:
//   keywords TEXT          TEXT typed into the keywords field (replacing what it held)
//   type TEXT              TEXT typed into the code editor of the open record, at its caret ("\n"
//                          types Enter)
//   lang                   the open record's language: its number TAB its name ("none" and plain
//                          text: "-1 TAB none"); "no record" without one
//   props [lang=N] [image=I] [name=TEXT]
//                          Node Properties of the selection: prints what the dialog shows,
//                          name=TITLE TAB language=NUMBER NAME (language=none without a language of
//                          the node's own, or with one no entry shows) TAB
//                          image=INDEX; with arguments, chooses the language whose number is N, the
//                          picture I and the title TEXT (the rest of the line) and presses OK, else
//                          Cancel
//   bankprops [lang=N] [showcomments=0|1] [commentsup=0|1] [folderimage=I] [recordimage=I] [name=TEXT]
//                          DataBank Properties: prints name=NAME TAB language=NUMBER NAME TAB
//                          showcomments=0|1 TAB commentsup=0|1 TAB folderimage=I TAB recordimage=I;
//                          with arguments, changes those (name: the rest of the line) and presses
//                          OK, else Cancel
// A command that is disabled at that moment does nothing; the probe says so on stderr.
// Exit 0; 1 with the message on stderr when BANK cannot be opened or a command fails (unknown
// command, unknown ID, a command after "close"); 2 on usage errors.
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>

#include "BankOutline.h"
#include "RecordingEditor.h"
#include "ScriptedUIServices.h"
#include "SystemLeakSuppressions.h"
#include "app/UMain.h"
#include "app/uPropertyDialogs.h"
#include "databank/gui/uBankInfo.h"
#include "databank/gui/uSearchForRec.h"
#include "databank/gui/uSelectNodesForExport.h"
#include "databank/gui/uXMLTreeForm.h"
#include "databank/uDataBankContent.h"
#include "editor/gui/SynPadWidget.h"
#include "platform/Lifecycle.h"
#include "platform/MainStack.h"
#include "platform/UIServices.h"
#include "platform/qt/Icons.h"

namespace {

class ProbeUI : public platform::ScriptedUIServices {
 public:
  std::optional<std::string> Password;
  int MessageBox(const std::string& text, const std::string& caption, platform::MsgButtons buttons,
                 platform::MsgIcon icon, platform::WindowHandle owner) override {
    if (buttons == platform::MsgButtons::YesNo && text.rfind("Delete: ", 0) == 0) PushMessageResult(platform::mrYes);
    return ScriptedUIServices::MessageBox(text, caption, buttons, icon, owner);
  }
  std::deque<std::string> Answers;  // for the next prompts, before Password
  bool AskFilePassword(const std::string& fileName, std::string& password, platform::WindowHandle owner) override {
    if (!Answers.empty()) {
      PushFilePassword(Answers.front());
      Answers.pop_front();
    } else if (Password && answered_.insert(fileName).second) {
      PushFilePassword(*Password);  // once a file: asked again after a wrong password, it is cancelled
    }
    return ScriptedUIServices::AskFilePassword(fileName, password, owner);
  }

 private:
  std::set<std::string> answered_;
};

struct Failure {
  std::string message;
};

std::string Flag(bool on) {
  return on ? "1" : "0";
}

std::string OneLine(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c != '\r')
      out += c;
  }
  return out;
}

class Probe {
 public:
  Probe(TXMLTreeForm* form, ProbeUI& ui) : form_(form), ui_(ui) {}
  // The window while it is open.
  TXMLTreeForm* Form() const { return form_; }

  void Run(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    if (command.empty()) return;
    if (command == "messages") return Messages();
    if (!form_) throw Failure{"the window is closed"};
    using A = TTreeAction;
    // Commands that run one of the window's commands, and those that then finish a label edit.
    static const std::map<std::string, std::pair<A, bool>> kCommands = {{"newfolder", {A::NewFolder, true}},
                                                                        {"newrecord", {A::NewItem, true}},
                                                                        {"rename", {A::RenameItem, true}},
                                                                        {"delete", {A::DeleteItem, false}},
                                                                        {"up", {A::MoveItemUp, false}},
                                                                        {"down", {A::MoveItemDown, false}},
                                                                        {"copy", {A::CopyNode, false}},
                                                                        {"cut", {A::CutNode, false}},
                                                                        {"paste", {A::PasteNode, false}},
                                                                        {"duplicate", {A::DuplicateNode, false}},
                                                                        {"save", {A::SaveBase, false}},
                                                                        {"fullexpand", {A::FullExpand, false}},
                                                                        {"fullcollapse", {A::FullCollapse, false}}};
    if (auto found = kCommands.find(command); found != kCommands.end()) {
      if (Trigger(found->second.first, command) && found->second.second) Type(rest);
      if (command == "save") form_->Session().WaitForSave();  // the file is written when the next command runs
      // A copy made beside the window (a large one, or another program's block) is in place first.
      while (form_->PasteInFlight()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } else if (command == "select") {
      form_->Tree->setFocus();
      form_->Tree->Select(Item(Id(rest)));
    } else if (command == "saveas") {
      if (rest.empty()) throw Failure{"saveas needs a file"};
      ui_.PushSaveFile(rest);
      Trigger(A::SaveBaseAs, command);
      form_->Session().WaitForSave();
    } else if (command == "expand" || command == "collapse") {
      TTreeItem* item = Item(Id(rest));
      if (!bank::IsFolder(form_->Tree->NodeOf(item))) throw Failure{"node " + rest + " is no folder"};
      form_->Tree->SetExpanded(item, command == "expand");
    } else if (command == "drag") {
      Drag(rest);
    } else if (command == "close") {
      Close();
    } else if (command == "outline") {
      Outline();
    } else if (command == "state") {
      State();
    } else if (command == "ui") {
      Ui();
    } else if (Main() && command == "keywords") {
      Main()->eKeywords->setText(QString::fromStdString(rest));
    } else if (Main() && command == "type") {
      TypeCode(rest);
    } else if (Main() && command == "lang") {
      Lang();
    } else if (Main() && command == "props") {
      Props(rest);
    } else if (Main() && command == "bankprops") {
      BankProps(rest);
    } else if (command == "filter") {
      Filter(rest);
    } else if (command == "unfilter") {
      form_->TreePageControl->setCurrentWidget(form_->CloseTreePage);
    } else if (command == "quick") {
      Quick(rest);
    } else if (command == "next") {
      Trigger(A::SearchNextRecord, command);
      PrintSelected();
    } else if (command == "bookmark") {
      ui_.PushInput(rest);
      Trigger(A::SaveBookmark, command);
    } else if (command == "bookmarks") {
      for (const TBookmarkMenuItem& b : form_->BookmarkMenu()) std::cout << b.Caption << "\t" << b.TargetID << "\n";
      std::cout << std::flush;
    } else if (command == "gotobookmark") {
      GotoBookmark(rest);
    } else if (command == "password") {
      ui_.Answers.push_back(rest);
    } else if (command == "export") {
      Export(rest);
    } else if (command == "import") {
      ui_.PushOpenFile(rest);
      Trigger(A::Import, command);
    } else if (command == "info") {
      Info();
    } else {
      throw Failure{"unknown command '" + command + "'"};
    }
    QCoreApplication::processEvents();
  }

 private:
  TfrmMain* Main() const { return dynamic_cast<TfrmMain*>(form_); }
  // "key=value" words; a "name=" takes the rest of the line.
  static std::map<std::string, std::string> Arguments(const std::string& text) {
    std::map<std::string, std::string> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
      const size_t eq = word.find('=');
      if (eq == std::string::npos) throw Failure{"'" + word + "' is no key=value"};
      std::string key = word.substr(0, eq), value = word.substr(eq + 1);
      if (key == "name") {
        std::string tail;
        std::getline(in, tail);
        value += tail;
      }
      out[key] = value;
    }
    return out;
  }
  static int Number(const std::map<std::string, std::string>& args, const std::string& key, int def) {
    const auto found = args.find(key);
    if (found == args.end()) return def;
    char* end = nullptr;
    const long n = std::strtol(found->second.c_str(), &end, 10);
    if (found->second.empty() || *end) throw Failure{"'" + found->second + "' is no number"};
    return static_cast<int>(n);
  }
  static std::string Language(const TLanguageList& languages, int index) {
    if (index < 0 || index >= static_cast<int>(languages.size())) return "none";
    return std::to_string(languages[size_t(index)].Tag) + " " + languages[size_t(index)].Name;
  }
  static TLanguageList Languages() {
    TLanguageList list;
    if (dmHighLighters) dmHighLighters->BuildLanguageList(list);
    return list;
  }
  void Props(const std::string& rest) {
    const auto args = Arguments(rest);
    const TLanguageList languages = Languages();
    Main()->RunModal = [&](TfrmBaseForm& dialog) {
      auto& d = dynamic_cast<TfrmItemProperties&>(dialog);
      const TItemProperties shown = d.Values();
      std::cout << "name=" << shown.Name << "\tlanguage=" << Language(languages, shown.Language)
                << "\timage=" << shown.Image << "\n"
                << std::flush;
      if (args.empty()) return int(platform::mrCancel);
      if (args.count("lang")) d.SelectLanguage(LanguageIndex(languages, Number(args, "lang", 0)));
      if (args.count("image"))
        SelectImage(
            d.cbImage, Number(args, "image", 0),
            shown.Folder ? FolderImageChoices(Main()->Images.Ranges) : RecordImageChoices(Main()->Images.Ranges));
      if (args.count("name")) d.eName->setText(QString::fromStdString(args.at("name")));
      return int(platform::mrOk);
    };
    Trigger(TTreeAction::RecordProperties, "props");
  }
  void BankProps(const std::string& rest) {
    const auto args = Arguments(rest);
    const TLanguageList languages = Languages();
    Main()->RunModal = [&](TfrmBaseForm& dialog) {
      auto& d = dynamic_cast<TfrmBankOptions&>(dialog);
      const TBankOptions shown = d.Values();
      std::cout << "name=" << shown.Name << "\tlanguage=" << Language(languages, d.cbHighLighters->currentIndex())
                << "\tshowcomments=" << Flag(shown.ShowComments) << "\tcommentsup=" << Flag(shown.CommentsUp)
                << "\tfolderimage=" << shown.DefaultFolderImage << "\trecordimage=" << shown.DefaultDocImage << "\n"
                << std::flush;
      if (args.empty()) return int(platform::mrCancel);
      if (args.count("name")) d.eBankName->setText(QString::fromStdString(args.at("name")));
      if (args.count("lang")) d.cbHighLighters->setCurrentIndex(LanguageIndex(languages, Number(args, "lang", 0)));
      if (args.count("showcomments")) d.chShowComments->setChecked(Number(args, "showcomments", 1) != 0);
      if (args.count("commentsup")) d.chCommentsUp->setChecked(Number(args, "commentsup", 0) != 0);
      if (args.count("folderimage"))
        SelectImage(d.cbFolderImage, Number(args, "folderimage", 0), FolderImageChoices(Main()->Images.Ranges));
      if (args.count("recordimage"))
        SelectImage(d.cbItemImage, Number(args, "recordimage", 0), RecordImageChoices(Main()->Images.Ranges));
      return int(platform::mrOk);
    };
    Trigger(TTreeAction::DatabaseSettings, "bankprops");
  }
  void TypeCode(const std::string& text) {
    if (!Main()->CurrentRecord) throw Failure{"no record is open"};
    TSynPadWidget* memo = Main()->CodeFrame->MemoWindow;
    memo->setFocus();
    const QString typed = QString::fromStdString(text).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    for (QChar c : typed) {
      QKeyEvent key(QEvent::KeyPress, c == u'\n' ? Qt::Key_Return : 0, Qt::NoModifier,
                    c == u'\n' ? QStringLiteral("\r") : QString(c));
      QApplication::sendEvent(memo, &key);
    }
  }
  void Lang() {
    TEditorFrame& frame = Main()->CodeFrame->Frame();
    if (!frame.RecordNode()) {
      std::cout << "no record\n" << std::flush;
      return;
    }
    if (const TLanguageEntry* entry = frame.Language())
      std::cout << frame.LanguageNumber() << "\t" << entry->Name << "\n";
    else
      std::cout << "-1\tnone\n";
    std::cout << std::flush;
  }
  static void SelectImage(QComboBox* combo, int image, const std::vector<int>& choices) {
    const int index = ChoiceIndex(choices, image);
    if (index < 0) throw Failure{"picture " + std::to_string(image) + " is not offered here"};
    combo->setCurrentIndex(index);
  }
  int Id(const std::string& text) const {
    char* end = nullptr;
    const long id = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0') throw Failure{"'" + text + "' is no node ID"};
    return static_cast<int>(id);
  }
  TTreeItem* Item(int id) const {
    TxevXMLNode2* node = form_->FindNodeByID(id);
    if (!node) throw Failure{"no node with ID " + std::to_string(id)};
    return form_->ItemOf(node);
  }
  bool Trigger(TTreeAction action, const std::string& name) {
    form_->UpdateActions();
    QAction* a = form_->Action(action);
    if (!a->isEnabled()) {
      std::cerr << "treeprobe: " << name << ": " << a->objectName().toStdString() << " is disabled now\n";
      return false;
    }
    a->trigger();
    QCoreApplication::processEvents();
    return true;
  }
  // Finishes the label edit in progress: the title typed and Enter, or Escape without one.
  bool Type(const std::string& title) {
    QLineEdit* editor = form_->Tree->IsEditing() ? form_->Tree->viewport()->findChild<QLineEdit*>() : nullptr;
    if (!editor) throw Failure{"no label edit started"};
    if (!title.empty()) editor->setText(QString::fromStdString(title));
    QKeyEvent press(QEvent::KeyPress, title.empty() ? Qt::Key_Escape : Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &press);
    QCoreApplication::processEvents();
    return true;
  }
  void Drag(const std::string& args) {
    std::istringstream in(args);
    std::string what, onto;
    in >> what >> onto;
    if (onto.empty()) throw Failure{"drag needs a node and a target"};
    TTreeWidget* tree = form_->Tree;
    TTreeItem* dragged = Item(Id(what));
    tree->setFocus();
    tree->Select(dragged);  // the button goes down on it
    QPoint at;
    if (onto == "end") {
      // The empty space below the items; the window grows until the rows leave some.
      for (int i = 0; i < 4; ++i) {
        tree->scrollToBottom();
        QCoreApplication::processEvents();
        at = QPoint(5, tree->viewport()->height() - TTreeWidget::kDragScrollMargin - 2);
        if (!tree->itemAt(at)) break;
        form_->resize(form_->width(), form_->height() * 2);
        QCoreApplication::processEvents();
      }
      if (tree->itemAt(at)) {
        // Too many rows to ever see empty space: the drop the window would make there.
        if (!form_->CanDrop(tree->NodeOf(dragged), nullptr)) return Refused();
        form_->DropNode(tree->NodeOf(dragged), nullptr);
        return;
      }
    } else {
      TTreeItem* target = Item(Id(onto));
      tree->scrollToItem(TTreeWidget::ItemOf(target));
      QCoreApplication::processEvents();
      at = tree->visualItemRect(TTreeWidget::ItemOf(target)).center();
    }
    if (!tree->DragSelectedTo(at)) Refused();
  }
  void Refused() { std::cerr << "treeprobe: drag: the drop was refused\n"; }
  // Runs fn on the dialog of class T that the next command shows modally.
  template <class T>
  void OnModal(std::function<void(T*)> fn) {
    QTimer::singleShot(0, form_, [fn] {
      if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) fn(dialog);
    });
  }
  void PrintSelected() { std::cout << bank::NodeID(form_->SelectedNode()) << "\n" << std::flush; }
  void Filter(const std::string& args) {
    std::istringstream in(args);
    std::string mode, flags, text;
    in >> mode >> flags;
    std::getline(in, text);
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    static const std::map<std::string, int> kModes = {{"phrase", 0}, {"all", 1}, {"any", 2}, {"regexp", 3}};
    const auto m = kModes.find(mode);
    if (m == kModes.end()) throw Failure{"filter: MODE is phrase, all, any or regexp"};
    if (flags != "-" && (flags.empty() || flags.find_first_not_of("cwtkx") != std::string::npos))
      throw Failure{"filter: FLAGS are letters of cwtkx, or -"};
    if (text.empty()) throw Failure{"filter: no TEXT"};
    const int type = m->second;
    auto has = [&](char c) { return flags.find(c) != std::string::npos; };
    OnModal<TfrmSearchForRec>([=](TfrmSearchForRec* d) {
      d->Edit->setEditText(QString::fromStdString(text));
      d->Words->button(type)->setChecked(true);
      d->chCaseSensitive->setChecked(has('c'));
      d->chWhole->setChecked(has('w'));
      d->chTitle->setChecked(has('t'));
      d->chKeywords->setChecked(has('k'));
      d->chData->setChecked(has('x'));
      d->btnOK->click();
    });
    const size_t before = ui_.Calls().size();
    if (!Trigger(TTreeAction::FilterTree, "filter")) return;
    for (size_t i = before; i < ui_.Calls().size(); ++i)
      if (ui_.Calls()[i].kind == platform::ScriptedUIServices::Kind::Message) {
        std::cout << "error: " << OneLine(ui_.Calls()[i].text) << "\n" << std::flush;
        return;
      }
    if (form_->TreePageControl->isHidden() || form_->FindTree->topLevelItemCount() == 0) {
      std::cout << "no match\n" << std::flush;
      return;
    }
    TTreeWidget* tree = form_->FindTree;
    std::string out;
    // Each item's depth from its parent's, met before it (counting up to the top for every item
    // would take the square of a deep tree's depth).
    std::unordered_map<const QTreeWidgetItem*, int> depths;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
      const QTreeWidgetItem* parent = (*it)->parent();
      const int depth = parent ? depths.at(parent) + 1 : 0;
      if ((*it)->childCount() > 0) depths.emplace(*it, depth);
      const TxevXMLNode2* node = tree->NodeOf(TTreeWidget::Handle(*it));
      AppendOutlineIndent(out, depth);
      out += OutlineNodeLine(node, bank::InheritedHighLight(node));
      if (bank::IsFolder(node)) out += (*it)->isExpanded() ? " +" : " -";
      out += "\n";
    }
    out += "next=" + std::to_string(form_->Session().NextNodeID) + "\n";
    // The whole line, as its parts say it: a narrow pane leaves out " Filter: " and " as:" first.
    std::string status;
    for (QLabel* l : std::initializer_list<QLabel*>{form_->lFilter1, form_->lFilterText, form_->Label1,
                                                    form_->lFilterType, form_->lCaseSensitive, form_->lWordWrap})
      if (!l->isHidden() || l == form_->lFilter1 || l == form_->Label1) status += l->text().toStdString();
    std::cout << out << status << "\n" << std::flush;
  }
  void Quick(const std::string& text) {
    if (!form_->btnQuickSearch->Down()) {
      form_->btnQuickSearch->SetDown(true);
      form_->eQuickSearch->setVisible(true);
    }
    form_->eQuickSearch->setText(QString::fromStdString(text));
    // The search runs once the box has been still for its wait.
    QEventLoop wait;
    QTimer::singleShot(TXMLTreeFeatures::kQuickSearchDelay + 100, &wait, &QEventLoop::quit);
    wait.exec();
    PrintSelected();
  }
  void GotoBookmark(const std::string& name) {
    form_->BuildBookmarksMenu();
    for (QAction* a : form_->BookmarksMenu->actions())
      if (a->property("bookmarkID").isValid() && Text(a->text()) == name) {
        a->trigger();
        QCoreApplication::processEvents();
        return;
      }
    throw Failure{"no bookmark named '" + name + "'"};
  }
  void Export(const std::string& args) {
    std::istringstream in(args);
    std::string file, id;
    in >> file;
    if (file.empty()) throw Failure{"export needs a file"};
    std::set<int> ids;
    while (in >> id) ids.insert(Id(id));
    // The rows of the dialog: the selected node and its siblings, in order.
    std::vector<int> rows;
    if (const TxevXMLNode2* selected = form_->SelectedNode())
      for (const TxevXMLNode2* n : selected->Parent()->Children())
        if (bank::IsTreeNode(n)) rows.push_back(bank::NodeID(n));
    for (int want : ids)
      if (std::find(rows.begin(), rows.end(), want) == rows.end())
        throw Failure{"export: node " + std::to_string(want) + " is not offered (the selected node and its siblings)"};
    ui_.PushSaveFile(file);
    OnModal<TfrmSelectExport>([=](TfrmSelectExport* d) {
      for (size_t r = 0; r < rows.size() && !ids.empty(); ++r)
        d->ListView->item(int(r))->setCheckState(ids.count(rows[r]) ? Qt::Checked : Qt::Unchecked);
      d->btnOk->click();
    });
    Trigger(TTreeAction::Export, "export");
  }
  void Info() {
    OnModal<TfrmBankInfo>([](TfrmBankInfo* d) {
      auto line = [](const char* name, const QString& value) {
        std::cout << name << ": " << OneLine(value.toStdString()) << "\n";
      };
      line("Data File", d->eFileName->text());
      line("Data size", d->eSize->text());
      line("File size", d->eFileSize->text());
      line("Encrypted", d->chEncrypted->isChecked() ? "1" : "0");
      line("Compressed", d->chCompressed->isChecked() ? "1" : "0");
      line("Folders", d->eFoldersNum->text());
      line("Records", d->eRecordsNum->text());
      std::cout << std::flush;
      d->btnOk->click();
    });
    Trigger(TTreeAction::BankInfo, "info");
  }
  void Close() {
    form_->actnExit->trigger();
    for (int i = 0; i < 200 && !form_->CloseAccepted() && form_->isVisible(); ++i)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!form_->CloseAccepted()) return;  // the window stays (the changes could not be kept)
    platform::Destroy(form_);
    form_ = nullptr;
  }
  void Outline() {
    TTreeWidget* tree = form_->Tree;
    TxevXMLNode2* selected = form_->SelectedNode();
    const std::string out =
        BankOutline(form_->Bank()->Root(), form_->Session().NextNodeID, [&](const TxevXMLNode2* node) {
          std::string mark;
          if (bank::IsFolder(node)) mark += tree->IsExpanded(form_->ItemOf(node)) ? " +" : " -";
          if (node == selected) mark += " *";
          return mark;
        });
    std::cout << out << std::flush;
  }
  void State() {
    form_->UpdateActions();
    std::string enabled;
    for (QAction* a : form_->actions())
      if (a->isEnabled() && !a->objectName().isEmpty())
        enabled += (enabled.empty() ? "" : " ") + a->objectName().toStdString();
    std::cout << "modified=" << Flag(form_->Session().Modified()) << "\tfile=" << form_->Session().FileName()
              << "\tcaption=" << form_->windowTitle().toStdString()
              << "\tselected=" << bank::NodeID(form_->SelectedNode()) << "\tenabled=" << enabled << "\n"
              << std::flush;
  }
  static std::string Text(const QString& s) {
    QString plain = s;
    plain.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return OneLine(plain.toStdString());
  }
  void Line(const std::string& path, const QString& caption, const QKeySequence& key, const QString& hint, bool enabled,
            bool visible, bool checked) {
    std::cout << path << "\t" << Text(caption) << "\t" << key.toString(QKeySequence::PortableText).toStdString() << "\t"
              << OneLine(hint.toStdString()) << "\t" << Flag(enabled) << "\t" << Flag(visible) << "\t" << Flag(checked)
              << "\n";
  }
  void Menu(QMenu* menu, const std::string& path) {
    for (QAction* a : menu->actions()) {
      if (a->isSeparator()) continue;
      const std::string item = path + "/" + Text(a->text());
      Line(item, a->text(), a->shortcut(), a->toolTip(), a->isEnabled(), a->isVisible(), a->isChecked());
      if (a->menu()) Menu(a->menu(), item);
    }
  }
  void Buttons(QWidget* bar, const std::string& path) {
    for (QWidget* w : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      auto* b = dynamic_cast<TmxXPButton*>(w);
      if (!b) continue;
      const QKeySequence key = b->Action() ? b->Action()->shortcut() : QKeySequence();
      Line(path + "/" + b->objectName().toStdString(), b->Caption(), key, b->toolTip(), b->isEnabled(), !b->isHidden(),
           b->IsToggleButton() && b->Down());
    }
  }
  void Ui() {
    form_->UpdateActions();
    form_->BuildRecentMenu(form_->OpenRecentMenu);
    form_->BuildRecentMenu(form_->RecentMenu);
    for (QMenu* m : {form_->MainMenu, form_->RecentMenu, form_->SaveDropMenu, form_->TreeMenu, form_->InfoDropdownMenu,
                     form_->BookmarksMenu, form_->TrayMenu})
      Menu(m, m->objectName().toStdString());
    for (QAction* a : form_->actions())
      Line("Action/" + a->objectName().toStdString(), a->text(), a->shortcut(), a->toolTip(), a->isEnabled(),
           a->isVisible(), a->isChecked());
    Buttons(form_->Toolbar, "Toolbar");
    Buttons(form_->TreeToolbar, "TreeToolbar");
    Buttons(form_->TreeTitlePanel, "TreeTitlePanel");
    if (TfrmMain* main = Main()) {
      Buttons(main->pnlRecordTitle, "RecordTitle");
      TEditorFrameWidget* frame = main->CodeFrame;
      frame->UpdateActions();
      Buttons(frame->EditorToolbar, "EditorToolbar");
      for (int i = 0; i < kEditorActionCount; ++i) {
        QAction* a = frame->Action(static_cast<TEditorAction>(i));
        Line("EditorAction/" + a->objectName().toStdString(), a->text(), a->shortcut(), a->toolTip(), a->isEnabled(),
             a->isVisible(), a->isChecked());
      }
      Menu(frame->MemoMenu, "MemoMenu");
      Menu(frame->EditorOptionsDropdownMenu, "EditorOptionsDropdownMenu");
    }
    std::cout << "Window/" << form_->objectName().toStdString() << "\t" << OneLine(form_->windowTitle().toStdString())
              << "\n";
    auto panel = [&](QWidget* w, const QString& caption) {
      if (w->isVisible())
        std::cout << "Panel/" << w->objectName().toStdString() << "\t" << OneLine(caption.toStdString()) << "\n";
    };
    panel(form_->TreeTitlePanel, form_->lblTreeTitle->text());
    panel(form_->eQuickSearch, form_->eQuickSearch->text());
    panel(form_->TreeToolbar, QString());
    panel(form_->TreePageControl, form_->TreePageControl->tabText(form_->TreePageControl->currentIndex()));
    panel(form_->pnlCurtain, form_->pnlCurtain->text());
    panel(form_->StatusPanel, form_->StatusPanel->SimpleText());
    if (TfrmMain* main = Main()) {
      panel(main->pnlRecordTitle, main->lRecordTitle->text());
      panel(main->lKeywords, main->lKeywords->text());
      panel(main->eKeywords, main->eKeywords->text());
    }
    if (QLineEdit* editor = form_->Tree->IsEditing() ? form_->Tree->viewport()->findChild<QLineEdit*>() : nullptr)
      std::cout << "Panel/LabelEditor\t" << OneLine(editor->text().toStdString()) << "\n";
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != form_ && w->isVisible() && !qobject_cast<QMenu*>(w))
        std::cout << "Dialog/" << w->objectName().toStdString() << "\t" << OneLine(w->windowTitle().toStdString())
                  << "\n";
    std::cout << std::flush;
  }
  void Messages() {
    const auto& calls = ui_.Calls();
    for (; shown_ < calls.size(); ++shown_) {
      const auto& c = calls[shown_];
      if (c.kind == platform::ScriptedUIServices::Kind::Message ||
          c.kind == platform::ScriptedUIServices::Kind::Exception)
        std::cout << OneLine(c.caption) << "\t" << OneLine(c.text) << "\n";
    }
    std::cout << std::flush;
  }

  TXMLTreeForm* form_;
  ProbeUI& ui_;
  size_t shown_ = 0;
};

int Usage(const std::string& why) {
  std::cerr << "treeprobe: " << why << "\nusage: treeprobe [--main] [--password P] BANK < script\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  platform::EnsureMainStack(argv);  // as the program: room for Qt's recursive layout of deep trees
  std::optional<std::string> password;
  std::string bankFile;
  bool mainWindow = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--main")
      mainWindow = true;
    else if (arg == "--password" && i + 1 < argc)
      password = argv[++i];
    else if (!arg.empty() && arg[0] == '-')
      return Usage("unknown option '" + arg + "'");
    else if (bankFile.empty())
      bankFile = arg;
    else
      return Usage("one databank only");
  }
  if (bankFile.empty()) return Usage("no databank");
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // "close" ends the window, not the script
  QApplication::setFont(QFont("DejaVu Sans", 9));
  platform::SetUseBundledIconsOnly(true);
  ProbeUI ui;
  ui.Password = password;
  platform::ScopedUIServices useUi(ui);

  RecordingEditor editor;  // answers the filter's content test as the record editor does
  // The main window draws its languages from the program's highlighter set, made before it.
  std::unique_ptr<TdmHighLighters> highlighters;
  if (mainWindow) highlighters = std::make_unique<TdmHighLighters>(THighlighterSetRole::Primary, "/nonexistent");
  TXMLTreeForm* form = mainWindow ? platform::Construct<TfrmMain>(nullptr, bankFile)
                                  : platform::Construct<TXMLTreeForm>(nullptr, bankFile);
  if (!form->Editor) form->Editor = &editor;
  QCoreApplication::processEvents();
  if (form->Session().FileName().empty()) {
    for (const auto& call : ui.CallsOf(platform::ScriptedUIServices::Kind::Message)) std::cerr << call.text << "\n";
    std::cerr << "treeprobe: could not open " << bankFile << "\n";
    platform::Destroy(form);
    return 1;
  }
  form->activateWindow();
  form->Tree->setFocus();

  Probe probe(form, ui);
  int exitCode = 0;
  std::string pending;
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  auto finish = [&](int code) {
    exitCode = code;
    input.setEnabled(false);
    // Not quit(): that asks the window to close, which only minimises it.
    QTimer::singleShot(0, &app, [code] { QCoreApplication::exit(code); });
  };
  QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
    input.setEnabled(false);  // a command may run event loops of its own
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      if (!pending.empty()) {
        try {
          probe.Run(pending);
        } catch (const Failure& f) {
          std::cerr << "treeprobe: " << f.message << "\n";
          return finish(1);
        }
      }
      return finish(exitCode);
    }
    pending.append(buffer, static_cast<size_t>(n));
    size_t eol;
    while ((eol = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      try {
        probe.Run(line);
      } catch (const Failure& f) {
        std::cerr << "treeprobe: " << f.message << "\n";
        return finish(1);
      } catch (const std::exception& e) {
        std::cerr << "treeprobe: " << e.what() << "\n";
        return finish(1);
      }
    }
    input.setEnabled(true);
  });
  exitCode = app.exec();
  if (probe.Form()) platform::Destroy(probe.Form());
  highlighters.reset();
  return exitCode;
}
