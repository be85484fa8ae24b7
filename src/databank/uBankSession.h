// The open databank of the tree window and everything that reads or writes its file: the file state,
// LoadBankFile / SaveBankFile over the layers (zip archive, cipher, XML store), OpenBank, CloseBank,
// SaveBank, the save-changes question, the New / Open / Save / Save As / recent-file commands, the
// compression switch, the password commands, auto-save and the start-up opening.
//
// The tree window owns one session and fills in its hooks (commit the open record, rebuild the tree,
// caption, ...). The session talks to the user only through platform::IUIServices and to time only
// through its platform::IEventLoop (timers and posted calls), so every answer and every tick can be
// scripted. What it may do at a moment follows from one phase (TPhase), which changes only through
// the table of its transitions; what became of a save comes back as a TSaveResult.
//
// Safety rules kept here:
// - Saving streams a snapshot of the document through its layers into a temporary file, then renames
//   it over the old one; a failed save reports the error, keeps the old file and keeps the modified
//   mark.
// - With background saves (the window's), Save, Save As, export, the auto-save and minimising take a
//   snapshot of the document (it costs what changed since the last one: the databank is frozen while
//   it is opened) and return; the XML, the layers and the file are written on a worker thread, one
//   save after the other. A finished save posts the application of its outcome to the window's
//   event loop (nothing polls for it, and nothing waits for the writer's lock): a failure is
//   reported and marks the databank modified again. Whatever needs to know that the file is written
//   (the save-changes question, closing a databank, the end of the program) waits for the save in
//   flight.
// - Auto-save never runs while an open, close, save, import or export is in progress (their prompts
//   run nested event loops, during which the timer still ticks), except in the file dialogs of Save
//   As, Import and Export, which change nothing it writes (TAutoSaveFreeScope).
// - Closing a databank forgets its file name, password and entry name together.
// - A save never replaces a file another program changed since this copy read or wrote it
//   (uBankFileWatch.h): a save the user asked for asks whether to overwrite it, save under another
//   name or cancel; a save nobody can be asked about (auto-save, minimising, the end of the desktop
//   session) writes the databank beside the file under a conflict name, says so, and auto-save then
//   leaves the file alone until the user saves.
// - An export never writes the open databank's file or its backup, under whatever name it is given.
// - A backup that cannot be made does not stop a save; the user hears why, once a file.
// - A databank read from text that was not UTF-8 (those bytes are U+FFFD in memory) is told when it
//   opens, and its file is kept as "<file>.original" before the first save over it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "databank/uBankFile.h"
#include "databank/uBankFileReadAhead.h"
#include "databank/uBankWriter.h"
#include "databank/uMRUList.h"
#include "xml/uXMLBase2.h"

class TSettings;

namespace platform {
class IUIServices;
class IEventLoop;
class ITimer;
}  // namespace platform

// Names of the window settings the pipeline reads.
namespace banksettings {
inline constexpr const char* AutoSave = "AutoSave";              // bool, default true
inline constexpr const char* AutoSavePeriod = "AutoSavePeriod";  // seconds, default 300
inline constexpr const char* MakeBackup = "MakeBackup";          // bool, default true
inline constexpr const char* AutoOpen = "AutoOpen";              // bool, default true
inline constexpr const char* AutoPos = "AutoPos";                // bool, default true
inline constexpr const char* LastOpened = "LastOpened";          // string, relative to the program folder
inline constexpr const char* RecentFiles = "RecentFiles";        // string, one path per line
inline constexpr int DefAutoSavePeriod = 300;
}  // namespace banksettings

// One item of the recent-file menu.
struct TRecentItem {
  std::string Caption;  // the entry with "&" doubled, so a menu shows it as it is
  std::string Entry;    // the entry as stored (relative to the program folder where it can be)
  bool Enabled = true;  // false only for the single "<no recent files>" item
};

