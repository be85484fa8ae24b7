// What the databank tree window asks of the record editor. The window only ever talks to the editor
// through this interface, so the window runs (and is tested) with any editor, or with none.
#pragma once

#include <string>

#include "databank/uSearchForRec.h"

class TSettings;
class TxevXMLNode2;

class IEditor {
 public:
  virtual ~IEditor() = default;

  // Gives the keyboard focus to the code editor.
  virtual void FocusEditor() = 0;
  // Empties both text editors.
  virtual void ClearEditor() = 0;
  // Enables or disables the editor; disabling also clears it.
  virtual void SetEditorEnabled(bool enabled) = 0;
  // Reads / writes the editor's own settings (word wrap, line numbers, special characters).
  virtual void LoadEditorSettings() = 0;
  virtual void SaveEditorSettings() = 0;
  // Loads a record node (language, code, caret, comments, comments panel) and starts tracking changes.
  virtual void OpenRecord(TxevXMLNode2* node) = 0;
  // Forgets the record node without storing anything.
  virtual void DetachRecord() = 0;
  // Writes the editor's state back into the record node.
  virtual void StoreRecord() = 0;
  // The text differs from what it was at OpenRecord (or at ClearModified). Moving the caret,
  // scrolling or selecting changes nothing.
  virtual bool IsModified() = 0;
  // The record node holds what the editor shows (StoreRecord ran and the databank knows of the edits).
  virtual void ClearModified() = 0;
  // Finds the filter text in the code.
  virtual void ShowRecordSearchMatch() = 0;
  // Whether the record's content matches the filter (false for folders): RecordContentMatches of
  // the record search, which a filter run shared among threads asks directly (FilterRecords).
  virtual bool RecordContentMatches(TxevXMLNode2* node, const TSearchForRec& search) = 0;
  // The keywords of the open record.
  virtual void SetKeywords(const std::string& text) = 0;
  virtual std::string GetKeywords() = 0;
  // Hands over the settings object (not owned).
  virtual void SetSettings(TSettings* settings) = 0;
  virtual void ShowToolbar(bool visible) = 0;
};
