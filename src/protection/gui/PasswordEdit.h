// Password edits of the password dialogs: every character shown as "*", and the rule that a
// password must be representable in Windows-1252 (its bytes are the cipher key); and the parts the
// dialogs share.
#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QString>

// Masks the edit with "*".
void MakePasswordEdit(QLineEdit* edit);
// True when every character of the text has a Windows-1252 byte.
bool PasswordRepresentable(const QString& text);
// The message shown when a password holds other characters.
extern const char* const kPasswordCharsetMessage;

// The key picture at the dialogs' left ("imgKey").
QLabel* NewKeyImage(QWidget* parent);
// A caption over a password edit in column 1 of grid, at row and row + 1; the caption is the
// edit's buddy.
void AddPasswordRow(QGridLayout* grid, QWidget* parent, int row, const QString& caption, const QString& labelName,
                    const QString& editName, QLabel*& label, QLineEdit*& edit);
// Tells the user, in an error box over owner, that a password holds characters that cannot be used.
void ShowPasswordCharsetError(QWidget* owner);
