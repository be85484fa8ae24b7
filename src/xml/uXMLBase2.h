// The databank store: an XML document whose root "dataroot" holds a "settings" element (named values,
// one child element per name) and a "lists" element (named lists). Every databank and the settings
// file live in one.
//
// In memory all text is UTF-8. On disk (files and streams) the document is written in Windows-1252
// and declared "ISO-8859-1" whenever every character has a Windows-1252 byte, else as UTF-8 declared
// "UTF-8"; reading honours the declaration (a missing one or any other than UTF-8 reads as
// Windows-1252).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/CodePage.h"
#include "platform/Streams.h"
#include "xml/xevXMLParser2.h"

// Keeps a copy of a file that could not be read as "<file>.bad" before anything may be written over
// it; returns the copy's name, "" when no copy could be made. Never throws.
std::string KeepBadCopy(const std::string& fileName);

class TXMLDataBase2Snapshot;

class TXMLDataBase2 {
 public:
  // Loads the file when it exists; a file that does not parse keeps what was parsed (with LastError()
  // set and a copy of the unreadable file kept as "<file>.bad"); no file, or an empty name, gives an
  // empty store. Throws EFOpenError when the file exists but cannot be read.
  explicit TXMLDataBase2(const std::string& fileName = "");
  ~TXMLDataBase2();
  TXMLDataBase2(const TXMLDataBase2&) = delete;
  TXMLDataBase2& operator=(const TXMLDataBase2&) = delete;

  // A new document: root "dataroot" with nothing below it.
  void Clear();

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& fileName) { fileName_ = fileName; }
  // The document; its element is the root.
  TxevXMLParser2* Document() const { return doc_.get(); }
  TxevXMLNode2* Root() const { return doc_.get(); }
  // The last load's parse error report (UTF-8), empty after a successful load.
  const std::string& LastError() const { return lastError_; }
  // The same in one line with the place: "XML error at line L, column C: reason" ("" when the last
  // load parsed, or failed before parsing).
  const std::string& ErrorSummary() const { return errorSummary_; }
  // Text read as UTF-8 (so declared, or after a UTF-8 byte-order mark) that was not: the last load
  // replaced each such byte by U+FFFD before parsing. How many bytes, and the line (from 1) of the
  // text that held the first; 0 and 0 when every byte was well formed.
  std::size_t InvalidUtf8Bytes() const { return invalidUtf8_.Replaced; }
  int InvalidUtf8Line() const { return invalidUtf8Line_; }

  // The root's "settings" / "lists" child, created at the end of the root's children when missing.
  TxevXMLNode2* SettingsNode();
  TxevXMLNode2* ListsNode();

  // Named values below "settings" (the name is used as it is, no path splitting).
  std::string ReadString(const std::string& name, const std::string& def);
  int ReadInteger(const std::string& name, int def);
  // True when the lower-cased text is "true"; the default when absent.
  bool ReadBool(const std::string& name, bool def);
  // An empty value deletes an existing element and creates none.
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int value);
  void WriteBool(const std::string& name, bool value);

  // False when the file does not exist or does not parse; FileName() is set on success.
  // Throws EFOpenError when the file exists but cannot be opened.
  bool LoadFromFile(const std::string& fileName);
  // Reads from the stream's current position to its end and parses it; false for an empty stream or
  // a parse error (the store then holds what was parsed).
  bool LoadFromStream(TStream& stream);
  // Writes the document (encoded as above) at the stream's position; false when writing failed.
  bool SaveToStream(TStream& stream);
  // A non-empty name replaces FileName(); with backup an existing file is first kept under the name
  // with its extension replaced by ".bak" (a second link to it, or a copy where the file system has no
  // links; an older ".bak" is replaced). The file is replaced atomically: on any failure the old file
  // stays as it was. Throws Exception("Can't Save no file assigned!") without a file name, and
  // the file errors.
  void SaveToFile(const std::string& fileName = "", bool backup = false);
  // The guarded save: a read-only file is silently left alone. Throws without a file name.
  void Save();

  // The bytes the stream and file functions write and read (encoding rule above).
  std::string EncodedXML() const;
  // The document frozen as it is now, sharing its texts (cheap: no text is copied, and what did not
  // change since the last snapshot is shared with it); edits of this store never reach it, so
  // another thread can write it while this one goes on.
  std::unique_ptr<const TXMLDataBase2Snapshot> Snapshot() const;
  // Freezes the whole document now, on a few threads when it is large, so that the first snapshot
  // costs only what changed after this.
  void PrepareSnapshots() const;
  // While set, a document read from a file or a stream is frozen as it is parsed (for a store whose
  // snapshots are saved while it is edited): PrepareSnapshots then has little left to do.
  void SetFreezeWhileLoading(bool on);
  bool LoadEncodedXML(std::string bytes);
  // The same, with beside (when given) reading the bytes as they came on another thread while they
  // are parsed (a digest of a large file, say).
  bool LoadEncodedXML(std::string bytes, const std::function<void(std::string_view)>& beside);

 private:
  TxevXMLNode2* CachedChild(TxevXMLNode2*& cache, const char* name);

  std::string fileName_;
  std::unique_ptr<TxevXMLParser2> doc_;
  std::string lastError_;
  std::string errorSummary_;
  std::size_t loadedBytes_ = 0;  // the size of the text the document was read from
  codepage::TUtf8Repair invalidUtf8_;
  int invalidUtf8Line_ = 0;
  // Makes text said to be UTF-8 well formed (see InvalidUtf8Bytes); original receives the text as it
  // was when bytes were replaced.
  void RepairUtf8(std::string& text, std::string& original);
  bool freezeWhileLoading_ = false;
  TxevXMLNode2* listsNode_ = nullptr;
  TxevXMLNode2* settingsNode_ = nullptr;
};

// A store's document frozen for saving: its bytes can be made on any thread. Taking one costs what
// changed in the document since the last one (see TxevXMLFrozen2).
class TXMLDataBase2Snapshot {
 public:
  explicit TXMLDataBase2Snapshot(const TXMLDataBase2& store) : frozen_(*store.Document()) {}
  // A document frozen otherwise (put together from parts of others, say).
  explicit TXMLDataBase2Snapshot(TxevXMLFrozen2&& frozen) : frozen_(std::move(frozen)) {}
  virtual ~TXMLDataBase2Snapshot() = default;
  TXMLDataBase2Snapshot(const TXMLDataBase2Snapshot&) = delete;
  TXMLDataBase2Snapshot& operator=(const TXMLDataBase2Snapshot&) = delete;

  // What the store's EncodedXML() gave when the snapshot was taken.
  std::string EncodedXML() const;

  // EncodedXML(), measured without making it: its size, and whether it is the UTF-8 form.
  struct TEncoding {
    std::uint64_t Bytes = 0;
    bool Utf8 = false;
  };
  TEncoding MeasureEncodedXML() const;
  // Hands the bytes of EncodedXML() to consume in order, in pieces of about chunk bytes (so a large
  // databank is never held in memory whole), in the form measured. Throws Exception when the bytes
  // do not come out as measured.
  void WriteEncodedXML(const TEncoding& encoding, std::size_t chunk,
                       const std::function<void(std::string& piece)>& consume) const;

 private:
  TxevXMLFrozen2 frozen_;
};
