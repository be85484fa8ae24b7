#include "ui/uToolbarLayout.h"

namespace {

class TWidgetControl : public IToolbarControl {
 public:
  explicit TWidgetControl(QWidget* w) : w_(w) {}
  // The control's own visibility flag, not whether its window is on screen.
  bool Visible() const override { return w_ && !w_->isHidden(); }
  int Width() const override { return w_ ? w_->width() : 0; }
  int Height() const override { return w_ ? w_->height() : 0; }
  void SetLeft(int left) override {
    if (w_) w_->move(left, w_->y());
  }
  void SetTop(int top) override {
    if (w_) w_->move(w_->x(), top);
  }
  QWidget* Widget() const override { return w_; }

 private:
  QPointer<QWidget> w_;
};

}  // namespace

TToolbarLayout::TToolbarLayout() = default;
TToolbarLayout::~TToolbarLayout() = default;

void TToolbarLayout::AddControl(int group, IToolbarControl* control) {
  while (group >= int(groups_.size())) groups_.push_back(Group{kDefaultGap, kDefaultSpacing});
  items_.push_back(Item{control, group});
}

IToolbarControl* TToolbarLayout::AddControl(int group, QWidget* control) {
  adapters_.push_back(std::make_unique<TWidgetControl>(control));
  IToolbarControl* c = adapters_.back().get();
  AddControl(group, c);
  return c;
}

void TToolbarLayout::AddGroup(int gap, int spacing) {
  groups_.push_back(Group{gap, spacing});
}

void TToolbarLayout::Arrange() {
  int pos = Start;
  std::vector<IToolbarControl*> controls;
  for (int g = 0; g < int(groups_.size()); ++g) {
    GetGroupControls(g, controls);
    if (controls.empty()) continue;
    pos += groups_[g].gap;
    for (IToolbarControl* c : controls) {
      if (!c || !c->Visible()) continue;
      if (Vertical) {
        c->SetTop(pos);
        pos += c->Height() + groups_[g].spacing;
      } else {
        c->SetLeft(pos);
        pos += c->Width() + groups_[g].spacing;
      }
    }
  }
}

IToolbarControl* TToolbarLayout::GetControl(int index) const {
  return index >= 0 && index < Count() ? items_[index].control : nullptr;
}

int TToolbarLayout::GetGroup(int index) const {
  return index >= 0 && index < Count() ? items_[index].group : -1;
}

int TToolbarLayout::GroupGap(int group) const {
  return group >= 0 && group < GroupCount() ? groups_[group].gap : 0;
}

int TToolbarLayout::GroupSpacing(int group) const {
  return group >= 0 && group < GroupCount() ? groups_[group].spacing : 0;
}

void TToolbarLayout::GetGroupControls(int group, std::vector<IToolbarControl*>& list) const {
  list.clear();
  for (const Item& item : items_)
    if (item.group == group) list.push_back(item.control);
}

IToolbarControl* TToolbarLayout::FindWidget(const QWidget* widget) const {
  for (const Item& item : items_)
    if (item.control && item.control->Widget() == widget) return item.control;
  return nullptr;
}
