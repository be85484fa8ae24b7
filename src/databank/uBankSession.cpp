#include "databank/uBankSession.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <system_error>

#include "databank/uBankMessages.h"
#include "databank/uConfigModel.h"
#include "databank/uDataBankContent.h"
#include "databank/uFilePaths.h"
#include "databank/uLongFileName.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Memory.h"
#include "platform/Timers.h"
#include "platform/UIServices.h"
#include "protection/uDataBankCipher.h"
#include "protection/uZipFile.h"
#include "xml/uSettingsBase.h"
#include "xml/xevStrings.h"

namespace bp = bankpaths;
namespace bs = banksettings;

namespace {

std::string EscapeAmpersands(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

// Where the file of a databank opened from text that was not UTF-8 is kept: "<path>.original", or
// "<path>.original.2", ".3", ... when that is taken; no save ever writes such a name.
std::string OriginalCopyName(const std::string& path) {
  auto taken = [](const std::string& name) {
    std::error_code error;
    return std::filesystem::symlink_status(name, error).type() != std::filesystem::file_type::not_found && !error;
  };
  std::string name = path + ".original";
  for (int n = 2; taken(name) && n < 100000; ++n) name = path + ".original." + std::to_string(n);
  return name;
}

int PeriodToInterval(int seconds) {
  if (seconds <= 0) return 0;  // 0 or less: auto-save off
  // A hand-edited period beyond the settings dialog's range is brought into it.
  return ClampAutoSavePeriod(seconds) * 1000;
}

}  // namespace

TBankSession::TBankSession(TSettings* settings, TOptions options, platform::IUIServices* ui, platform::IEventLoop* loop)
    : settings_(settings),
      options_(std::move(options)),
      ui_(ui ? ui : &platform::UI()),
      loop_(loop ? loop : &platform::EventLoop()) {
  timer_ = loop_->CreateTimer();
  // The period is read once; a changed period takes effect at the next start.
  const int period =
      settings_ ? settings_->ReadInteger(bs::AutoSavePeriod, bs::DefAutoSavePeriod) : bs::DefAutoSavePeriod;
  timer_->SetInterval(PeriodToInterval(period));
  timer_->SetEnabled(false);
  timer_->OnTimer = [this] { AutoSaveTick(); };
  if (options_.BackgroundSaves) {
    // A finished save posts its outcome's application to the window's loop (from the writer's
    // thread: the loop takes posts from any thread). A call posted after the session has gone does
    // nothing.
    std::weak_ptr<int> alive = alive_;
    writer_ = std::make_unique<TBankWriter>(options_.WriteJob, [this, alive, loop = loop_] {
      loop->Post([this, alive] {
        if (!alive.expired()) ApplyFinishedSaves();
      });
    });
  }
}

TBankSession::~TBankSession() {
  if (timer_) {
    timer_->SetEnabled(false);
    timer_->OnTimer = nullptr;
  }
  writer_.reset();  // the saves in flight are finished first; nothing is posted from then on
}

bool TBankSession::Setting(const char* name, bool def) const {
  return settings_ ? settings_->ReadBool(name, def) : def;
}

// ---------------------------------------------------------------------------------------------
// The phase

namespace {

using TPhase = TBankSession::TPhase;
using TPhaseEvent = TBankSession::TPhaseEvent;

struct TPhaseTransition {
  TPhase From;
  TPhaseEvent Event;
  TPhase To;
};

// Every transition there is; an event from a phase not listed cannot happen there. Nobody answering
// is for good: no transition leads out of the Ending phases.
constexpr TPhaseTransition kPhaseTable[] = {
    {TPhase::Idle, TPhaseEvent::StepBegins, TPhase::Working},
    {TPhase::Idle, TPhaseEvent::NobodyAnswers, TPhase::Ending},
    {TPhase::Working, TPhaseEvent::StepEnds, TPhase::Idle},
    {TPhase::Working, TPhaseEvent::CloseAsked, TPhase::CloseWaiting},
    {TPhase::Working, TPhaseEvent::NobodyAnswers, TPhase::EndingWorking},
    {TPhase::CloseWaiting, TPhaseEvent::StepEnds, TPhase::Idle},  // the close is posted
    {TPhase::CloseWaiting, TPhaseEvent::CloseAsked, TPhase::CloseWaiting},
    {TPhase::CloseWaiting, TPhaseEvent::NobodyAnswers, TPhase::EndingCloseWaiting},
    {TPhase::Ending, TPhaseEvent::StepBegins, TPhase::EndingWorking},
    {TPhase::Ending, TPhaseEvent::NobodyAnswers, TPhase::Ending},
    {TPhase::EndingWorking, TPhaseEvent::StepEnds, TPhase::Ending},
    {TPhase::EndingWorking, TPhaseEvent::CloseAsked, TPhase::EndingCloseWaiting},
    {TPhase::EndingWorking, TPhaseEvent::NobodyAnswers, TPhase::EndingWorking},
    {TPhase::EndingCloseWaiting, TPhaseEvent::StepEnds, TPhase::Ending},  // the close is posted
    {TPhase::EndingCloseWaiting, TPhaseEvent::CloseAsked, TPhase::EndingCloseWaiting},
    {TPhase::EndingCloseWaiting, TPhaseEvent::NobodyAnswers, TPhase::EndingCloseWaiting},
};

}  // namespace

std::optional<TBankSession::TPhase> TBankSession::NextPhase(TPhase from, TPhaseEvent event) {
  for (const TPhaseTransition& t : kPhaseTable)
    if (t.From == from && t.Event == event) return t.To;
  return std::nullopt;
}

void TBankSession::Enter(TPhaseEvent event) {
  const std::optional<TPhase> next = NextPhase(phase_, event);
  assert(next && "an event that cannot happen in the session's phase");
  if (!next) return;
  const bool closeWaited = CloseWaiting();
  phase_ = *next;
  assert((busy_ > 0) == (phase_ != TPhase::Idle && phase_ != TPhase::Ending));
  if (event != TPhaseEvent::StepEnds) return;
  // From the loop: the step that just ended is still on the stack.
  std::weak_ptr<int> alive = alive_;
  if (closeWaited) {
    // The window closes: no sample is opened any more.
    if (firstRun_ == TFirstRun::Waiting) firstRun_ = TFirstRun::NotYet;
    loop_->Post([this, alive] {
      if (!alive.expired() && Hooks.CloseDeferred) Hooks.CloseDeferred();
    });
  } else if (firstRun_ == TFirstRun::Waiting) {
    loop_->Post([this, alive] {
      if (!alive.expired() && firstRun_ == TFirstRun::Waiting) FirstRun();
    });
  }
}

bool TBankSession::MayClose() {
  if (!Busy()) return true;
  Enter(TPhaseEvent::CloseAsked);
  return false;
}

void TBankSession::ShowError(int id, const std::string& text) {
  const std::string& message = text.empty() ? BankMessage(id) : text;
  if (BoxesOff()) {
    // The program is closing: a box would only hold it up.
    std::cerr << message << "\n";
    return;
  }
  if (OnError) {
    OnError(id, message);
    return;
  }
  if (id == SInvalidPassword)
    ui_->MessageBox(message, ApplicationTitle, platform::MsgButtons::Ok, platform::MsgIcon::None);
  else
    ui_->MessageBox(message, SErrorCaption, platform::MsgButtons::Ok, platform::MsgIcon::None);
}

void TBankSession::ShowWarning(const std::string& text) {
  if (BoxesOff()) {
    std::cerr << text << "\n";
    return;
  }
  if (OnError) {
    OnError(0, text);
    return;
  }
  ui_->MessageBox(text, SWarningCaption, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
}

void TBankSession::Changed() {
  if (Hooks.StateChanged) Hooks.StateChanged();
}

void TBankSession::SetModifiedFlag(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  Changed();
}

bool TBankSession::AnythingModified() const {
  // Asked first: the hook may store what the editor holds and mark the databank modified.
  const bool record = Hooks.RecordModified && Hooks.RecordModified();
  return record || modified_;
}

std::string TBankSession::Relative(const std::string& path) const {
  return bp::MakeRelativeToProgram(path, options_.ProgramDir);
}

// ---------------------------------------------------------------------------------------------
// The file routines

bool TBankSession::LoadBankFile(const std::string& path, TXMLDataBase2* target) {
  return LoadBank(path, target).Status == TLoadStatus::Loaded;
}

TBankSession::TLoadAttempt TBankSession::LoadBank(const std::string& pathIn, TXMLDataBase2* target) {
  const bool own = target == nullptr || target == bank_.get();
  TXMLDataBase2* bank = own ? bank_.get() : target;
  if (own) compress_ = false;
  failReason_.clear();
  if (pathIn.empty() || !bank) return {};

  std::string path = bp::ExpandFileName(pathIn);
  // A file our writer is still making (an export just chosen for import) is read once it is whole.
  if (!own) WaitForSave();
  if (own) entryName_ = bp::ChangeFileExt(path, SBankExt);
  // An old ".xdb" file takes the new extension on disk, but never in place of an existing file,
  // never for a file that is only read from (import), and only once it has opened: a file that is
  // no databank (or none that opens) keeps its name, as another program may own it.
  const std::string renameTo = own && options_.RenameOldFiles && bp::ExtractFileExt(path) == SOldBankExt
                                   ? bp::ChangeFileExt(path, SBankExt)
                                   : std::string();

  // A file with something in it that fails to open is kept as it is (see KeepUnreadable).
  const bool read = bp::FileExists(path) && bp::FileSizeOf(path) > 0;
  auto fail = [&] {
    if (own && read) {
      try {
        const std::string full = bp::ExpandFileName(path);
        if (std::find(unreadable_.begin(), unreadable_.end(), full) == unreadable_.end()) unreadable_.push_back(full);
      } catch (const std::bad_alloc&) {
        // Without the name nothing is written there: the databank has no file name either.
      }
    }
    if (own) {
      fileName_.clear();
      entryName_.clear();
      watch_.reset();
      // A databank that failed to open keeps neither a mistyped password nor the zip switch.
      password_.clear();
      compress_ = false;
      Changed();
    }
    return TLoadAttempt{};
  };

  // What the prompt says when it comes back: a word of why, within this load only.
  std::string note;
  // Whatever goes wrong on the way, of whatever type (memory running out included), is a failed
  // open with its reason, never a half-open databank that a later save would write over the file.
  try {
    for (;;) {
      const TLoadAttempt attempt = ReadBankLayers(path, *bank, own, renameTo, note);
      if (attempt.Status == TLoadStatus::Loaded) return attempt;
      if (attempt.Status == TLoadStatus::Failed) {
        // Cancelled after a wrong password: that is what the one box of the failed open says.
        if (attempt.PromptCancelled && !note.empty()) failReason_ = ReasonNamingFile(SWrongPassword, path);
        return fail();
      }
      // The enciphered bytes are no databank: the password was wrong (or the file is damaged).
      failReason_ = ReasonNamingFile(SWrongPassword, path);
      if (!own && !attempt.PasswordAsked && !password_.empty()) {
        // Another databank (an import) is tried with the open databank's password first; a file
        // enciphered with a password of its own then asks for that one.
      } else if (attempt.PasswordAsked && !CloseWaiting()) {
        // The prompt comes back saying why; Cancel there ends the open with its one box.
        note = SPasswordWrongTryAgain;
      } else {
        return fail();
      }
      password_.clear();
    }
  } catch (...) {
    // The reason is text too: when even that cannot be had, the open fails without one.
    try {
      failReason_ = CurrentExceptionReason(false);
    } catch (...) {
      failReason_.clear();
    }
    return fail();
  }
}

TBankSession::TLoadAttempt TBankSession::ReadBankLayers(const std::string& path, TXMLDataBase2& bank, bool own,
                                                        const std::string& renameTo, const std::string& note) {
  failReason_.clear();
  TLoadAttempt attempt;
  // The start's file, read while the window was made (once: a second attempt reads it again).
  TBankFileRead read;
  const bool readAhead = own && readAhead_ && readAhead_->Path() == bp::ExpandFileName(path) && readAhead_->Take(read);
  readAhead_.reset();
  // A file larger than the memory there is fails now, not after the allocator gave up.
  const std::uint64_t memory = platform::MemoryAvailable();
  const long long size = bp::FileSizeOf(path);
  if (!readAhead && size > 0 && static_cast<std::uint64_t>(size) > memory) {
    failReason_ = SNotEnoughMemoryToRead;
    return attempt;
  }
  // The identity is taken before the bytes are read: should the file be replaced in between, the
  // bytes (which are the new file's) tell later that it is ours.
  const int64_t identityTakenNs = readAhead ? read.IdentityTakenNs : WallClockNs();
  const TFileIdentity identity = readAhead ? read.Identity : FileIdentityOf(path);
  std::string bytes = std::move(read.Bytes);
  try {
    if (!readAhead) bytes = LoadStringFromFile(path);
  } catch (const Exception& e) {
    // It names the file and the system's reason; the one box of the failed open says it.
    failReason_ = e.Message();
    return attempt;
  }
  const int64_t fileSize = static_cast<int64_t>(bytes.size());
  // The digest of a plain file is made beside its parse, on another thread: its bytes are the text
  // parsed (the layers give them back as they are). Any other file's is made now, before its layers
  // are taken off.
  const bool digestBesideParse = own && IsPlainXMLBytes(bytes);
  std::uint64_t digest = own && !digestBesideParse ? TContentDigest::Of(bytes) : 0;

  TBankReadContext context;
  context.Password = password_;
  context.AskPassword = [&](std::string& answer) {
    const bool given = !NobodyAnswers() && (note.empty() ? ui_->AskFilePassword(path, answer)
                                                         : ui_->AskFilePasswordAgain(path, note, answer));
    attempt.PromptCancelled = !given;
    return given;
  };
  // A layer that fails says so on the line under "Could not open DataBank!": one box per failed open.
  std::string layerFailure;
  context.ShowError = [&](int, const std::string& text) { layerFailure = text; };
  context.MemoryAvailable = memory;
  TBankReadResult layers;
  const bool decoded = options_.DecodeLayers(std::move(bytes), context, layers);
  password_ = context.Password;
  attempt.PasswordAsked = layers.PasswordAsked;
  if (!decoded) {
    // The reasons of the pipeline's own name the file; the memory reason says what is missing.
    failReason_ = layers.Reason == SNotADataBank ? ReasonNamingFile(SNotADataBank, path)
                  : !layers.Reason.empty()       ? layers.Reason
                  : layerFailure.empty()         ? layerFailure
                                                 : ReasonNamingFile(layerFailure, path);
    return attempt;
  }

  const bool oldFormat = IsOldFormatBytes(layers.XML);
  const int64_t dataSize = static_cast<int64_t>(layers.XML.size());
  std::function<void(std::string_view)> digestOf;
  if (digestBesideParse) digestOf = [&digest](std::string_view text) { digest = TContentDigest::Of(text); };
  if (!bank.LoadEncodedXML(std::move(layers.XML), digestOf)) {
    // Enciphered text that does not parse was read with a wrong password: where the garbage broke
    // off would tell the user nothing.
    if (layers.Enciphered) {
      attempt.Status = TLoadStatus::WrongPassword;
      return attempt;
    }
    failReason_ = XMLErrorInFileText(path, bank.ErrorSummary());
    return attempt;
  }
  // Well-formed XML of another kind (a web page, another program's file) is no databank: opened, it
  // would show as an empty one and be written over at the next save.
  if (bank.Root()->Name() != bank::xnDataRoot) {
    bank.Clear();
    // Out of the cipher layer it is what a wrong key makes of the bytes: the parser is lenient
    // enough that such garbage now and then reads as one element of another name.
    if (layers.Enciphered) {
      attempt.Status = TLoadStatus::WrongPassword;
      return attempt;
    }
    failReason_ = ReasonNamingFile(SNotADataBank, path);
    return attempt;
  }
  if (oldFormat) bank::ConvertOldFormat(bank.Root());
  attempt.ConvertedOld = oldFormat;

  if (own) {
    // The same file under its new name: what was taken of it before the read still holds.
    const std::string& kept = !renameTo.empty() && bp::RenameNoReplace(path, renameTo) ? renameTo : path;
    // Bytes that were not UTF-8 are U+FFFD in memory now: told once the databank shows, and the file
    // as it is kept under a name of its own before the first save writes over it.
    if (bank.InvalidUtf8Bytes() > 0) {
      const std::string full = bp::ExpandFileName(kept);
      keepOriginal_ = {full, OriginalCopyName(full)};
      attempt.Utf8Notice =
          InvalidUtf8Notice(full, bank.InvalidUtf8Bytes(), bank.InvalidUtf8Line(), keepOriginal_->KeptAs);
    }
    compress_ = layers.Compressed;
    if (layers.Compressed) entryName_ = layers.EntryName;
    fileName_ = GetLongFileName(kept);
    NoteDiskForm(fileName_, password_, compress_);
    watch_ = std::make_shared<TBankFileWatch>(bp::ExpandFileName(fileName_));
    watch_->Record(identity, identityTakenNs, digest);
    fileSize_ = fileSize;
    dataSize_ = dataSize;
    Changed();
  }
  attempt.Status = TLoadStatus::Loaded;
  return attempt;
}

std::string TBankSession::CouldNotOpenMessage() const {
  const std::string& first = BankMessage(SCouldNotOpenBank);
  return failReason_.empty() ? first : first + "\n" + failReason_;
}

bool TBankSession::SaveBankFile(const std::string& path, TXMLDataBase2* source) {
  return SaveBankFile(path, source, OwnLayers());
}

bool TBankSession::SaveBankFile(const std::string& path, TXMLDataBase2* source, const TBankWriteLayers& layers) {
  TXMLDataBase2* bank = source ? source : bank_.get();
  if (!bank || path.empty()) return false;
  TBusyScope busy(*this);

  TBankSaveJob job;
  if (!MakeSaveJob(*bank, path, layers, job)) return false;
  const TBankSaveOutcome outcome = WriteBankJob(std::move(job));
  for (const auto& [id, text] : outcome.Errors) ShowError(id, text);
  TellBackupFailure(outcome);
  if (outcome.Saved && bank == bank_.get()) {
    NoteDiskForm(path, layers.Password, layers.Compress);
    fileSize_ = outcome.FileSize;
    dataSize_ = outcome.DataSize;
  }
  return outcome.Saved;
}

bool TBankSession::IsOpenBankFile(const std::string& path) const {
  if (!bank_ || fileName_.empty() || path.empty()) return false;
  return bp::SameFile(path, fileName_) || bp::SameFile(path, bp::ChangeFileExt(fileName_, SBackupExt));
}

bool TBankSession::ExportBank(const std::string& path, std::unique_ptr<const TXMLDataBase2Snapshot> document,
                              const TBankWriteLayers& layers) {
  if (!document || path.empty()) return false;
  if (IsOpenBankFile(path)) {
    ShowError(0, SExportOntoOpenFile);
    return false;
  }
  TBusyScope busy(*this);
  TBankSaveJob job;
  job.Document = std::move(document);
  if (!PrepareSaveJob(path, layers, job, false)) return false;
  if (!writer_) {
    const TBankSaveOutcome outcome = WriteBankJob(std::move(job));
    for (const auto& [id, text] : outcome.Errors) ShowError(id, text);
    TellBackupFailure(outcome);
    return outcome.Saved;
  }
  job.Tag = ++saveTag_;
  TSaveState state;
  state.Export = true;
  savesInFlight_.emplace_back(job.Tag, state);
  std::uint64_t replaced = 0;
  writer_->Submit(std::move(job), nullptr, &replaced);
  ForgetSave(replaced);
  return true;
}

TBankWriteLayers TBankSession::OwnLayers() const {
  TBankWriteLayers layers;
  layers.Password = password_;
  layers.Compress = compress_;
  layers.EntryName = entryName_;
  return layers;
}

bool TBankSession::MakeSaveJob(const TXMLDataBase2& bank, const std::string& path, TBankWriteLayers layers,
                               TBankSaveJob& job) {
  // A snapshot: it costs what changed since the last one, and the writer streams it through the
  // layers into a temporary file, so nothing on disk changes before the whole file is written.
  try {
    job.Document = bank.Snapshot();
  } catch (const std::exception&) {
    ShowError(SCouldNotSaveXMLStream);
    return false;
  }
  return PrepareSaveJob(path, std::move(layers), job, &bank == bank_.get());
}

bool TBankSession::PrepareSaveJob(const std::string& path, TBankWriteLayers layers, TBankSaveJob& job, bool own) {
  job.Path = path;
  // The entry takes the file-name part of the entry name, or the target's name when there is none.
  layers.EntryName = bp::ExtractFileName(layers.EntryName);
  if (layers.EntryName.empty()) layers.EntryName = bp::ExtractFileName(path);
  job.Layers = std::move(layers);
  job.MakeBackup = Setting(bs::MakeBackup, true);
  // Another file's backup never lands on the open databank's file or on its backup ("a.xdb"
  // exported beside an open "a.xdb2" shares its backup name).
  if (!own && IsOpenBankFile(bp::ChangeFileExt(path, SBackupExt))) job.MakeBackup = false;
  if (!KeepOriginal(path)) return false;
  if (own && !diskForm_.Path.empty() && bp::ExpandFileName(path) == diskForm_.Path) {
    const TBankWriteLayers& now = job.Layers;
    job.DropWeakerBackup = !now.Password.empty() ? diskForm_.Password != now.Password
                                                 : diskForm_.Password.empty() && now.Compress && !diskForm_.Compress;
  }
  return KeepUnreadable(path);
}

void TBankSession::NoteDiskForm(const std::string& path, const std::string& password, bool compress) {
  diskForm_ = {bp::ExpandFileName(path), password, compress};
}

void TBankSession::TellBackupFailure(const TBankSaveOutcome& outcome) {
  // Once a file: auto-save would say it again at every period.
  if (!outcome.Saved || outcome.BackupFailure.empty()) return;
  const std::string full = bp::ExpandFileName(outcome.Path);
  if (std::find(backupFailuresTold_.begin(), backupFailuresTold_.end(), full) != backupFailuresTold_.end()) return;
  backupFailuresTold_.push_back(full);
  ShowWarning(BackupFailedNotice(outcome.Path, outcome.BackupFailure));
}

bool TBankSession::KeepOriginal(const std::string& path) {
  if (!keepOriginal_ || !bp::SameFile(path, keepOriginal_->Path)) return true;
  if (bp::FileExists(keepOriginal_->Path)) {
    // The name told may have been taken since: the file then goes under the next free one.
    std::string keptAs = keepOriginal_->KeptAs;
    std::error_code error;
    const bool taken = std::filesystem::symlink_status(keptAs, error).type() != std::filesystem::file_type::not_found;
    if (taken) keptAs = OriginalCopyName(keepOriginal_->Path);
    try {
      CopyFile(keepOriginal_->Path, keptAs);
    } catch (const Exception& e) {
      ShowError(0, std::string(SCouldNotWriteBank) + "\n" + e.Message());
      return false;
    }
    if (taken) ShowWarning(OriginalKeptNotice(keepOriginal_->Path, keptAs));
  }
  keepOriginal_.reset();
  return true;
}

bool TBankSession::KeepUnreadable(const std::string& path) {
  const auto found = std::find(unreadable_.begin(), unreadable_.end(), bp::ExpandFileName(path));
  if (found == unreadable_.end()) return true;
  if (bp::FileExists(path)) {
    try {
      CopyFile(path, path + ".bad");
    } catch (const Exception& e) {
      ShowError(0, std::string(SCouldNotWriteBank) + "\n" + e.Message());
      return false;
    }
  }
  unreadable_.erase(found);
  return true;
}

// ---------------------------------------------------------------------------------------------
// The bank routines

void TBankSession::ReadBankState() {
  if (!bank_) return;
  NextNodeID = bank::LoadedNextNodeID(*bank_);
  PendingID = Setting(bs::AutoPos, true) ? bank_->ReadInteger(bank::skLastPosition, bank::DefLastPosition) : -1;
  if (Hooks.BankStateRead) Hooks.BankStateRead();
}

void TBankSession::WriteBankState() {
  if (!bank_) return;
  bank_->WriteInteger(bank::skNextNodeID, NextNodeID);
  bank_->WriteInteger(bank::skLastPosition, Hooks.SelectedNodeID ? Hooks.SelectedNodeID() : -1);
  if (Hooks.BankStateWritten) Hooks.BankStateWritten();
}

void TBankSession::OpenBank(const std::string& path) {
  if (MayReplaceBank()) ReplaceBank(path);
}

void TBankSession::CloseBank() {
  if (MayReplaceBank()) ReleaseBank();
}

void TBankSession::ReplaceBank(const std::string& pathIn) {
  // A copy: callers pass the file name this very routine clears when the load fails.
  const std::string path = pathIn;
  TBusyScope busy(*this);
  ReleaseBank();
  if (Hooks.ShowCurtain) Hooks.ShowCurtain();
  bank_ = std::make_unique<TXMLDataBase2>();
  bank_->SetFreezeWhileLoading(options_.BackgroundSaves);
  ++bankSerial_;
  if (path.empty()) {
    fileName_.clear();
    entryName_.clear();
    password_.clear();
  }
  const TLoadAttempt loaded = LoadBank(path, nullptr);
  if (loaded.Status != TLoadStatus::Loaded) {
    if (!path.empty()) ShowError(SCouldNotOpenBank, CouldNotOpenMessage());
    bank_->Clear();
  } else if (options_.BackgroundSaves) {
    // Frozen (mostly while it was parsed) so that every save takes only what changed since; what
    // could not be frozen here the first save freezes.
    try {
      bank_->PrepareSnapshots();
    } catch (const std::exception&) {
    }
  }
  modified_ = false;
  // An old file that kept its ".xdb" name is saved under the new extension next time, unless a
  // file of that name exists already: that one is never overwritten, the old file is saved instead.
  if (!fileName_.empty() && bp::ExtractFileExt(fileName_) == SOldBankExt) {
    const std::string renamed = bp::ChangeFileExt(fileName_, SBankExt);
    if (!bp::FileExists(renamed)) {
      fileName_ = GetLongFileName(renamed);
      // Saved there first: a file another copy puts there meanwhile is not this one's to replace.
      WatchFor(fileName_)->RecordAbsent();
    }
    modified_ = true;
  }
  // The converted texts exist only in memory until they are saved.
  if (loaded.ConvertedOld) modified_ = true;
  Changed();
  if (Hooks.ReadState)
    Hooks.ReadState();
  else
    ReadBankState();
  if (Hooks.RebuildTree) Hooks.RebuildTree();
  // What the tree shows now is what the file holds, whatever of it was filled in with defaults.
  NoteViewInFile();
  // A save that was cut off (the program was killed) may have left its temporary files.
  if (!fileName_.empty()) {
    RemoveStaleTemporaryFiles(fileName_);
    RemoveStaleTemporaryFiles(bp::ChangeFileExt(fileName_, SBackupExt));
  }
  if (!path.empty()) {
    recentFiles_.Remove(Relative(bp::ExpandFileName(path)));
    if (!fileName_.empty()) recentFiles_.Remove(Relative(fileName_));
  }
  if (!loaded.Utf8Notice.empty()) ShowWarning(loaded.Utf8Notice);
}

void TBankSession::ReleaseBank() {
  if (!bank_) return;
  TBusyScope busy(*this);
  WaitForSave();
  if (Hooks.LeaveFilter) Hooks.LeaveFilter();
  if (Hooks.CommitRecord) Hooks.CommitRecord();
  if (!fileName_.empty()) recentFiles_.Add(Relative(fileName_));
  if (Hooks.BankClosing) Hooks.BankClosing();
  bank_.reset();
  fileName_.clear();
  entryName_.clear();
  password_.clear();
  watch_.reset();
  keepOriginal_.reset();  // its file was never written over
  conflictHold_.reset();
  modified_ = false;  // nothing is left to save
  Changed();
}

TBankSession::TSaveResult TBankSession::SaveBank(const std::string& path, TSaveWait wait, TIfFileChanged ifChanged) {
  if (!bank_) return {};
  TBusyScope busy(*this);
  if (Hooks.StoreRecord) Hooks.StoreRecord();
  lastOpened_ = path;
  fileName_ = path;
  if (Hooks.WriteState)
    Hooks.WriteState();
  else
    WriteBankState();

  // The document becomes bytes here, or (a background save) a snapshot that the writer turns into
  // bytes; either way, edits from now on cannot reach what is saved.
  const bool background = writer_ && wait == TSaveWait::Started;
  TBankSaveJob job;
  const bool made = MakeSaveJob(*bank_, path, OwnLayers(), job);
  if (!made) {
    Changed();
    return {};
  }
  job.Tag = ++saveTag_;
  job.Watch = WatchFor(path);
  job.IfChanged = ifChanged;
  savesInFlight_.emplace_back(
      job.Tag, TSaveState{editGeneration_, bankSerial_, job.Layers.Password, job.Layers.Compress, ifChanged});

  if (background) {
    // A job the writer could not take is a failed save, told now; the databank stays modified.
    TBankSaveOutcome refused;
    std::uint64_t replaced = 0;
    if (!writer_->Submit(std::move(job), &refused, &replaced)) {
      Changed();
      return ApplyOutcome(refused, TSaveWait::Written);
    }
    ForgetSave(replaced);
    // What the job holds is saved unless the write fails; edits from now on mark the databank again.
    SetModifiedFlag(false);
    NoteViewInFile();
    Changed();
    return TSaveResult::KeptIf(true);
  }
  SetModifiedFlag(false);
  NoteViewInFile();
  Changed();
  // Written here and now, after any save still in flight.
  WaitForSave();
  return ApplyOutcome(WriteBankJob(std::move(job)), TSaveWait::Written);
}

std::shared_ptr<TBankFileWatch> TBankSession::WatchFor(const std::string& path) {
  const std::string full = bp::ExpandFileName(path);
  if (!watch_ || watch_->Path() != full) watch_ = std::make_shared<TBankFileWatch>(full);
  return watch_;
}

void TBankSession::ForgetSave(std::uint64_t tag) {
  // A save replaced while it waited has no outcome: what was kept for it (its password among
  // others) goes with it.
  if (tag == 0) return;
  const auto it =
      std::find_if(savesInFlight_.begin(), savesInFlight_.end(), [tag](const auto& save) { return save.first == tag; });
  if (it != savesInFlight_.end()) savesInFlight_.erase(it);
}

bool TBankSession::SaveInFlight() const {
  return writer_ && writer_->Busy();
}

void TBankSession::WaitForSave() {
  if (!writer_) return;
  // Applying an outcome may start another save (the user chose to overwrite a file changed
  // elsewhere): that one is waited for too.
  do {
    writer_->WaitIdle();
    ApplyFinishedSaves();
  } while (writer_->Busy());
}

void TBankSession::ApplyFinishedSaves() {
  if (!writer_ || applyingSaves_) return;
  applyingSaves_ = true;
  // Each outcome is applied even when an earlier one's message box runs its own event loop.
  for (;;) {
    std::list<TBankSaveOutcome> finished = writer_->TakeFinished();
    if (finished.empty()) break;
    for (const TBankSaveOutcome& outcome : finished) ApplyOutcome(outcome, CommandSave());
  }
  applyingSaves_ = false;
}

TBankSession::TSaveResult TBankSession::ApplyOutcome(const TBankSaveOutcome& outcome, TSaveWait followUp) {
  TSaveState state;
  for (auto it = savesInFlight_.begin(); it != savesInFlight_.end(); ++it)
    if (it->first == outcome.Tag) {
      state = it->second;
      savesInFlight_.erase(it);
      break;
    }
  TellBackupFailure(outcome);
  TSaveResult result = TSaveResult::KeptIf(outcome.Saved);
  result.Path = outcome.Path;
  if (state.Export) {
    for (const auto& [id, text] : outcome.Errors) ShowError(id, text);
    return result;
  }
  const bool sameBank = bank_ && state.BankSerial == bankSerial_;
  if (outcome.Saved) {
    if (sameBank) {
      NoteDiskForm(outcome.Path, state.Password, state.Compress);
      fileSize_ = outcome.FileSize;
      dataSize_ = outcome.DataSize;
      // A later save that failed may have marked the databank; this one holds everything up to now.
      if (state.EditGeneration == editGeneration_) SetModifiedFlag(false);
      // The user saved: auto-save may write the file again.
      if (state.IfChanged != TIfFileChanged::WriteBeside) conflictHold_.reset();
    }
    return result;
  }
  for (const auto& [id, text] : outcome.Errors) ShowError(id, text);
  if (!sameBank) return result;
  // What this save held is not in the file.
  SetModifiedFlag(true);
  timer_->SetEnabled(Setting(bs::AutoSave, true));
  if (!outcome.ChangedElsewhere) return result;
  if (!outcome.ConflictCopy.empty()) {
    conflictHold_ = state.EditGeneration;
    if (Hooks.Notify) Hooks.Notify(ConflictCopyNotice(outcome.Path, outcome.ConflictCopy));
    result.Kept = true;
    result.ConflictCopy = outcome.ConflictCopy;
    return result;
  }
  if (state.IfChanged != TIfFileChanged::Ask) return result;
  // A later save the user asked for meets the same file and asks then (one question, not two).
  for (const auto& [tag, later] : savesInFlight_)
    if (tag > outcome.Tag && later.BankSerial == bankSerial_ && later.IfChanged != TIfFileChanged::WriteBeside)
      return result;
  return AskAboutChangedFile(outcome.Path, followUp);
}

TBankSession::TSaveResult TBankSession::AskAboutChangedFile(const std::string& path, TSaveWait followUp) {
  TSaveResult result;
  result.Path = path;
  // Nobody answers: the other program's file stays, and the closing save writes beside it.
  result.ChangedFile = TChangedFileAnswer::Unanswered;
  if (NobodyAnswers()) return result;
  const int answer = ui_->MessageBox(FileChangedQuestion(path), SFileChangedCaption,
                                     platform::MsgButtons::OverwriteSaveAsCancel, platform::MsgIcon::Warning);
  if (NobodyAnswers()) return result;  // the program closed the question itself
  if (answer == platform::mrOverwrite) {
    result = SaveBank(path, followUp, TIfFileChanged::Overwrite);
    result.ChangedFile = TChangedFileAnswer::Overwrite;
    return result;
  }
  if (answer == platform::mrSaveAs && SaveAs(followUp)) {
    result.Kept = true;
    result.ChangedFile = TChangedFileAnswer::SaveAs;
    return result;
  }
  // Cancel (or no other name chosen): the databank stays modified, and a closing window stays. A Save
  // As dialog the program closed itself was nobody's answer either.
  result.ChangedFile = NobodyAnswers() ? TChangedFileAnswer::Unanswered : TChangedFileAnswer::Cancelled;
  return result;
}

bool TBankSession::FileHoldsBank() {
  if (!bank_ || fileName_.empty() || diskForm_.Path.empty() || diskForm_.Path != bp::ExpandFileName(fileName_) ||
      !bp::FileExists(fileName_))
    return false;
  // Asked first: it stores what the editor holds (its caret too, which may tell of a view change).
  if (AnythingModified()) return false;
  return !ViewDiffers();
}

bool TBankSession::ViewDiffers() const {
  if (!bank_) return false;
  const int selected = Hooks.SelectedNodeID ? Hooks.SelectedNodeID() : -1;
  return viewChanged_ || selected != fileSelection_ || NextNodeID != fileNextNodeID_;
}

void TBankSession::NoteViewInFile() {
  fileSelection_ = Hooks.SelectedNodeID ? Hooks.SelectedNodeID() : -1;
  fileNextNodeID_ = NextNodeID;
  viewChanged_ = false;
}

void TBankSession::ViewChanged() {
  if (bank_) viewChanged_ = true;
}

bool TBankSession::NothingToKeepOverChangedFile() {
  if (fileName_.empty() || !watch_ || watch_->Path() != bp::ExpandFileName(fileName_)) return false;
  const bool nothingNew = !AnythingModified() || conflictHold_ == editGeneration_;
  return nothingNew && !watch_->StillOurs();
}

std::string TBankSession::SavePreset(std::string& folder) const {
  folder.clear();
  if (lastOpened_.empty() || !bp::FileExists(lastOpened_)) return std::string();
  folder = bp::ExtractFilePath(lastOpened_);
  return bp::ExtractFileName(lastOpened_);
}

TBankSession::TSaveResult TBankSession::SaveWithDialog(TIfFileChanged ifChanged) {
  platform::FileDialogOptions options;
  options.title = SSaveBankTitle;
  options.filter = SBankFileFilter;
  options.defaultExt = SBankDefaultExt;
  options.overwritePrompt = true;
  options.fileName = SavePreset(options.initialDir);
  std::string chosen;
  if (!ui_->SaveFileDialog(options, chosen) || chosen.empty()) return {};
  return SaveBank(bp::ExpandFileName(chosen), TSaveWait::Written, ifChanged);
}

bool TBankSession::QuerySaveChanges(bool allowCancel, TIfFileChanged ifChanged) {
  return AskSaveChanges(allowCancel, ifChanged).Kept;
}

TBankSession::TSaveResult TBankSession::AskSaveChanges(bool allowCancel, TIfFileChanged ifChanged) {
  // A save still being written may yet fail and leave changes to ask about.
  WaitForSave();
  if (!bank_ || !AnythingModified()) return TSaveResult::KeptIf(true);
  if (NobodyAnswers()) return KeepWithoutAnswer(ifChanged);
  const int answer = ui_->MessageBox(BankMessage(SDataChanged), SErrorCaption,
                                     allowCancel ? platform::MsgButtons::YesNoCancel : platform::MsgButtons::YesNo,
                                     platform::MsgIcon::Warning);
  // The program closed the question itself (the system ends it): that No or Cancel was nobody's, and
  // nothing may be thrown away on it.
  if (NobodyAnswers()) return {};
  if (answer == platform::mrYes) {
    // Nothing saved means nothing may be thrown away.
    if (!fileName_.empty()) return SaveBank(fileName_, TSaveWait::Written, ifChanged);
    return SaveWithDialog(ifChanged);
  }
  return TSaveResult::KeptIf(answer == platform::mrNo);
}

void TBankSession::SetModified() {
  ++editGeneration_;
  SetModifiedFlag(true);
  timer_->SetEnabled(Setting(bs::AutoSave, true));
}

void TBankSession::RecordEdited() {
  // Called for every key: once the timer runs there is nothing to do (its tick re-reads the setting).
  if (bank_ && !timer_->Enabled()) timer_->SetEnabled(Setting(bs::AutoSave, true));
}

TBankSession::TSaveResult TBankSession::KeepWithoutAnswer(TIfFileChanged ifChanged, bool fileFailed) {
  const std::string original = fileName_;
  if (!original.empty() && !fileFailed) {
    TSaveResult saved = SaveBank(original, TSaveWait::Written, ifChanged);
    if (saved) return saved;
  }
  // Never saved, or neither the file nor a copy beside it could be written (a folder of another
  // user, a full disk): nobody can choose another place, so the databank goes into a file of its own
  // in the user's folder (with its password and compression), where the next start opens it; a name
  // that is taken gets a number. The file it could not be written to stays in the recent list.
  const std::string what =
      original.empty() ? std::string("The unnamed databank") : original + " could not be written: the databank";
  if (options_.UserDir.empty() || !ForceDirectories(options_.UserDir)) {
    std::fprintf(stderr, "%s could not be kept: there is no folder to save it in.\n", what.c_str());
    return {};
  }
  const std::string stem =
      original.empty() ? std::string("unnamed") : bp::ChangeFileExt(bp::ExtractFileName(original), "");
  std::string path = bp::ExpandFileNameFrom(stem + SBankExt, options_.UserDir);
  for (int n = 2; bp::FileExists(path); ++n)
    path = bp::ExpandFileNameFrom(stem + " " + std::to_string(n) + SBankExt, options_.UserDir);
  TSaveResult saved = SaveBank(path, TSaveWait::Written, ifChanged);
  if (!saved) return saved;
  std::fprintf(stderr, "%s was saved as %s\n", what.c_str(), path.c_str());
  if (!original.empty()) recentFiles_.Add(Relative(original));
  return saved;
}

// ---------------------------------------------------------------------------------------------
// Commands

void TBankSession::NewBank() {
  if (!MayReplaceBank()) return;
  TBusyScope busy(*this);  // a tick during its dialogs must not save what the user may discard
  if (!QuerySaveChanges(true)) return;
  // The databank being left is not added to the recent list.
  fileName_.clear();
  lastOpened_.clear();
  ReplaceBank("");
}

void TBankSession::OpenCommand() {
  if (!MayReplaceBank()) return;
  TBusyScope busy(*this);  // a tick during its dialogs must not save what the user may discard
  if (!QuerySaveChanges(true)) return;
  platform::FileDialogOptions options;
  options.title = SOpenBankTitle;
  options.filter = SBankFileFilter;
  options.defaultExt = SBankDefaultExt;
  options.fileMustExist = true;
  const std::string& preset =
      bp::FileExists(fileName_) ? fileName_ : (bp::FileExists(lastOpened_) ? lastOpened_ : std::string());
  if (!preset.empty()) {
    options.initialDir = bp::ExtractFilePath(preset);
    options.fileName = bp::ExtractFileName(preset);
  }
  std::string chosen;
  if (!ui_->OpenFileDialog(options, chosen) || chosen.empty()) return;
  ReplaceBank(chosen);
}

void TBankSession::SaveCommand() {
  if (!bank_) return;
  if (!fileName_.empty())
    SaveBank(fileName_, CommandSave());
  else
    SaveAsCommand();
}

void TBankSession::SaveAsCommand() {
  SaveAs(CommandSave(), TDialogAutoSave::Runs);
}

bool TBankSession::SaveAs(TSaveWait wait, TDialogAutoSave autoSave) {
  TBusyScope busy(*this);  // a tick during its dialogs must not save what the user may discard
  if (!bank_) return false;
  platform::FileDialogOptions options;
  options.title = SSaveBankTitle;
  options.filter = SBankFileFilter;
  options.defaultExt = SBankDefaultExt;
  options.overwritePrompt = true;
  options.fileName = SavePreset(options.initialDir);
  std::string chosen;
  {
    // Until it is answered the databank keeps its file, which the auto-save may go on writing.
    std::optional<TAutoSaveFreeScope> free;
    if (autoSave == TDialogAutoSave::Runs) free.emplace(*this);
    if (!ui_->SaveFileDialog(options, chosen) || chosen.empty()) return false;
  }
  if (!fileName_.empty()) recentFiles_.Add(Relative(fileName_));
  const std::string path = bp::ExpandFileName(chosen);
  const bool kept = SaveBank(path, wait).Kept;
  fileName_ = GetLongFileName(path);
  Changed();
  return kept;
}

void TBankSession::OpenRecentFile(const std::string& entry) {
  if (!MayReplaceBank()) return;
  const std::string path = bp::ExpandFileNameFrom(
      entry, options_.ProgramDir.empty() ? std::filesystem::current_path().string() : options_.ProgramDir);
  if (!bp::FileExists(path)) throw Exception(FileDoesNotExistText(path));
  TBusyScope busy(*this);
  if (!QuerySaveChanges(true)) return;
  ReplaceBank(path);
}

std::vector<TRecentItem> TBankSession::RecentMenuItems() const {
  std::vector<TRecentItem> items;
  for (const std::string& entry : recentFiles_.Items())
    if (!entry.empty()) items.push_back({EscapeAmpersands(entry), entry, true});
  if (items.empty()) items.push_back({SNoRecentFiles, std::string(), false});
  return items;
}

void TBankSession::ToggleCompress() {
  compress_ = !compress_;
  // The switch changes what the next save writes, so the databank must be savable.
  if (bank_) SetModified();
  Changed();
}

// A new password takes effect only when every character of it has a byte in the cipher's code page.
void TBankSession::AdoptPassword(const std::string& password) {
  if (!IsValidDataBankPassword(password)) {
    ShowError(0, SPasswordNotCp1252);
    return;
  }
  password_ = password;
  SetModified();
  Changed();
}

void TBankSession::SetPasswordCommand() {
  TBusyScope busy(*this);  // auto-save waits while the prompt runs
  if (!CanSetPassword()) return;
  platform::SetPasswordAnswer answer;
  if (!ui_->AskSetPassword(answer)) return;
  if (answer.password.empty() || answer.password != answer.repeated) {
    ShowError(SInvalidPassword);
    return;
  }
  AdoptPassword(answer.password);
}

void TBankSession::RemovePasswordCommand() {
  TBusyScope busy(*this);  // auto-save waits while the prompt runs
  if (!CanRemovePassword()) return;
  std::string entry;
  if (!ui_->AskFilePassword(fileName_, entry)) return;
  if (entry != password_) {
    ShowError(SInvalidPassword);
    return;
  }
  password_.clear();
  SetModified();
  Changed();
}

void TBankSession::ChangePasswordCommand() {
  TBusyScope busy(*this);  // auto-save waits while the prompt runs
  if (!CanChangePassword()) return;
  platform::ChangePasswordAnswer answer;
  if (!ui_->AskChangePassword(answer)) return;
  // The dialog allows OK only with a non-empty new password; removing goes through Remove Password.
  if (answer.oldPassword != password_ || answer.password.empty() || answer.password != answer.repeated) {
    ShowError(SInvalidPassword);
    return;
  }
  AdoptPassword(answer.password);
}

// ---------------------------------------------------------------------------------------------
// Auto-save and the window's life

void TBankSession::SaveUnasked() {
  // Nothing changed means nothing to write; an open, close or save in progress (its prompts run
  // nested event loops) must never be interrupted by a save of a half-replaced databank.
  if (fileName_.empty() || !bank_ || AutoSaveHeld() || conflictHold_.has_value() || !AnythingModified()) return;
  SaveBank(fileName_, CommandSave(), TIfFileChanged::WriteBeside);
}

void TBankSession::AutoSaveTick() {
  const bool enabled = Setting(bs::AutoSave, true);
  timer_->SetEnabled(enabled);
  if (enabled) SaveUnasked();
}

void TBankSession::AppMinimized() {
  if (Setting(bs::AutoSave, true)) SaveUnasked();
}

bool TBankSession::CloseForExit(TIfFileChanged ifChanged) {
  if (!MayClose()) return false;
  TBusyScope busy(*this);  // a tick during its dialogs must not save what the user may discard
  WaitForSave();
  // At the end of the desktop session, what became of a file another program changed is said on
  // stderr as well: nobody may see the window's notice.
  const bool sessionEnds = ifChanged == TIfFileChanged::WriteBeside;
  auto report = [sessionEnds](const TSaveResult& saved) {
    if (sessionEnds && !saved.ConflictCopy.empty())
      std::fprintf(stderr, "%s\n", ConflictCopyReport(saved.Path, saved.ConflictCopy).c_str());
  };
  if (bank_) {
    if (NothingToKeepOverChangedFile()) {
      // Another program's newer file is worth more than the selected node this save would keep.
      lastOpened_ = fileName_;
      if (sessionEnds) std::fprintf(stderr, "%s\n", FileLeftToOtherProgramReport(fileName_).c_str());
    } else if (Setting(bs::AutoSave, true) && !fileName_.empty() && FileHoldsBank()) {
      // The file holds all of it already (nothing changed, or a signal during a long save waited
      // for that save): the same bytes are not written again.
      lastOpened_ = fileName_;
    } else if (Setting(bs::AutoSave, true) && !fileName_.empty()) {
      // Saved without a question, also when only the view changed (the caret, the selected node,
      // an opened folder: the next start shows them). A failed save must not end in a silent loss:
      // the user then decides.
      TSaveResult saved = SaveBank(fileName_, TSaveWait::Written, ifChanged);
      report(saved);
      if (!saved) {
        if (NobodyAnswers()) {
          // A file changed elsewhere stays the other program's and the databank goes beside it; a
          // file that could not be written is not tried again.
          saved = KeepWithoutAnswer(TIfFileChanged::WriteBeside, saved.ChangedFile != TChangedFileAnswer::Unanswered);
        } else if (saved.ChangedFile != TChangedFileAnswer::Cancelled) {
          saved = AskSaveChanges(true, ifChanged);
        }
        report(saved);
        if (!saved) return false;
      }
    } else {
      const TSaveResult saved = AskSaveChanges(false, ifChanged);
      report(saved);
      if (!saved) return false;
    }
  }
  ReleaseBank();
  timer_->SetEnabled(false);
  return true;
}

bool TBankSession::CloseWouldAsk(TIfFileChanged ifChanged) {
  if (Busy() || !bank_) return false;
  WaitForSave();
  if (!bank_ || NobodyAnswers() || NothingToKeepOverChangedFile()) return false;
  if (Setting(bs::AutoSave, true) && !fileName_.empty())
    return ifChanged == TIfFileChanged::Ask && watch_ && watch_->Path() == bp::ExpandFileName(fileName_) &&
           !watch_->StillOurs();
  return AnythingModified();
}

void TBankSession::LoadFileSettings(const std::string& commandLinePath) {
  if (settings_) {
    lastOpened_ = bp::ResolveFromProgram(settings_->ReadString(bs::LastOpened, ""), options_.ProgramDir);
    recentFiles_.SetText(settings_->ReadString(bs::RecentFiles, ""));
    while (recentFiles_.Count() > recentFiles_.MaxCount) recentFiles_.Delete(recentFiles_.Count() - 1);
  }
  commandLineFile_.clear();
  commandLineProblem_.clear();
  if (!commandLinePath.empty()) {
    const std::string full = bp::ExpandFileName(commandLinePath);
    if (bp::FileExists(full))
      commandLineFile_ = GetLongFileName(full);
    else if (bp::DirectoryExists(full))
      commandLineProblem_ = IsAFolderText(full);
    else
      commandLineProblem_ = FileNotFoundText(full);
  }
}

void TBankSession::SaveFileSettings() {
  if (!settings_) return;
  TMRUList recent(TMRUCase::MatchCase);
  recent.SetText(recentFiles_.Text());
  if (!fileName_.empty()) recent.Add(Relative(fileName_));
  settings_->WriteString(bs::RecentFiles, recent.Text());
  settings_->WriteString(bs::LastOpened, Relative(lastOpened_));
}

void TBankSession::ReadAheadStartupFile() {
  std::unique_ptr<TBankFileReadAhead> started = TakeBankFileReadAhead();
  if (bank_ || readAhead_) return;
  const std::string path = !commandLineFile_.empty()                                    ? commandLineFile_
                           : Setting(bs::AutoOpen, true) && bp::FileExists(lastOpened_) ? lastOpened_
                                                                                        : std::string();
  if (path.empty()) return;
  try {
    const std::string full = bp::ExpandFileName(path);
    readAhead_ = started && started->Path() == full ? std::move(started) : std::make_unique<TBankFileReadAhead>(full);
  } catch (const std::exception&) {
    // Read at the open instead.
  }
}

std::string TBankSession::StartupFileOf(TSettings* settings, const std::string& programDir,
                                        const std::string& commandLinePath) {
  if (!commandLinePath.empty()) {
    const std::string full = bp::ExpandFileName(commandLinePath);
    if (bp::FileExists(full)) return bp::ExpandFileName(GetLongFileName(full));
  }
  if (settings && !settings->ReadBool(bs::AutoOpen, true)) return std::string();
  const std::string last =
      bp::ResolveFromProgram(settings ? settings->ReadString(bs::LastOpened, "") : std::string(), programDir);
  return bp::FileExists(last) ? bp::ExpandFileName(last) : std::string();
}

void TBankSession::StartupOpen() {
  // What was read ahead and not taken (another file opened, the open was refused) is not kept.
  struct TDropReadAhead {
    std::unique_ptr<TBankFileReadAhead>& readAhead;
    ~TDropReadAhead() { readAhead.reset(); }
  } dropReadAhead{readAhead_};
  if (!MayReplaceBank()) return;
  // One step from its first box to the end of the open: the first run and a close wait for it.
  TBusyScope busy(*this);
  // A file named on the command line that is not there is told; the last databank opens instead.
  if (!commandLineProblem_.empty()) ShowError(0, commandLineProblem_);
  commandLineProblem_.clear();
  const std::string commandLineFile = std::move(commandLineFile_);
  commandLineFile_.clear();
  if (!commandLineFile.empty()) {
    ReplaceBank(commandLineFile);
    // Only a databank that opened becomes the last one: a failed open is not repeated at every start.
    if (!fileName_.empty()) lastOpened_ = commandLineFile;
  } else if (Setting(bs::AutoOpen, true) && bp::FileExists(lastOpened_)) {
    fileName_ = lastOpened_;
    ReplaceBank(fileName_);
  } else {
    ReplaceBank("");
  }
}

void TBankSession::FirstRun() {
  if (!MayReplaceBank()) {
    // Once the step has ended; a close that waits for it drops the first run.
    if (!CloseWaiting()) firstRun_ = TFirstRun::Waiting;
    return;
  }
  firstRun_ = TFirstRun::Done;
  if (settings_) settings_->Save();
  // The sample takes the place of nothing the user opened or typed.
  if (options_.ProgramDir.empty() || !fileName_.empty() || AnythingModified() || NobodyAnswers()) return;
  std::string sample = bp::ExpandFileNameFrom(SSampleBankName, options_.ProgramDir);
  if (!bp::FileExists(sample)) return;
  // An installed program never writes into its own folder: the user explores a copy of their own,
  // and its saves and backups stay in the user's folder. A copy made on an earlier first run (the
  // settings file was removed since) keeps what the user changed in it.
  if (!options_.UserDir.empty() && options_.UserDir != options_.ProgramDir && ForceDirectories(options_.UserDir)) {
    const std::string copy = bp::ExpandFileNameFrom(SSampleBankName, options_.UserDir);
    try {
      if (!bp::FileExists(copy)) CopyFile(sample, copy);
      sample = copy;
    } catch (const Exception&) {
      // The sample is then opened where it lies.
    }
  }
  ReplaceBank(sample);
}
