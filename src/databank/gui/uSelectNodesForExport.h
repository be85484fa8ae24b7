// "Select nodes to export": the checked list of the selected node and its siblings, and how the
// exported file is protected: "Lock with password" (with the open databank's password, or a typed
// one) and "Compress data". The rules of the controls are TExportChoice's.
#pragma once

#include <QCheckBox>
#include <QLineEdit>

#include "databank/gui/USelection.h"
#include "databank/uImportExport.h"

class TImageList;

class TfrmSelectExport : public TfrmSelection {
  Q_OBJECT

 public:
  explicit TfrmSelectExport(QWidget* owner = nullptr);

  QCheckBox* chLock;
  QCheckBox* chCompress;
  QLineEdit* ePassword;
  QCheckBox* chCurrentPass;

  // The list and the switches from choice; images give the lines' pictures (may be nullptr).
  void Fill(const TExportChoice& choice, const TImageList* images);
  // choice from the controls (the list in the same order as filled).
  void Store(TExportChoice& choice) const;
  // Applies the rules of the controls.
  void UpdateControls();

 protected:
  // Centred on its window, not placed where the forms' shared position keys say.
  void FormCreate() override;
  void FormShow() override;

 private:
  void OkClicked();
};

// Shows the dialog over owner; true on OK with choice updated.
bool ExecuteSelectExport(QWidget* owner, const TImageList* images, TExportChoice& choice);
