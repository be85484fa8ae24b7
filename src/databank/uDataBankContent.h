// The databank vocabulary: the names of every element, attribute and setting of a databank document,
// their defaults, typed reads and writes of folder and record items, the inherited values, node IDs,
// the walk in display order and the conversion of the old file format.
//
// A databank document: root "dataroot" with "settings", "lists" > "bookmarks", the root defaults
// ("HighLight", "commentpanel-shown", "commentpanel-alignment") and any number of "folder" and
// "record" elements in display order. Folders hold more folders and records; a record is shown
// without children.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xevXMLParser2.h"

class TXMLDataBase2;

namespace bank {

// Elements.
inline constexpr const char* xnDataRoot = "dataroot";
inline constexpr const char* xnSettings = "settings";
inline constexpr const char* xnLists = "lists";
inline constexpr const char* xnBookmarks = "bookmarks";
inline constexpr const char* xnBookmark = "bookmark";
inline constexpr const char* xnBookmarkName = "name";
inline constexpr const char* xnBookmarkID = "ID";
inline constexpr const char* xnFolder = "folder";
inline constexpr const char* xnRecord = "record";
inline constexpr const char* xnKeywords = "keywords";
inline constexpr const char* xnHighLight = "HighLight";
inline constexpr const char* xnCommentPanelShown = "commentpanel-shown";
inline constexpr const char* xnCommentPanelAlignment = "commentpanel-alignment";
inline constexpr const char* xnData = "data";
inline constexpr const char* xnComments = "comments";

// Attributes of folders and records.
inline constexpr const char* xaID = "ID";
inline constexpr const char* xaExpanded = "expanded";
inline constexpr const char* xaImage = "Image";
inline constexpr const char* xaBold = "bold";
inline constexpr const char* xaXPos = "XPos";
inline constexpr const char* xaYPos = "YPos";
inline constexpr const char* xaCommentPanelHeight = "commentpanel-height";
inline constexpr const char* xaCommentPanelShown = "commentpanel-shown";

// Keys below "settings" (note the lower-case "in" of two of the search keys).
inline constexpr const char* skNextNodeID = "NextNodeID";
inline constexpr const char* skLastPosition = "LastPosition";
inline constexpr const char* skDataBaseName = "DataBaseName";
inline constexpr const char* skDefaultFolderImage = "DefaultFolderImage";
inline constexpr const char* skDefaultDocImage = "DefaultDocImage";
inline constexpr const char* skExported = "Exported";
inline constexpr const char* skRecordSearchText = "RecordSearchText";
inline constexpr const char* skRecordSearchHistory = "RecordSearchHistory";
inline constexpr const char* skRecordSearchSearchType = "RecordSearchSearchType";
inline constexpr const char* skRecordSearchinName = "RecordSearchinName";
inline constexpr const char* skRecordSearchInContent = "RecordSearchInContent";
inline constexpr const char* skRecordSearchinKeywords = "RecordSearchinKeywords";
inline constexpr const char* skRecordSearchWholeWords = "RecordSearchWholeWords";
inline constexpr const char* skRecordSearchCaseSensitive = "RecordSearchCaseSensitive";

// Defaults.
inline constexpr int DefNextNodeID = 1;
inline constexpr int DefLastPosition = -1;
inline constexpr const char* DefDataBaseName = "unnamed";
inline constexpr int DefRecordSearchSearchType = 0;
inline constexpr bool DefRecordSearchinName = true;
inline constexpr bool DefRecordSearchInContent = true;
inline constexpr bool DefRecordSearchinKeywords = true;
inline constexpr bool DefRecordSearchWholeWords = false;
inline constexpr bool DefRecordSearchCaseSensitive = false;
inline constexpr int DefCommentPanelHeight = 80;
inline constexpr const char* DefHighLight = "0";
inline constexpr const char* DefCommentPanelShown = "true";
inline constexpr const char* DefCommentPanelAlignment = "false";

// Kinds of node.
bool IsRecord(const TxevXMLNode2* node);
bool IsFolder(const TxevXMLNode2* node);
// A folder or a record: a node the tree shows.
bool IsTreeNode(const TxevXMLNode2* node);

// Folder and record items.
std::string NodeTitle(const TxevXMLNode2* node);
void SetNodeTitle(TxevXMLNode2* node, std::string title);
// A title of nothing but blanks and control characters: the file keeps none of it (its text is
// trimmed when read), so the tree would show an empty row. Renaming refuses it with SEmptyTitle.
bool IsEmptyTitle(std::string_view title);
inline constexpr const char* SEmptyTitle = "A title cannot be empty. The old title is kept.";
// The "ID" attribute read as an integer; -1 when it is missing or empty.
int NodeID(const TxevXMLNode2* node);
void SetNodeID(TxevXMLNode2* node, int id);
bool IsExpanded(const TxevXMLNode2* node);  // "expanded" is "1"
void SetExpanded(TxevXMLNode2* node, bool expanded);
bool IsBold(const TxevXMLNode2* node);  // "bold" is "1"; any other value is normal
// The "Image" attribute, or defaultImage when it is missing or empty.
int NodeImage(const TxevXMLNode2* node, int defaultImage);
std::string NodeKeywords(const TxevXMLNode2* node);
void SetNodeKeywords(TxevXMLNode2* node, std::string keywords);

// Record items. The texts are the "data" and "comments" children ("" when missing).
std::string RecordData(const TxevXMLNode2* record);
void SetRecordData(TxevXMLNode2* record, std::string data);
std::string RecordComments(const TxevXMLNode2* record);
void SetRecordComments(TxevXMLNode2* record, std::string comments);
int RecordXPos(const TxevXMLNode2* record);  // 0 when missing
int RecordYPos(const TxevXMLNode2* record);
// 80 when missing; kept within 0..kMaxCommentPanelHeight.
int RecordCommentPanelHeight(const TxevXMLNode2* record);
inline constexpr int kMaxCommentPanelHeight = 32767;

// Inherited values: the node's own child element, else the nearest ancestor's, else the default.
std::string InheritedHighLight(const TxevXMLNode2* node);
bool InheritedCommentPanelAlignment(const TxevXMLNode2* node);  // true: comments above the code
// Whether a record shows its comments panel: its own attribute ("1"/"0") wins; without one the
// inherited element ("true"/"false") decides.
bool RecordCommentPanelShown(const TxevXMLNode2* record);

// Node IDs. nextNodeID is the counter the tree window holds while a databank is open; a new ID is
// the counter's value while it can go higher, after that the lowest ID from 1 up that no folder or
// record below root (the document) or in node's own tree holds, so new IDs never repeat.
void AssignID(TxevXMLNode2* node, int& nextNodeID, const TxevXMLNode2* root);
// Pre-order: the node, then (for a folder) every child in order, each getting a fresh ID.
void RenumberSubtree(TxevXMLNode2* node, int& nextNodeID, const TxevXMLNode2* root);
// The first folder or record in display order whose "ID" text equals the decimal text of id
// (so "007" never matches 7); nullptr for a negative id or no match.
TxevXMLNode2* FindNodeByID(const TxevXMLNode2* root, int id);
// The highest "ID" of any folder or record in the document (-1 when there is none).
int HighestNodeID(const TxevXMLNode2* root);
// The counter for a freshly loaded databank: the stored "NextNodeID" (default 1), raised above
// every ID present so that new nodes never collide with old ones.
int LoadedNextNodeID(TXMLDataBase2& bank);

// Calls visit for every folder and record below root in display order (pre-order, descending only
// into folders), with the depth (0 for children of root).
void ForEachTreeNode(const TxevXMLNode2* root, const std::function<void(TxevXMLNode2* node, int depth)>& visit);

// Bookmarks: "lists" > "bookmarks" > "bookmark" with the child elements "name" and "ID".
struct TBookmark {
  std::string Name;
  int ID = -1;
};
std::vector<TBookmark> ReadBookmarks(TXMLDataBase2& bank);

// The old format (a document that begins with "<dataroot>"). A text that both starts and ends with
// a double quote loses them, and doubled quotes inside become one; any other text is kept as it is.
std::string DequoteOldText(std::string_view text);
// Dequote, then every "&gt;" becomes ">", then every "&lt;" becomes "<".
std::string ConvertOldText(std::string_view text);
// Applies ConvertOldText to the text of node and of every node below it.
void ConvertOldFormat(TxevXMLNode2* root);

}  // namespace bank