class TBankSession {
 public:
  // The session's phase, as far as it decides what may happen now. A step (an open, close, save,
  // import, export or password command, the window's close) runs nested event loops in its prompts,
  // from which the tray, timers, signals and the desktop reach the window; steps within a step nest
  // (the save of an open command's question), and the phase is that of the outermost one.
  enum class TPhase : std::uint8_t {
    Idle,                // no step under way: a databank may be opened or closed, auto-save writes
    Working,             // a step is under way
    CloseWaiting,        // a step is under way and the window's close waits for its end: no boxes
    Ending,              // nobody answers any more (the system ends the program); no step under way
    EndingWorking,       // nobody answers; a step is under way
    EndingCloseWaiting,  // nobody answers; the window's close waits for the step under way
  };
  enum class TPhaseEvent : std::uint8_t {
    StepBegins,     // the outermost step begins (a nested one changes no phase)
    StepEnds,       // the outermost step ends: a close that waited is posted to the loop
    CloseAsked,     // the window's close came while a step is under way (see MayClose)
    NobodyAnswers,  // see EndWithoutAnswers; there is no way back
  };
  // The phase an event leads to from a phase; nullopt for an event that cannot happen there (the
  // session asserts in debug builds and stays where it is).
  static std::optional<TPhase> NextPhase(TPhase from, TPhaseEvent event);
  TPhase Phase() const { return phase_; }

  // Where a question about a file another program changed left a save.
  enum class TChangedFileAnswer : std::uint8_t {
    NotAsked,    // no such question came up (or a later save of the same file asks it)
    Overwrite,   // the user chose to replace the other program's file
    SaveAs,      // the user saved under another name
    Cancelled,   // the user kept the databank unsaved (or chose no other name): a closing window stays
    Unanswered,  // nobody could answer (the system ends the program): the other program's file stays
  };
  // What became of a save (and of the question that may have come with it). True when the databank
  // is kept on disk: written, handed to the writer (TSaveWait::Started), or written beside its file.
  struct TSaveResult {
    bool Kept = false;
    TChangedFileAnswer ChangedFile = TChangedFileAnswer::NotAsked;
    // The file saved, and where the databank went beside it when another program had changed it
    // ("" when nowhere).
    std::string Path, ConflictCopy;
    explicit operator bool() const { return Kept; }
    static TSaveResult KeptIf(bool kept) {
      TSaveResult result;
      result.Kept = kept;
      return result;
    }
  };

  // What the tree window does around the pipeline's steps. Every hook may be left empty.
  struct THooks {
    std::function<void()> LeaveFilter;   // leave the filter view (before a close)
    std::function<void()> CommitRecord;  // write the open record back into its node and close it
    // Before a save: write what the editor and the keywords field hold into their nodes, leaving the
    // record open (a save never takes the editor, its caret or a key from the user).
    std::function<void()> StoreRecord;
    std::function<bool()> RecordModified;    // the open record has edits not yet committed
    std::function<void()> ShowCurtain;       // while a databank is being replaced
    std::function<void()> BankStateRead;     // after ReadBankState (caption, default images)
    std::function<void()> BankStateWritten;  // after WriteBankState (caption)
    // Stand in for the calls of ReadBankState / WriteBankState that opening and saving make (the
    // window's own operations, which call those two themselves).
    std::function<void()> ReadState;
    std::function<void()> WriteState;
    std::function<void()> BankClosing;    // the databank is about to be freed
    std::function<void()> RebuildTree;    // after an open; selects PendingID
    std::function<int()> SelectedNodeID;  // "ID" of the selected node, -1 when none
    std::function<void()> StateChanged;   // Modified, FileName, Password or Compress changed
    // A close that MayClose refused: the step of the pipeline it waited for has ended, close now.
    // Called from the event loop, never from inside that step.
    std::function<void()> CloseDeferred;
    // A notification for the user that needs no answer (the databank was saved beside its file).
    std::function<void(const std::string& text)> Notify;
  };

