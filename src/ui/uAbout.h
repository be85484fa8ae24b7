// The About action: the box with the application's title, owned by the form's window.
#pragma once

class QWidget;

void ShowAbout(QWidget* form);
