// What the databank properties dialog and the node properties dialog show and write, in plain code:
// the values read from the databank document, the choices of the image lists, and the writing back
// on OK. The dialogs (uBankOptions, uItemProperties) only show these values and return the choice.
//
// Rules kept here:
// - The node properties show the node's own language ("HighLight"), "none" when it has none and
//   follows its folder, with the name of the language it then shows in. OK stores a changed choice as made, also one
//   equal to what the node would inherit (so it stays when the folder's changes); "none" removes the node's own
//   element. An unchanged choice leaves the element alone, whatever number it holds.
// - An image equal to the default of its kind is stored as no "Image" attribute at all.
#pragma once

#include <string>
#include <vector>

#include "databank/uTreeModel.h"
#include "recordeditor/UHighlighters.h"

class TXMLDataBase2;
class TxevXMLNode2;

// The pictures offered for folders (the closed picture of each pair) and for records, in list order.
std::vector<int> FolderImageChoices(const TTreeImageRanges& ranges);
std::vector<int> RecordImageChoices(const TTreeImageRanges& ranges);
// The caption of the choice at position index: its position counted from 1.
std::string ImageChoiceCaption(int index);
// The position of image among the choices, -1 when it is not one of them.
int ChoiceIndex(const std::vector<int>& choices, int image);
// The position in the language list of the entry that shows a stored language number (the entry
// carrying it, else the fall-back of ChooseLanguage); -1 for none (plain text).
int LanguageIndex(const TLanguageList& languages, int number);
// The number the entry at index stores; 0 for no entry.
int LanguageTag(const TLanguageList& languages, int index);

// ---- Databank properties ----

struct TBankOptions {
  int HighLight = 0;         // the root's own "HighLight"
  std::string Name;          // "DataBaseName"; "unnamed" when none is stored
  bool ShowComments = true;  // the root's "commentpanel-shown"
  bool CommentsUp = false;   // the root's "commentpanel-alignment"
  int DefaultFolderImage = 0;
  int DefaultDocImage = 0;
};

// The values the dialog opens with; the default images are those in use (images).
TBankOptions ReadBankOptions(TXMLDataBase2& bank, const TTreeImages& images);
// Writes the values into the databank (an empty name removes the stored one) and makes the default
// images the ones in use.
void WriteBankOptions(TXMLDataBase2& bank, const TBankOptions& options, TTreeImages& images);
// The default images a databank asks for, or the first folder and record pictures when it stores
// none: each databank starts from the same pictures, whatever was shown before it.
void ReadDefaultImages(TXMLDataBase2& bank, TTreeImages& images);

// ---- Node properties ----

// What a node without a language that selects a highlighter shows in.
inline constexpr const char* SPlainText = "plain text";

struct TItemProperties {
  // Language values besides positions in the language list.
  static constexpr int kNoLanguage = -1;        // no "HighLight" of its own: the node inherits
  static constexpr int kUnlistedLanguage = -2;  // its own number selects no entry (plain text)
  bool Folder = false;
  std::string Name;
  int Language = kNoLanguage;  // the node's own language: a position in the language list, or above
  int Image = 0;               // the picture (the closed one of a folder's pair)
  // The name of the language the node shows in without one of its own (its folder's, or the
  // databank's), "plain text" where that selects none.
  std::string InheritedLanguage;
};

TItemProperties ReadItemProperties(const TxevXMLNode2* node, const TLanguageList& languages, const TTreeImages& images);
// Writes what the dialog returned: the title; the language only when it was changed from what was
// read (kNoLanguage removes the node's own element); the "Image" attribute (removed for the default picture). Returns
// the picture the tree shows for the node (the open one of a folder's pair when open).
int WriteItemProperties(TxevXMLNode2* node, const TItemProperties& read, const TItemProperties& chosen,
                        const TLanguageList& languages, const TTreeImages& images, bool open);