  struct TOptions {
    // The program's folder: recent entries are stored relative to it and the sample lies in it.
    std::string ProgramDir;
    // The user's own data folder (platform's UserDataFolder): when it is set and not ProgramDir,
    // the first run copies the sample here (making the folder) and opens the copy.
    std::string UserDir;
    // Rename an opened ".xdb" file to ".xdb2". Tools that only look at files switch it off.
    bool RenameOldFiles = true;
    // Write the files of the commands, the auto-save and minimising on a worker thread.
    bool BackgroundSaves = false;
    // Unwraps the layers of a file read (DecodeBankLayers; tests hand in one that fails).
    std::function<bool(std::string, TBankReadContext&, TBankReadResult&)> DecodeLayers = DecodeBankLayers;
    // What the writer of background saves does with a job (WriteBankJob; tests hand in one that
    // waits or fails).
    std::function<TBankSaveOutcome(TBankSaveJob)> WriteJob = WriteBankJob;
  };

  // settings: the window's settings section (nullptr: every setting reads as its default).
  // ui / loop: nullptr takes the installed ones (platform::UI(), platform::EventLoop()). With
  // background saves, the writer's thread posts to loop.
  TBankSession(TSettings* settings, TOptions options, platform::IUIServices* ui = nullptr,
               platform::IEventLoop* loop = nullptr);
  ~TBankSession();
  TBankSession(const TBankSession&) = delete;
  TBankSession& operator=(const TBankSession&) = delete;

  THooks Hooks;
  // Caption of the "Invalid Password" box.
  std::string ApplicationTitle = "-XML Database Application-";
  // The node-ID counter while a databank is open, and the node to select after a rebuild.
  int NextNodeID = 1;
  int PendingID = -1;

  // State of the open databank.
  TXMLDataBase2* Bank() const { return bank_.get(); }
  const std::string& FileName() const { return fileName_; }
  const std::string& EntryName() const { return entryName_; }
  const std::string& Password() const { return password_; }
  bool Compress() const { return compress_; }
  bool Modified() const { return modified_; }
  int64_t FileSize() const { return fileSize_; }
  int64_t DataSize() const { return dataSize_; }
  const std::string& LastOpened() const { return lastOpened_; }
  // Raw setters for callers that put the layers back after borrowing them (import) or that prepare a
  // save (tools); neither marks the databank modified.
  void SetPassword(const std::string& password) { password_ = password; }
  void SetCompress(bool compress) { compress_ = compress; }
  TMRUList& RecentFiles() { return recentFiles_; }
  const std::string& ProgramDir() const { return options_.ProgramDir; }
  platform::ITimer& AutoSaveTimer() { return *timer_; }

  // --- The file routines ---
  // Reads the file at path through its layers into target (nullptr: the window's databank). Only
  // for the window's databank do EntryName, Compress, FileName, FileSize and DataSize change and is an
  // old ".xdb" file renamed; the password is used and kept for any target. Another target whose
  // enciphered text does not parse with the known password is read once more after asking for the
  // file's own password. Enciphered bytes that are no databank (they do not parse, or parse as
  // something else) mean a wrong password: one the user typed brings the prompt back saying so
  // ("The password is wrong. Try again."), until the right one or Cancel, which ends the load with
  // the wrong password as its reason.
  // Any failure, of any type (running out of memory included), leaves FileName empty.
  bool LoadBankFile(const std::string& path, TXMLDataBase2* target = nullptr);
  // "Could not open DataBank!", with a second line saying why the last LoadBankFile failed: the file
  // could not be read (the system's reason), a layer failed (a broken archive, a cancelled password
  // prompt), a wrong password, not a databank or where its text did not parse, each naming the
  // file; or not enough memory. The only box of a failed open.
  std::string CouldNotOpenMessage() const;
  // Writes source (nullptr: the window's databank) to path through the window's layers (its
  // Password, Compress and EntryName), with the ".backup" copy when "MakeBackup" is set.
  bool SaveBankFile(const std::string& path, TXMLDataBase2* source = nullptr);
  // The same with explicit layers (export writes with its own password and compression).
  bool SaveBankFile(const std::string& path, TXMLDataBase2* source, const TBankWriteLayers& layers);
  // Whether path leads to the open databank's file or to its ".backup" (links and ".." resolved, a
  // hard link included): what an export must never write.
  bool IsOpenBankFile(const std::string& path) const;
  // Writes an exported databank, frozen already, to path with its own layers (and the ".backup" copy
  // when "MakeBackup" is set). With background saves it goes to the writer as a save does, the window
  // going on meanwhile, and its failure is told as a save's is once it has ended; otherwise it is
  // written here and now. False when it could not be started (written here: when it failed). A path
  // that IsOpenBankFile is refused with SExportOntoOpenFile and nothing is written.
  bool ExportBank(const std::string& path, std::unique_ptr<const TXMLDataBase2Snapshot> document,
                  const TBankWriteLayers& layers);

