#include "platform/Application.h"

#include "platform/UIServices.h"

namespace platform {

TApplication& TApplication::Instance() {
  static TApplication app;
  return app;
}

void TApplication::Minimize() {
  if (backend_) backend_->MinimizeWindows();
  NotifyMinimized();
}

void TApplication::Restore() {
  hidden_ = false;
  if (backend_) backend_->RestoreWindows();
  NotifyRestored();
}

void TApplication::Hide() {
  hidden_ = true;
  if (backend_) backend_->HideWindows();
}

void TApplication::Show() {
  hidden_ = false;
  if (backend_) backend_->ShowWindows();
}

void TApplication::ProcessMessages() {
  if (backend_) backend_->ProcessMessages();
}

void TApplication::Terminate() {
  terminated_ = true;
  if (backend_) backend_->Terminate();
}

void TApplication::NotifyMinimized() {
  if (minimized_) return;
  minimized_ = true;
  if (OnMinimize) RunGuarded(OnMinimize);
}

void TApplication::NotifyRestored() {
  if (!minimized_) return;
  minimized_ = false;
  if (OnRestore) RunGuarded(OnRestore);
}

void TApplication::ShowException(const std::string& message) {
  UI().ShowException(message);
}

void TApplication::Reset() {
  Title = "Tessaryn";
  ShowMainForm = true;
  OnMinimize = nullptr;
  OnRestore = nullptr;
  backend_ = nullptr;
  minimized_ = hidden_ = terminated_ = false;
}

}  // namespace platform
