// The databank properties dialog ("Bank Options") and the node properties dialog ("Node
// Properties"). Both are OK/Cancel dialogs that show the values of uPropertiesModel and give back
// what the user chose; reading and writing the databank is the model's and the main window's.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <vector>

#include "app/uPropertiesModel.h"
#include "ui/StoredText.h"
#include "ui/UYNForm.h"

class TImageList;

class TfrmBankOptions : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TfrmBankOptions(QWidget* owner = nullptr);

  QComboBox* cbHighLighters;
  QLineEdit* eBankName;
  QCheckBox* chShowComments;
  QCheckBox* chCommentsUp;
  QComboBox* cbFolderImage;
  QComboBox* cbItemImage;

  // Fills the lists (languages; folder and record pictures of images) and shows the values.
  void SetValues(const TBankOptions& options, const TLanguageList& languages, const TImageList* images,
                 const TTreeImageRanges& ranges);
  TBankOptions Values() const;

 protected:
  // Centred on its window, not placed where the forms' shared position keys say.
  void FormCreate() override;

 private:
  const TLanguageList* languages_ = nullptr;
  std::vector<int> folderChoices_, recordChoices_;
  TShownText nameShown_;
};

class TfrmItemProperties : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TfrmItemProperties(QWidget* owner = nullptr);

  QLineEdit* eName;
  QComboBox* cbHighLighters;
  QComboBox* cbImage;

  // The picture list offers the folder pictures for a folder, the record pictures for a record. The
  // language list starts with "none" (the node follows its folder), naming the language it then
  // shows in.
  void SetValues(const TItemProperties& properties, const TLanguageList& languages, const TImageList* images,
                 const TTreeImageRanges& ranges);
  TItemProperties Values() const;
  // Chooses the language at position of the language list, or TItemProperties::kNoLanguage.
  void SelectLanguage(int position);

 protected:
  // Centred on its window, not placed where the forms' shared position keys say.
  void FormCreate() override;

 private:
  // An empty name is refused with a message, and the name shown before comes back.
  void OkClicked();

  bool folder_ = false;
  TShownText nameShown_;
  std::vector<int> choices_;
};

// The list of a combo box: one item per language name.
void FillLanguageCombo(QComboBox* combo, const TLanguageList& languages, int selected);
// The caption of the node properties' choice of no language of the node's own.
inline constexpr const char* SNoLanguage = "none";
// That caption with the language the node then shows in: "none (inherits C/C++)".
std::string NoLanguageCaption(const std::string& inherited);
// One item per picture, captioned by its position from 1; the item of `selected` is chosen.
void FillImageCombo(QComboBox* combo, const TImageList* images, const std::vector<int>& choices, int selected);