  // --- The bank routines ---
  // Whether a databank may be opened or closed now: not while an open, close, save, import, export
  // or password command is under way. Their prompts and boxes run nested event loops, from which the
  // first run, the tray, timers and the desktop reach the window, and the databank such a step works
  // on must stay. Every routine and command here that opens or closes the databank asks first and
  // does nothing when refused (FirstRun waits for the step instead).
  bool MayReplaceBank() const { return !Busy(); }
  void OpenBank(const std::string& path);
  void CloseBank();
  enum class TSaveWait { Written, Started };
  // The full save road. Written: returns once the file is written; false when it could not be
  // (Modified then stays set). Started (background saves only; otherwise as Written): returns once
  // the snapshot of the document is taken; false when not even that worked.
  // ifChanged: what happens when another program changed the file since this copy read or wrote it.
  // A conflict copy written instead counts as saved (the work is kept; the databank stays modified).
  TSaveResult SaveBank(const std::string& path, TSaveWait wait = TSaveWait::Written,
                       TIfFileChanged ifChanged = TIfFileChanged::Ask);
  // Waits for the saves in flight and applies their outcomes (messages, the modified mark).
  void WaitForSave();
  // A save is being written or waits for its turn.
  bool SaveInFlight() const;
  // The saves whose outcome the session still waits for (each with what it keeps for it: the
  // layers, the password among them); none once WaitForSave has returned.
  std::size_t SavesAwaitingOutcome() const { return savesInFlight_.size(); }
  // False when the user chose Cancel, and also when they chose Yes but nothing was saved (the save
  // dialog was cancelled or the save failed): the databank must then be kept.
  bool QuerySaveChanges(bool allowCancel, TIfFileChanged ifChanged = TIfFileChanged::Ask);
  // Marks the databank modified and arms (or disarms) auto-save from the "AutoSave" setting.
  void SetModified();
  // The open record's code, comments or keywords were edited: auto-save is armed as by SetModified,
  // so that what is typed reaches the file within a period; its tick stores the record first.
  void RecordEdited();
  // The view changed (a record's stored caret, a folder opened or closed): no change of the
  // databank, and no reason for a save or a question. With "AutoSave" and a file name, closing
  // writes it, as it writes a selection that differs from the file's.
  void ViewChanged();
  // NextNodeID and PendingID from the databank's settings, then the BankStateRead hook.
  void ReadBankState();
  // "NextNodeID" and "LastPosition" into the databank's settings, then the BankStateWritten hook.
  void WriteBankState();

  // --- Commands ---
  void NewBank();
  void OpenCommand();
  void SaveCommand();
  void SaveAsCommand();
  // The recent-file item with this entry. Throws Exception("File \"...\" doesn't exist!") for a
  // missing file (the action's error handler shows it).
  void OpenRecentFile(const std::string& entry);
  std::vector<TRecentItem> RecentMenuItems() const;
  void ToggleCompress();
  bool CanSetPassword() const { return bank_ && password_.empty(); }
  bool CanRemovePassword() const { return bank_ && !password_.empty(); }
  bool CanChangePassword() const { return CanRemovePassword(); }
  void SetPasswordCommand();
  void RemovePasswordCommand();
  void ChangePasswordCommand();

