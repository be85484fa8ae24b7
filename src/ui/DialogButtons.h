// The button row the program's dialogs share: push buttons with a theme icon, 75 x 25 at the least,
// never default merely by having the focus, side by side at the lower right under the content.
#pragma once

#include <initializer_list>

class QPushButton;
class QString;
class QWidget;

// A dialog button owned by dialog, named for lookups and tests.
QPushButton* NewDialogButton(QWidget* dialog, const QString& iconName, const QString& caption, const QString& name);

// Gives dialog its layout: content filling the top (8-pixel margins), the buttons in a row at the
// lower right, in the order given.
void LayOutDialog(QWidget* dialog, QWidget* content, std::initializer_list<QPushButton*> buttons);
