#include "app/uPropertiesModel.h"

#include <algorithm>

#include "databank/uDataBankContent.h"
#include "xml/uXMLBase2.h"
#include "xml/uXMLTools2.h"

std::vector<int> FolderImageChoices(const TTreeImageRanges& ranges) {
  std::vector<int> out;
  for (int i = ranges.FolderFirst; i <= ranges.FolderLast; i += 2) out.push_back(i);
  return out;
}

std::vector<int> RecordImageChoices(const TTreeImageRanges& ranges) {
  std::vector<int> out;
  for (int i = ranges.RecordFirst; i <= ranges.RecordLast; ++i) out.push_back(i);
  return out;
}

std::string ImageChoiceCaption(int index) {
  return std::to_string(index + 1);
}

int ChoiceIndex(const std::vector<int>& choices, int image) {
  const auto found = std::find(choices.begin(), choices.end(), image);
  return found == choices.end() ? -1 : static_cast<int>(found - choices.begin());
}

int LanguageIndex(const TLanguageList& languages, int number) {
  const TLanguageChoice choice = ChooseLanguage(number, languages);
  return choice.Entry ? static_cast<int>(choice.Entry - languages.data()) : -1;
}

int LanguageTag(const TLanguageList& languages, int index) {
  return index >= 0 && index < static_cast<int>(languages.size()) ? languages[static_cast<size_t>(index)].Tag : 0;
}

// ---------------------------------------------------------------------------------------------
// Databank properties

TBankOptions ReadBankOptions(TXMLDataBase2& bank, const TTreeImages& images) {
  const TxevXMLNode2* root = bank.Root();
  TBankOptions o;
  o.HighLight = XMLPathReadInteger(root, bank::xnHighLight, 0);
  o.Name = bank.ReadString(bank::skDataBaseName, bank::DefDataBaseName);
  o.ShowComments = XMLPathReadBool(root, bank::xnCommentPanelShown, true);
  o.CommentsUp = XMLPathReadBool(root, bank::xnCommentPanelAlignment, false);
  // Shown as one of the pictures the dialog offers (a folder's closed picture).
  const std::vector<int> folders = FolderImageChoices(images.Ranges), records = RecordImageChoices(images.Ranges);
  o.DefaultFolderImage = ImageForState(images.Ranges, images.ValidFolderDefault(), false);
  if (ChoiceIndex(folders, o.DefaultFolderImage) < 0) o.DefaultFolderImage = images.Ranges.FolderFirst;
  o.DefaultDocImage = images.ValidRecordDefault();
  if (ChoiceIndex(records, o.DefaultDocImage) < 0) o.DefaultDocImage = images.Ranges.RecordFirst;
  return o;
}

void WriteBankOptions(TXMLDataBase2& bank, const TBankOptions& o, TTreeImages& images) {
  TxevXMLNode2* root = bank.Root();
  XMLPathWriteInteger(root, bank::xnHighLight, o.HighLight);
  XMLPathWriteBool(root, bank::xnCommentPanelShown, o.ShowComments);
  XMLPathWriteBool(root, bank::xnCommentPanelAlignment, o.CommentsUp);
  bank.WriteString(bank::skDataBaseName, o.Name);
  images.DefaultFolderImage = o.DefaultFolderImage;
  images.DefaultDocImage = o.DefaultDocImage;
  bank.WriteInteger(bank::skDefaultFolderImage, o.DefaultFolderImage);
  bank.WriteInteger(bank::skDefaultDocImage, o.DefaultDocImage);
}

void ReadDefaultImages(TXMLDataBase2& bank, TTreeImages& images) {
  images.DefaultFolderImage = bank.ReadInteger(bank::skDefaultFolderImage, images.Ranges.FolderFirst);
  images.DefaultDocImage = bank.ReadInteger(bank::skDefaultDocImage, images.Ranges.RecordFirst);
}

// ---------------------------------------------------------------------------------------------
// Node properties

namespace {

int DefaultImage(bool folder, const TTreeImages& images) {
  return folder ? ImageForState(images.Ranges, images.ValidFolderDefault(), false) : images.ValidRecordDefault();
}

std::vector<int> Choices(bool folder, const TTreeImages& images) {
  return folder ? FolderImageChoices(images.Ranges) : RecordImageChoices(images.Ranges);
}

}  // namespace

TItemProperties ReadItemProperties(const TxevXMLNode2* node, const TLanguageList& languages,
                                   const TTreeImages& images) {
  TItemProperties p;
  p.Folder = bank::IsFolder(node);
  p.Name = node->Text();
  if (const TxevXMLNode2* own = node->FindNode(bank::xnHighLight)) {
    p.Language = LanguageIndex(languages, LanguageNumberFromText(own->Text()));
    if (p.Language < 0) p.Language = TItemProperties::kUnlistedLanguage;
  }
  const int inherited = LanguageIndex(languages, LanguageNumberFromText(bank::InheritedHighLight(node->Parent())));
  p.InheritedLanguage = inherited >= 0 ? languages[size_t(inherited)].Name : std::string(SPlainText);
  p.Image = p.Folder ? images.FolderImage(node, false) : images.RecordImage(node);
  if (ChoiceIndex(Choices(p.Folder, images), p.Image) < 0) p.Image = DefaultImage(p.Folder, images);
  return p;
}

int WriteItemProperties(TxevXMLNode2* node, const TItemProperties& read, const TItemProperties& chosen,
                        const TLanguageList& languages, const TTreeImages& images, bool open) {
  bank::SetNodeTitle(node, chosen.Name);
  if (chosen.Language != read.Language) {
    if (chosen.Language == TItemProperties::kNoLanguage) {
      if (TxevXMLNode2* own = node->FindNode(bank::xnHighLight)) node->DeleteNode(own);
    } else if (chosen.Language >= 0) {
      XMLPathWriteInteger(node, bank::xnHighLight, LanguageTag(languages, chosen.Language));
    }
  }
  if (chosen.Image == DefaultImage(chosen.Folder, images))
    XMLDeleteAttr(node, bank::xaImage);
  else
    XMLSetAttrInteger(node, bank::xaImage, chosen.Image);
  return ImageForState(images.Ranges, chosen.Image, open);
}