  // --- Auto-save and the life of the window ---
  void AutoSaveTick();
  void AppMinimized();
  // The window closes: save (with "AutoSave") or ask, then close the databank. False when the
  // window must stay open (the user cancelled, the changes could not be saved, or a step of the
  // pipeline is under way: see MayClose). WriteBeside: the desktop session ends, so nobody is asked
  // about a file another program changed. Either way a databank without unsaved changes leaves such
  // a file alone.
  bool CloseForExit(TIfFileChanged ifChanged = TIfFileChanged::Ask);
  // Whether CloseForExit(ifChanged) would ask the user now (whether to save, or about a file another
  // program changed), so that the window can stay for its questions and go at once otherwise. Waits
  // for the saves in flight first (their outcome may ask). A save that fails may still ask.
  bool CloseWouldAsk(TIfFileChanged ifChanged = TIfFileChanged::Ask);
  // Asked before the window closes. False while an open, save, import, export or password command
  // is under way: their prompts and boxes run nested event loops, and a close from there (a signal,
  // the end of the desktop session) would write or free the databank under them. The close is then
  // kept, and Hooks.CloseDeferred is posted to the event loop once that step has ended. Meanwhile
  // the step shows no more boxes (its messages go to stderr) and asks no password again.
  bool MayClose();
  bool CloseWaiting() const { return phase_ == TPhase::CloseWaiting || phase_ == TPhase::EndingCloseWaiting; }
  // Reads "LastOpened" and "RecentFiles", and takes the file named on the command line for
  // StartupOpen.
  void LoadFileSettings(const std::string& commandLinePath = "");
  // The file StartupOpen is about to open (after LoadFileSettings) read on a thread of its own, for a
  // window that shows at once: the read started at the program's start (StartBankFileReadAhead) when
  // it is of that file, else one started now. StartupOpen takes those bytes when the file is still
  // the one read, and drops them otherwise.
  void ReadAheadStartupFile();
  // The file a start with these settings and this command line opens ("" for none), as StartupOpen
  // chooses it: for reading it ahead before the session exists.
  static std::string StartupFileOf(TSettings* settings, const std::string& programDir,
                                   const std::string& commandLinePath);
  // Writes "LastOpened" and "RecentFiles" (the open file added first), relative to the program folder.
  void SaveFileSettings();
  // The window's first showing: open the command-line file, else LastOpened (with "AutoOpen"), else a
  // new empty databank. A command-line file that is missing or a folder is told ("File not found:
  // PATH", "PATH is a folder, not a databank") and LastOpened opens instead. The command-line file
  // becomes LastOpened only when it opened.
  void StartupOpen();
  // The first run (no settings file yet): save the settings, then, when no databank file is open and
  // nothing was changed, open the sample beside the program when there is one (the user's copy of it
  // in UserDir when that is another folder). Asked while a step runs (the start-up open's prompt
  // runs the event loop), it waits until that step has ended, and is dropped when the window closes.
  void FirstRun();
  // FirstRun has saved the settings (and opened the sample where it does).
  bool FirstRunDone() const { return firstRun_ == TFirstRun::Done; }

  // The system ends the program (a signal, the end of the desktop session): nobody answers any more.
  // From now on nothing is asked and no box is shown (messages go to stderr); an answer given to a
  // question that was already up is not taken as the user's. The window's close then keeps the
  // databank without a question, also with "AutoSave" off: saved to its file (or beside it when
  // another program changed it); one never saved, or one whose file and conflict copy cannot be
  // written, goes into UserDir (with its password and compression), where the next start opens it.
  void EndWithoutAnswers() { Enter(TPhaseEvent::NobodyAnswers); }

