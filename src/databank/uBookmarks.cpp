#include "databank/uBookmarks.h"

#include "databank/uDataBankContent.h"
#include "platform/UIServices.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"
#include "xml/xevXMLParser2.h"

using namespace bank;

std::string DeleteBookmarkQuestion(const std::string& name) {
  return "Do you really want to delete \"" + name + "\"";
}

TxevXMLNode2* BookmarksElement(TXMLDataBase2& db) {
  return XMLForcePath(db.ListsNode(), xnBookmarks);
}

std::vector<TBookmarkMenuItem> BookmarkMenuItems(const TxevXMLNode2* bookmarks) {
  std::vector<TBookmarkMenuItem> items;
  if (!bookmarks) return items;
  int count = 0;
  for (const TxevXMLNode2* child : bookmarks->Children()) {
    if (child->Name() == xnBookmark) {
      const TxevXMLNode2* name = child->FindNode(xnBookmarkName);
      items.push_back({name ? name->Text() : SUnnamedBookmark + std::to_string(count),
                       XMLPathReadInteger(child, xnBookmarkID, -1)});
    }
    ++count;
  }
  return items;
}

void AppendBookmark(TxevXMLNode2* bookmarks, const std::string& name, const std::string& idText) {
  TxevXMLNode2* bookmark = bookmarks->AddChild(xnBookmark);
  bookmark->AddChild(xnBookmarkName)->SetText(name);
  bookmark->AddChild(xnBookmarkID)->SetText(idText);
}

TBookmarkWork::TBookmarkWork(const TxevXMLNode2* bookmarks) : work_(bookmarks->CloneNode()) {}

TBookmarkWork::~TBookmarkWork() = default;

int TBookmarkWork::Count() const {
  return work_->Children().Count();
}

TxevXMLNode2* TBookmarkWork::Item(int index) const {
  return work_->Children().Items(index);
}

std::string TBookmarkWork::Caption(int index) const {
  const TxevXMLNode2* item = Item(index);
  return item ? item->GetChildText(xnBookmarkName) : std::string();
}

int TBookmarkWork::Edit(int index, platform::IUIServices& ui) {
  TxevXMLNode2* item = Item(index);
  if (!item) return -1;
  std::string name = Caption(index);
  if (!ui.InputBox(SEditBookmarkCaption, SBookmarkNamePrompt, name)) return -1;
  XMLPathWriteString(item, xnBookmarkName, name);
  return index;
}

int TBookmarkWork::Delete(int index, platform::IUIServices& ui) {
  TxevXMLNode2* item = Item(index);
  if (!item) return -1;
  if (ui.MessageBox(DeleteBookmarkQuestion(Caption(index)), SConfirmDeleteCaption, platform::MsgButtons::YesNo,
                    platform::MsgIcon::Question) != platform::mrYes)
    return -1;
  work_->DeleteNode(item);
  return index < Count() ? index : Count() - 1;
}

int TBookmarkWork::MoveUp(int index) {
  if (!CanMoveUp(index)) return -1;
  XMLSwapSiblings(Item(index), Item(index - 1));
  return index - 1;
}

int TBookmarkWork::MoveDown(int index) {
  if (!CanMoveDown(index)) return -1;
  XMLSwapSiblings(Item(index), Item(index + 1));
  return index + 1;
}

void TBookmarkWork::CommitTo(TxevXMLNode2* bookmarks) const {
  bookmarks->ClearChildren();
  bookmarks->ClearAttributes();
  bookmarks->SetText(work_->Text());
  for (const TxevXMLAttribute2* a : work_->Attributes()) bookmarks->SetAttribute(a->Name(), a->Value());
  for (const TxevXMLNode2* child : work_->Children()) bookmarks->AddNode(child->CloneNode());
}
