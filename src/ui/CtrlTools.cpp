#include "ui/CtrlTools.h"

#include <QPointer>
#include <QWidget>
#include <vector>

void ForEachControl(QWidget* parent, const std::function<void(QWidget*)>& proc) {
  if (!parent || !proc) return;
  // Snapshot the children so that proc may change the tree without invalidating the walk.
  std::vector<QPointer<QWidget>> children;
  for (QObject* o : parent->children())
    if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow()) children.emplace_back(static_cast<QWidget*>(o));
  for (const QPointer<QWidget>& child : children) {
    if (!child) continue;
    ForEachControl(child, proc);
    if (child) proc(child);
  }
}