  // While a scope lives, auto-save does nothing. Import and export hold one around their work.
  class TBusyScope {
   public:
    explicit TBusyScope(TBankSession& session) : session_(session) {
      if (session_.busy_++ == 0) session_.Enter(TPhaseEvent::StepBegins);
    }
    ~TBusyScope() {
      if (--session_.busy_ == 0) session_.Enter(TPhaseEvent::StepEnds);
    }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

   private:
    TBankSession& session_;
  };
  bool Busy() const { return busy_ > 0; }

  // Held by a step, inside its TBusyScope, around a dialog that changes nothing an auto-save writes
  // (the databank's own file, its layers, the document): the file dialogs of Save As until it is
  // answered, of Import and of Export. The tick then saves as it does outside any step, so that a
  // dialog left open does not keep what was typed from the file; opening and closing stay refused.
  // The questions (whether to save, about a file changed elsewhere) never hold one: their answer
  // decides what is written.
  class TAutoSaveFreeScope {
   public:
    explicit TAutoSaveFreeScope(TBankSession& session) : session_(session) { ++session_.autoSaveFree_; }
    ~TAutoSaveFreeScope() { --session_.autoSaveFree_; }
    TAutoSaveFreeScope(const TAutoSaveFreeScope&) = delete;
    TAutoSaveFreeScope& operator=(const TAutoSaveFreeScope&) = delete;

   private:
    TBankSession& session_;
  };
  // Auto-save and minimising write nothing: a step runs outside such a dialog.
  bool AutoSaveHeld() const { return busy_ > autoSaveFree_; }

  // Something the user must know that failed nothing (the save or open went on): a box with the
  // warning sign, or stderr where nobody answers.
  void ShowWarning(const std::string& text);

  // The messages the pipeline shows (id from uBankMessages.h, 0 for a free text); for tools that
  // print them. Empty: shown through the UI services as error boxes.
  std::function<void(int id, const std::string& text)> OnError;

