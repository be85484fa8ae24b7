// Shared helpers of the form tests: a settings store in memory (sections share one map, keys are
// "section\\name") and a small fake window geometry.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ui/BaseForm.h"
#include "xml/uSettingsBase.h"

class TMemorySettings : public TSettings {
 public:
  using Store = std::map<std::string, std::string>;
  explicit TMemorySettings(std::shared_ptr<Store> store = std::make_shared<Store>(), std::string prefix = "")
      : store_(std::move(store)), prefix_(std::move(prefix)) {}
  void Open() override {}
  int ReadInteger(const std::string& name, int def) override {
    auto it = store_->find(Key(name));
    return it == store_->end() ? def : std::stoi(it->second);
  }
  bool ReadBool(const std::string& name, bool def) override {
    auto it = store_->find(Key(name));
    return it == store_->end() ? def : it->second == "1";
  }
  std::string ReadString(const std::string& name, const std::string& def) override {
    auto it = store_->find(Key(name));
    return it == store_->end() ? def : it->second;
  }
  void WriteInteger(const std::string& name, int value) override { (*store_)[Key(name)] = std::to_string(value); }
  void WriteBool(const std::string& name, bool value) override { (*store_)[Key(name)] = value ? "1" : "0"; }
  void WriteString(const std::string& name, const std::string& value) override { (*store_)[Key(name)] = value; }
  bool ValueExists(const std::string& name) override { return store_->count(Key(name)) > 0; }
  std::unique_ptr<TSettings> OpenSection(const std::string& name) override {
    return std::make_unique<TMemorySettings>(store_, name.empty() ? prefix_ : Key(name));
  }
  const std::shared_ptr<Store>& Data() const { return store_; }

 private:
  std::string Key(const std::string& name) const { return prefix_.empty() ? name : prefix_ + "\\" + name; }
  std::shared_ptr<Store> store_;
  std::string prefix_;
};

class FakeGeometry : public IFormGeometry {
 public:
  bool maximized = false;
  bool canMaximize = true;
  int left = 10, top = 20, width = 300, height = 200;
  int moves = 0, resizes = 0;
  bool IsMaximized() const override { return maximized; }
  bool CanMaximize() const override { return canMaximize; }
  void Maximize() override { maximized = true; }
  int Left() const override { return left; }
  int Top() const override { return top; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  void MoveTo(int l, int t) override {
    left = l;
    top = t;
    ++moves;
  }
  void ResizeTo(int w, int h) override {
    width = w;
    height = h;
    ++resizes;
  }
  std::optional<TArea> area;
  int frameWidth = 0, frameHeight = 0;
  std::optional<TArea> AvailableArea(int, int) const override { return area; }
  int FrameExtraWidth() const override { return frameWidth; }
  int FrameExtraHeight() const override { return frameHeight; }
};
