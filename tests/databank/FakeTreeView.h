// The tree widget as the window sees it, in memory, with the event rules of the real one: a change of
// selection is reported before the ancestors of the new item are expanded for scrolling it into view
// (each expansion reported); expanding everything reports leaves too; nothing is reported while the
// update lock is held; label editing is reported before it starts and finished by the test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "databank/uTreeModel.h"

struct TTreeItem {
  TxevXMLNode2* node = nullptr;
  std::string text;
  int image = 0;
  bool bold = false;
  bool expanded = false;
  TTreeItem* parent = nullptr;
  std::vector<std::unique_ptr<TTreeItem>> children;
};

class FakeTreeView : public ITreeView {
 public:
  ITreeViewEvents* events = nullptr;
  bool focused = false;
  TTreeItem* editing = nullptr;

  void BeginUpdate() override { ++locks_; }
  void EndUpdate() override { --locks_; }
  bool Updating() const override { return locks_ > 0; }
  void Clear() override {
    root_.children.clear();
    selected_ = editing = nullptr;
  }
  void InsertItems(TTreeItem* parent, TTreeItem* before, const std::vector<TTreeItemSpec>& specs,
                   std::vector<TTreeItem*>& out) override {
    out.clear();
    for (const TTreeItemSpec& s : specs) {
      auto item = std::make_unique<TTreeItem>();
      item->node = s.Node;
      item->text = std::string(s.Text);
      item->image = s.Image;
      item->bold = s.Bold;
      item->expanded = s.Expanded;
      TTreeItem* raw = item.get();
      if (s.Parent >= 0)
        Attach(out[size_t(s.Parent)], std::move(item), nullptr);
      else
        Attach(parent ? parent : &root_, std::move(item), before);
      out.push_back(raw);
    }
  }
  void RemoveItem(TTreeItem* item) override {
    if (Inside(selected_, item)) selected_ = nullptr;
    Detach(item);
  }
  void MoveItem(TTreeItem* item, TTreeItem* parent, TTreeItem* before) override {
    Attach(parent ? parent : &root_, Detach(item), before);
  }
  TxevXMLNode2* NodeOf(TTreeItem* item) const override { return item ? item->node : nullptr; }
  void SetText(TTreeItem* item, std::string_view text) override { item->text = std::string(text); }
  int ImageOf(TTreeItem* item) const override { return item->image; }
  void SetImage(TTreeItem* item, int image) override { item->image = image; }
  TTreeItem* Selected() const override { return selected_; }
  void Select(TTreeItem* item) override {
    if (item == selected_) return;
    selected_ = item;
    if (Updating()) return;
    if (events) events->TreeChange(item);
    MakeVisible(item);
  }
  bool IsExpanded(TTreeItem* item) const override { return item->expanded; }
  void SetExpanded(TTreeItem* item, bool expanded) override {
    if (item->expanded == expanded) return;
    item->expanded = expanded;
    if (Updating() || !events) return;
    if (expanded)
      events->TreeExpanded(item);
    else
      events->TreeCollapsed(item);
  }
  void FullExpand() override {
    ForEach(&root_, [this](TTreeItem* i) { SetExpanded(i, true); });
  }
  void FullCollapse() override {
    ForEach(&root_, [this](TTreeItem* i) { SetExpanded(i, false); });
  }
  void StartEdit(TTreeItem* item) override {
    if (!Updating() && events) events->TreeEditing(item);
    editing = item;
  }
  bool IsEditing() const override { return editing != nullptr; }
  bool HasFocus() const override { return focused && !editing; }
  void SetFocus() override { focused = true; }
  void MakeVisible(TTreeItem* item) override {
    for (TTreeItem* p = item ? item->parent : nullptr; p && p != &root_; p = p->parent) SetExpanded(p, true);
  }

  // The user ends the label edit.
  void FinishEdit(const std::string& text) {
    TTreeItem* item = editing;
    editing = nullptr;
    if (item && events) events->TreeEdited(item, text);
  }
  void CancelEdit() { editing = nullptr; }

  // Every item in display order with its depth.
  std::vector<std::pair<TTreeItem*, int>> Flatten() const {
    std::vector<std::pair<TTreeItem*, int>> out;
    Walk(&root_, -1, out);
    return out;
  }

 private:
  template <class F>
  static void ForEach(TTreeItem* item, F f) {
    for (auto& child : item->children) {
      f(child.get());
      ForEach(child.get(), f);
    }
  }
  static void Walk(const TTreeItem* item, int depth, std::vector<std::pair<TTreeItem*, int>>& out) {
    for (const auto& child : item->children) {
      out.emplace_back(child.get(), depth + 1);
      Walk(child.get(), depth + 1, out);
    }
  }
  static bool Inside(const TTreeItem* item, const TTreeItem* ancestor) {
    for (; item; item = item->parent)
      if (item == ancestor) return true;
    return false;
  }
  static void Attach(TTreeItem* parent, std::unique_ptr<TTreeItem> item, TTreeItem* before) {
    item->parent = parent;
    auto& c = parent->children;
    auto at = c.end();
    for (auto it = c.begin(); it != c.end(); ++it)
      if (it->get() == before) at = it;
    c.insert(at, std::move(item));
  }
  static std::unique_ptr<TTreeItem> Detach(TTreeItem* item) {
    auto& c = item->parent->children;
    for (auto it = c.begin(); it != c.end(); ++it)
      if (it->get() == item) {
        auto owned = std::move(*it);
        c.erase(it);
        return owned;
      }
    return nullptr;
  }

  TTreeItem root_;
  TTreeItem* selected_ = nullptr;
  int locks_ = 0;
};