 private:
  bool Setting(const char* name, bool def) const;
  // Takes the phase's transition for event (the one place the phase changes) and does what comes
  // with it: a close that waited for the step is posted, an owed first run is posted or dropped.
  void Enter(TPhaseEvent event);
  bool NobodyAnswers() const {
    return phase_ == TPhase::Ending || phase_ == TPhase::EndingWorking || phase_ == TPhase::EndingCloseWaiting;
  }
  // No box is shown (messages go to stderr): nobody answers, or the program is closing.
  bool BoxesOff() const { return NobodyAnswers() || CloseWaiting(); }
  void ShowError(int id, const std::string& text = std::string());
  void SetModifiedFlag(bool modified);
  void Changed();
  void AdoptPassword(const std::string& password);
  bool AnythingModified() const;
  TSaveResult SaveWithDialog(TIfFileChanged ifChanged);
  // QuerySaveChanges with what a save made for it came to; Kept: nothing is lost when the databank
  // goes now (it was saved, had nothing to save, or the user chose No).
  TSaveResult AskSaveChanges(bool allowCancel, TIfFileChanged ifChanged);
  // The save of auto-save and minimising: the changes into the databank's file (beside it when
  // another program changed it), unless a step holds auto-save or a conflict copy holds the file.
  void SaveUnasked();
  // The bodies of OpenBank and CloseBank, for the routines that have asked MayReplaceBank already.
  void ReplaceBank(const std::string& path);
  void ReleaseBank();
  // Keeps the changes when nobody can be asked (see EndWithoutAnswers): in the databank's file, else
  // (no file, or fileFailed: its save has just failed) as "<name>.xdb2" ("unnamed.xdb2" without a
  // file; numbered when taken) in UserDir, saying where on stderr; false when nothing was kept.
  TSaveResult KeepWithoutAnswer(TIfFileChanged ifChanged, bool fileFailed = false);
  // Save As: the dialog, then the save; false when cancelled or nothing was kept. Runs: the auto-save
  // goes on while the dialog is up (not when Save As answers the question about a file changed
  // elsewhere: a tick would write a conflict copy beside it meanwhile).
  enum class TDialogAutoSave { Held, Runs };
  bool SaveAs(TSaveWait wait, TDialogAutoSave autoSave = TDialogAutoSave::Held);
  std::string Relative(const std::string& path) const;
  std::string SavePreset(std::string& folder) const;
  TSaveWait CommandSave() const { return options_.BackgroundSaves ? TSaveWait::Started : TSaveWait::Written; }
  // The window's own layers: its Password, Compress and EntryName.
  TBankWriteLayers OwnLayers() const;
  // One pass of LoadBankFile over the file: read it, unwrap its layers, parse it into bank (and, for
  // the window's own databank, take its file state, under renameTo when that is given and the file
  // could be renamed there). WrongPassword: enciphered text that did not parse. Failed: failReason_
  // says why. note: what a file-password prompt says when it comes back within a load ("" the first
  // time).
  enum class TLoadStatus { Loaded, WrongPassword, Failed };
  struct TLoadAttempt {
    TLoadStatus Status = TLoadStatus::Failed;
    bool PasswordAsked = false;    // the user was asked for the file's password
    bool PromptCancelled = false;  // and cancelled that prompt
    bool ConvertedOld = false;     // the file was in the old format: its texts were converted in memory
    // Its text was not UTF-8 (those bytes are U+FFFD in memory): what the user is told once the
    // databank shows ("" when it was).
    std::string Utf8Notice;
  };
  TLoadAttempt ReadBankLayers(const std::string& path, TXMLDataBase2& bank, bool own, const std::string& renameTo,
                              const std::string& note);
  // LoadBankFile with how its last attempt went (Status Failed when the load failed).
  TLoadAttempt LoadBank(const std::string& path, TXMLDataBase2* target);
  // A snapshot of the document (the writer streams it into the file), with the path, the layers (the
  // entry named as it goes into the file) and the backup switch; false, the error shown, when the
  // snapshot could not be taken, or path failed to open earlier and could not be kept as
  // "<path>.bad" first.
  bool MakeSaveJob(const TXMLDataBase2& bank, const std::string& path, TBankWriteLayers layers, TBankSaveJob& job);
  // The rest of a job whose document is set: path, layers, the backup switch; own: the job writes the
  // window's databank to its file. False as MakeSaveJob.
  bool PrepareSaveJob(const std::string& path, TBankWriteLayers layers, TBankSaveJob& job, bool own);
  // Applies a save's outcome. followUp: how a save the user asks for now (after a file changed
  // elsewhere) is written.
  TSaveResult ApplyOutcome(const TBankSaveOutcome& outcome, TSaveWait followUp);
  // The user answers for a file another program changed.
  TSaveResult AskAboutChangedFile(const std::string& path, TSaveWait followUp);
  // The watch of the file at path, made anew when the databank's file is another.
  std::shared_ptr<TBankFileWatch> WatchFor(const std::string& path);
  // The databank's own file was changed by another program and this copy holds nothing it has not
  // written somewhere (no change, or none since its conflict copy).
  bool NothingToKeepOverChangedFile();
  // The databank's file holds everything a save would write now: it is the file last read or
  // written, nothing changed since, and the view is the one it holds (see ViewDiffers). Filling in
  // view values a file lacks with their defaults (a caret at the start, a folder as it was built) is
  // no difference.
  bool FileHoldsBank();
  // The view differs from the one the file holds: the selected node, a caret or a folder changed
  // since the file was read or written (the node counter too, which comes with new nodes).
  bool ViewDiffers() const;
  // The file holds the view as it is now (after an open, and when a save's snapshot is taken).
  void NoteViewInFile();
  // The outcomes of the saves the writer finished (a finished save posts a call to this; it takes no
  // lock of the writer's).
  void ApplyFinishedSaves();
  // Lets go of what was kept for a save the writer replaced (tag 0: none).
  void ForgetSave(std::uint64_t tag);

