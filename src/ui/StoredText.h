// Line edits over text kept in a file. A QLineEdit holds at most 32,767 characters unless told
// otherwise and cuts whatever is set beyond that without a word; keywords, titles, names, search
// texts and passwords may be longer. Every line edit of the program that shows or takes such text has
// its limit lifted, and a field that shows a stored value gives the stored bytes back when the user
// left it as it was: showing a value never changes it (bytes the toolkit cannot show as they are,
// nor anything the toolkit would make of them).
#pragma once

#include <QString>
#include <string>

class QComboBox;
class QLineEdit;

// Lifts the limit to the most a QString holds. Does nothing for nullptr (and for a combo box that is
// not editable).
void LiftLengthLimit(QLineEdit* edit);
void LiftLengthLimit(QComboBox* combo);

// What a field was given to show, to tell whether the user changed it.
class TShownText {
 public:
  // Lifts edit's limit and shows stored (UTF-8) in it.
  void Show(QLineEdit* edit, std::string stored);
  // The stored bytes it was given.
  const std::string& Value() const { return stored_; }
  // The field holds another text than the one shown.
  bool Changed(const QLineEdit* edit) const;
  // The stored bytes while the field holds what was shown; otherwise its text as UTF-8.
  std::string Text(const QLineEdit* edit) const;
  // What the field holds now was stored: from here on it counts as the text shown.
  void Stored(const QLineEdit* edit);

 private:
  std::string stored_;
  QString shown_;
};
