#include "ui/uAbout.h"

#include "platform/Application.h"
#include "ui/uAboutDialog.h"

void ShowAbout(QWidget* form) {
  ShowAboutDialog(platform::Application().Title, form);
}
