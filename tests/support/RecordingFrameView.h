// The record editor frame without a window: its two editor controls on recording hosts and a view
// that keeps what the frame asked of its window. Header-only, so the editor probe can use it too.
#pragma once

#include <string>
#include <vector>

#include "SynPadRecordingHost.h"
#include "recordeditor/uEditorFrame.h"

class TRecordingFrameView : public IEditorFrameView {
 public:
  bool Enabled = true;
  int FocusRequests = 0;
  bool FocusTakes = false;  // a focus request gives the code editor's host the focus
  TSynRecordingHost* MemoHost = nullptr;
  bool Shown = true, OnTop = false;
  int Height = 0;
  bool ToolbarVisible = true;
  int Previews = 0;

  bool MemoEnabled() const override { return Enabled; }
  void SetMemoEnabled(bool enabled) override { Enabled = enabled; }
  void FocusMemo() override {
    ++FocusRequests;
    if (FocusTakes && MemoHost) MemoHost->HasFocus = true;
  }
  void PlaceComments(bool shown, bool onTop) override {
    Shown = shown;
    OnTop = onTop;
  }
  int CommentsHeight() const override { return Height; }
  void SetCommentsHeight(int height) override { Height = height; }
  void ShowToolbar(bool visible) override { ToolbarVisible = visible; }
  void ShowPrintPreview(TSynPadPrint&) override { ++Previews; }
  platform::WindowHandle Window() const override { return platform::NoWindow; }
};

// A frame with its controls, view and hosts.
struct TRecordingFrame {
  TSynRecordingHost MemoHost, CommentsHost;
  TSynMemo Memo{&MemoHost};
  TSynMemo Comments{&CommentsHost};
  TRecordingFrameView View;
  TEditorFrame Frame;

  explicit TRecordingFrame(TdmHighLighters& highlighters) : Frame(Memo, Comments, View, highlighters) {
    View.MemoHost = &MemoHost;
    CommentsHost.HasFocus = false;
  }
  ~TRecordingFrame() {
    Memo.SetHighlighter(nullptr);
    Comments.SetHighlighter(nullptr);
  }
};
