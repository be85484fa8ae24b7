// Walking every control of a window.
#pragma once

#include <functional>

class QWidget;

// For each child widget of parent in order (separate windows owned by it are not its controls): its own children are
// walked first (recursively), then proc is called with the child. Widgets added or removed by proc during the walk are
// not visited.
void ForEachControl(QWidget* parent, const std::function<void(QWidget*)>& proc);
