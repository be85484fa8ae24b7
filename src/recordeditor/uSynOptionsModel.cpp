#include "recordeditor/uSynOptionsModel.h"

#include "highlighters/SynHighlighterMulti.h"
#include "platform/CodePage.h"
#include "recordeditor/UHighlighters.h"

TSynOptionsModel::TSynOptionsModel(TdmHighLighters& main)
    : private_(std::make_unique<TdmHighLighters>(THighlighterSetRole::Secondary)) {
  for (const TdmComponent& c : private_->Components()) {
    if (!c.Highlighter || c.Highlighter == private_->SynCGISyn) continue;
    languages_.push_back(TLanguage{codepage::Utf16ToUtf8(c.Highlighter->GetLanguageName()), c.Name, c.Highlighter});
    main.LoadScheme(*c.Highlighter);
  }
  SelectLanguage(0);
}

TSynOptionsModel::~TSynOptionsModel() = default;

void TSynOptionsModel::SelectLanguage(int index) {
  language_ = index >= 0 && index < static_cast<int>(languages_.size()) ? index : -1;
  elements_.clear();
  element_ = -1;
  if (TSynCustomHighlighter* h = Highlighter())
    for (int i = 0; i < h->GetAttribCount(); ++i) elements_.push_back(h->GetAttribute(i)->Name());
  SelectElement(0);
}

TSynCustomHighlighter* TSynOptionsModel::Highlighter() const {
  return language_ >= 0 ? languages_[static_cast<size_t>(language_)].Highlighter : nullptr;
}

std::u16string TSynOptionsModel::SampleSource() const {
  const TSynCustomHighlighter* h = Highlighter();
  return h ? h->GetSampleSource() : std::u16string();
}

void TSynOptionsModel::SelectElement(int index) {
  if (!Highlighter()) return;
  element_ = index >= 0 && index < static_cast<int>(elements_.size()) ? index : -1;
  if (const TSynHighlighterAttributes* a = Element()) {
    fontColor_ = a->Foreground();
    backgroundColor_ = a->Background();
    style_ = a->Style();
  }
}

TSynHighlighterAttributes* TSynOptionsModel::Element() const {
  const TSynCustomHighlighter* h = Highlighter();
  return h && element_ >= 0 ? h->GetAttribute(element_) : nullptr;
}

void TSynOptionsModel::SetFontColor(TColor color) {
  fontColor_ = color;
  ElementChange();
}

void TSynOptionsModel::SetBackgroundColor(TColor color) {
  backgroundColor_ = color;
  ElementChange();
}

void TSynOptionsModel::SetStyleFlag(TFontStyles flag, bool on) {
  style_ = on ? static_cast<TFontStyles>(style_ | flag) : static_cast<TFontStyles>(style_ & ~flag);
  ElementChange();
}

void TSynOptionsModel::ElementChange() {
  TSynHighlighterAttributes* a = Element();
  if (!a) return;
  a->SetForeground(fontColor_);
  a->SetBackground(backgroundColor_);
  a->SetStyle(style_);
}

int TSynOptionsModel::StoreSchemes(TdmHighLighters& main) const {
  int saved = 0;
  for (const TLanguage& l : languages_) {
    if (main.SchemeEquals(*l.Highlighter, l.Component)) continue;
    main.SaveScheme(*l.Highlighter);
    ++saved;
  }
  if (saved > 0) main.ApplySchemes();
  return saved;
}
