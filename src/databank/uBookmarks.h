// Bookmarks in plain code: the list in the databank ("lists" > "bookmarks", one "bookmark" element
// with the children "name" and "ID" each), the items of the bookmarks menu, saving one, and the
// working copy the manager dialog edits and writes back on OK.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {
class IUIServices;
}
class TXMLDataBase2;
class TxevXMLNode2;

inline constexpr const char* SSaveBookmarkCaption = "Save Bookmark";
inline constexpr const char* SBookmarkNamePrompt = "Bookmark name";
inline constexpr const char* SEditBookmarkCaption = "Edit bookmark name";
inline constexpr const char* SConfirmDeleteCaption = "Confirm delete";
inline constexpr const char* SUnnamedBookmark = "unnamed ";
// The fixed items of the menu: Save Bookmark, Manage Bookmarks and a separator.
inline constexpr int kFixedBookmarkMenuItems = 3;

// "Do you really want to delete \"<name>\"" (no question mark).
std::string DeleteBookmarkQuestion(const std::string& name);

// The databank's bookmarks element, made on first use.
TxevXMLNode2* BookmarksElement(TXMLDataBase2& bank);

struct TBookmarkMenuItem {
  std::string Caption;  // the "name" child's text, or "unnamed <n>" without one
  int TargetID = -1;    // the "ID" child read as an integer, -1 when missing
};
// One item per "bookmark" child of bookmarks; n counts every child from 0.
std::vector<TBookmarkMenuItem> BookmarkMenuItems(const TxevXMLNode2* bookmarks);
// Manage Bookmarks is enabled only while the menu holds a bookmark besides its fixed items.
inline bool ManageBookmarksEnabled(size_t bookmarkItems) {
  return bookmarkItems + kFixedBookmarkMenuItems > kFixedBookmarkMenuItems;
}
// Appends a bookmark with name and the ID text as it stands.
void AppendBookmark(TxevXMLNode2* bookmarks, const std::string& name, const std::string& idText);

// The manager's working copy: one item per child of the bookmarks element, whatever its name.
class TBookmarkWork {
 public:
  explicit TBookmarkWork(const TxevXMLNode2* bookmarks);
  ~TBookmarkWork();

  int Count() const;
  // The "name" child's text ("" without one).
  std::string Caption(int index) const;
  bool CanMoveUp(int index) const { return index > 0 && index < Count(); }
  bool CanMoveDown(int index) const { return index >= 0 && index + 1 < Count(); }
  // The commands of the dialog. Each returns the index of the item to select afterwards, or -1
  // when nothing changed. Edit asks for the name, Delete asks the question, both through ui.
  int Edit(int index, platform::IUIServices& ui);
  int Delete(int index, platform::IUIServices& ui);
  int MoveUp(int index);
  int MoveDown(int index);
  // OK: bookmarks loses its attributes and children and takes the working copy's text, attributes
  // and children.
  void CommitTo(TxevXMLNode2* bookmarks) const;

 private:
  TxevXMLNode2* Item(int index) const;
  std::unique_ptr<TxevXMLNode2> work_;
};
