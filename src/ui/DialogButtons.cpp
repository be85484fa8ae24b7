#include "ui/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/Icons.h"

QPushButton* NewDialogButton(QWidget* dialog, const QString& iconName, const QString& caption, const QString& name) {
  auto* b = new QPushButton(platform::ThemeIcon(iconName), caption, dialog);
  b->setObjectName(name);
  b->setAutoDefault(false);
  b->setMinimumSize(75, 25);
  return b;
}

void LayOutDialog(QWidget* dialog, QWidget* content, std::initializer_list<QPushButton*> buttons) {
  auto* outer = new QVBoxLayout(dialog);
  outer->setContentsMargins(8, 8, 8, 8);
  outer->addWidget(content, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* b : buttons) row->addWidget(b);
  outer->addLayout(row);
}
