// The abstract settings store every window and component reads and writes its values through: typed
// values with a default on every read, grouped in sections named by "\"-separated paths.
#pragma once

#include <memory>
#include <string>

class TSettings {
 public:
  // The section's path below the settings root ("" for the root itself).
  std::string Path;

  TSettings() = default;
  virtual ~TSettings() = default;
  TSettings(const TSettings&) = delete;
  TSettings& operator=(const TSettings&) = delete;

  // Forgets the store without freeing or saving anything.
  virtual void Reset() {}
  // Makes the object usable (loads the store, finds or creates the section).
  virtual void Open() = 0;
  virtual int ReadInteger(const std::string& name, int def) = 0;
  virtual bool ReadBool(const std::string& name, bool def) = 0;
  virtual std::string ReadString(const std::string& name, const std::string& def) = 0;
  virtual void WriteInteger(const std::string& name, int value) = 0;
  virtual void WriteBool(const std::string& name, bool value) = 0;
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  virtual bool ValueExists(const std::string& name) = 0;
  // Writes the store now.
  virtual void Save() {}
  // A new object for the sub-section name below this one; the caller owns it.
  virtual std::unique_ptr<TSettings> OpenSection(const std::string& name) = 0;
};