  TSettings* settings_;
  TOptions options_;
  platform::IUIServices* ui_;
  platform::IEventLoop* loop_;
  std::unique_ptr<platform::ITimer> timer_;
  std::unique_ptr<TXMLDataBase2> bank_;
  std::string fileName_, entryName_, password_, lastOpened_;
  // Why the last LoadBankFile failed, in one line ("" when it opened or a box already said why).
  std::string failReason_;
  bool compress_ = false;
  bool modified_ = false;
  std::string commandLineFile_;                    // the command-line file, to be opened at start
  std::unique_ptr<TBankFileReadAhead> readAhead_;  // its bytes (or LastOpened's), read while the window is made
  std::string commandLineProblem_;                 // why the command-line file cannot be opened, told at start
  int64_t fileSize_ = 0;
  int64_t dataSize_ = 0;
  TMRUList recentFiles_{TMRUCase::MatchCase};
  TPhase phase_ = TPhase::Idle;
  int busy_ = 0;          // steps nested (TBusyScope); above 0 exactly while the phase has a step
  int autoSaveFree_ = 0;  // TAutoSaveFreeScope
  // Where the first run stands: Waiting from when it is asked during a step until it runs (it is
  // posted once the step has ended), back to NotYet when the window's close drops it.
  enum class TFirstRun : std::uint8_t { NotYet, Waiting, Done };
  TFirstRun firstRun_ = TFirstRun::NotYet;
  // Expires with the session: a deferred close posted to the loop is dropped when the session is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  // Saves: what each save in flight was made from, by its tag.
  struct TSaveState {
    std::uint64_t EditGeneration = 0;  // editGeneration_ when its bytes were made
    std::uint64_t BankSerial = 0;      // the databank it belongs to
    std::string Password;              // the layers it is written with
    bool Compress = false;
    TIfFileChanged IfChanged = TIfFileChanged::Ask;
    bool Export = false;  // an exported databank: only its messages concern the window
  };
  // The form of the window's file on disk as it was last read or written (Path "" when unknown).
  struct TDiskForm {
    std::string Path, Password;
    bool Compress = false;
  } diskForm_;
  void NoteDiskForm(const std::string& path, const std::string& password, bool compress);
  // Files that failed to open as the window's databank and still hold what they held then.
  std::vector<std::string> unreadable_;
  // Before the first write over a file that failed to open: keeps it as "<file>.bad"; false (the
  // error shown) when no copy could be made.
  bool KeepUnreadable(const std::string& path);
  // The databank was read from text that was not UTF-8 (the bytes are U+FFFD in memory): before the
  // first write over that file it is copied to KeptAs, the name told when it opened. Dropped with the
  // databank.
  struct TKeepOriginal {
    std::string Path, KeptAs;
  };
  std::optional<TKeepOriginal> keepOriginal_;
  // Before the first write over that file: false (the error shown) when no copy could be made.
  bool KeepOriginal(const std::string& path);
  // A save that went on without its backup is told, once a file in a run.
  void TellBackupFailure(const TBankSaveOutcome& outcome);
  std::vector<std::string> backupFailuresTold_;
  std::unique_ptr<TBankWriter> writer_;
  std::vector<std::pair<std::uint64_t, TSaveState>> savesInFlight_;
  std::uint64_t saveTag_ = 0;
  std::uint64_t editGeneration_ = 0;  // counts SetModified calls
  std::uint64_t bankSerial_ = 0;      // counts the databanks opened
  bool applyingSaves_ = false;        // ApplyFinishedSaves is on the stack (a box of it runs the loop)
  // What this copy knows of its file on disk; shared with the saves in flight.
  std::shared_ptr<TBankFileWatch> watch_;
  // Set once a conflict copy was written: auto-save leaves the file alone until the user saves. The
  // value is editGeneration_ as the copy holds it.
  std::optional<std::uint64_t> conflictHold_;
  // The view as the file holds it: the selected node's ID and the node counter, and whether a caret
  // or a folder changed since (ViewChanged).
  int fileSelection_ = -1;
  int fileNextNodeID_ = 1;
  bool viewChanged_ = false;
};
