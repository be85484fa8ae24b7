// Password edits of the password dialogs: every character shown as "*", and the rule that a
// password must be representable in Windows-1252 (its bytes are the cipher key).
#pragma once

#include <QLineEdit>
#include <QString>

// Masks the edit with "*".
void MakePasswordEdit(QLineEdit* edit);
// True when every character of the text has a Windows-1252 byte.
bool PasswordRepresentable(const QString& text);
// The message shown when a password holds other characters.
extern const char* const kPasswordCharsetMessage;
