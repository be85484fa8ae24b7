// Settings kept as element text at "\"-paths below a section element of a databank store. Booleans
// are stored as "1"/"0" and read as (integer == 1). Section objects share the owner's store.
#pragma once

#include <memory>
#include <string>

#include "xml/uSettingsBase.h"
#include "xml/uXMLBase2.h"

class TXMLSettings : public TSettings {
 public:
  TXMLSettings();
  // The owner saves the file (guarded: a read-only file is skipped) and never lets an error out.
  // A file that could not be read is never written.
  ~TXMLSettings() override;

  void Reset() override;
  // Without a store yet: loads FileName() (SettingsFilePath() when empty) and becomes the owner.
  // Then finds or creates the section element of Path. Never throws: a file that cannot be read
  // gives empty settings and ReadError(); a damaged one is kept as "<file>.bad" and gives empty
  // settings.
  void Open() override;
  int ReadInteger(const std::string& name, int def) override;
  bool ReadBool(const std::string& name, bool def) override;
  std::string ReadString(const std::string& name, const std::string& def) override;
  void WriteInteger(const std::string& name, int value) override;
  void WriteBool(const std::string& name, bool value) override;
  void WriteString(const std::string& name, const std::string& value) override;
  // True when an element of that path exists below the section.
  bool ValueExists(const std::string& name) override;
  // The store's guarded save (a read-only or unreadable settings file is silently not written).
  void Save() override;
  // Path + "\" + name (just the name below the root, just Path for an empty name), opened.
  std::unique_ptr<TSettings> OpenSection(const std::string& name) override;
  // The first value found at the section or, going up, at an enclosing element; the default when
  // none has it. A stored "-novalue-" counts as absent.
  virtual std::string ReadInheritedString(const std::string& name, const std::string& def);

  bool OwnsDatabank() const { return ownsDatabank_; }
  TXMLDataBase2* Databank() const { return databank_.get(); }
  TxevXMLNode2* Node() const { return node_; }
  const std::string& FileName() const { return fileName_; }
  // Why the settings file could not be read (then it is left as it is), "" when it could.
  const std::string& ReadError() const { return readError_; }
  // Where a damaged settings file was kept ("<file>.bad") before the program went on with empty
  // settings, which replace it at the end; "" when the file was read, or could not be kept.
  const std::string& KeptDamagedCopy() const { return keptDamagedCopy_; }
  // Set before Open() to use another file than the default one.
  void SetFileName(const std::string& fileName) { fileName_ = fileName; }

 private:
  std::shared_ptr<TXMLDataBase2> LoadStore();

  bool ownsDatabank_ = false;
  std::shared_ptr<TXMLDataBase2> databank_;
  TxevXMLNode2* node_ = nullptr;
  std::string fileName_;
  std::string readError_;
  std::string keptDamagedCopy_;
};
