// Places registered toolbar controls group by group along one axis: each group starts after its
// gap, its visible controls follow one another with the group's spacing; hidden controls take no
// room and the cross coordinate is never touched.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

// What the layout needs of a control.
class IToolbarControl {
 public:
  virtual ~IToolbarControl() = default;
  virtual bool Visible() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetLeft(int left) = 0;
  virtual void SetTop(int top) = 0;
  // The widget behind the control, when there is one.
  virtual QWidget* Widget() const { return nullptr; }
};

class TToolbarLayout {
 public:
  static constexpr int kDefaultGap = 2;
  static constexpr int kDefaultSpacing = 2;

  bool Vertical = false;
  int Start = 0;

  TToolbarLayout();
  ~TToolbarLayout();
  TToolbarLayout(const TToolbarLayout&) = delete;
  TToolbarLayout& operator=(const TToolbarLayout&) = delete;

  // Creates groups 0..group as needed (gap 2, spacing 2), then appends the control (not owned).
  void AddControl(int group, IToolbarControl* control);
  // A widget is entered through an adapter the layout owns; a widget that is destroyed is skipped.
  IToolbarControl* AddControl(int group, QWidget* control);
  void AddGroup(int gap, int spacing);
  void Arrange();

  int Count() const { return int(items_.size()); }
  IToolbarControl* GetControl(int index) const;
  int GetGroup(int index) const;
  int GroupCount() const { return int(groups_.size()); }
  int GroupGap(int group) const;
  int GroupSpacing(int group) const;
  // The controls of one group in registration order (the list is cleared first).
  void GetGroupControls(int group, std::vector<IToolbarControl*>& list) const;
  // The entry of a widget, or nullptr.
  IToolbarControl* FindWidget(const QWidget* widget) const;

 private:
  struct Item {
    IToolbarControl* control;
    int group;
  };
  struct Group {
    int gap;
    int spacing;
  };
  std::vector<Item> items_;
  std::vector<Group> groups_;
  std::vector<std::unique_ptr<IToolbarControl>> adapters_;
};
