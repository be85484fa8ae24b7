// File and path services: the executable's path, where the settings file lives, and the few file
// operations the stores need, over "/"-separated paths. Every file the program writes goes through
// WriteFileAtomic, so a failed write never damages the file it was meant to replace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TStream;

// Absolute path of the running program, read from /proc/self/exe (usable before any Qt object
// exists); "" when the system does not tell.
std::string ExecutablePath();

// Where the program keeps the user's files. A portable program (a file named "portable" beside the
// executable, as the build folder has one, in a folder this process may write) keeps them beside
// itself; any other, an installed one above all, uses the user's XDG folders and never writes
// into its own. This is the one place that decides it.
bool PortableProgram();
// The settings file: "<executable folder>/<executable name>.xdb" for a portable program, else
// "$XDG_CONFIG_HOME/tessaryn/tessaryn.xdb" (XDG_CONFIG_HOME defaults to ~/.config). The folder of
// the second form is not created here.
std::string SettingsFilePath();
// The user's own data of the program (the copy of the sample databank, highlighter plug-ins): the
// executable's folder for a portable program, else "$XDG_DATA_HOME/tessaryn" (XDG_DATA_HOME
// defaults to ~/.local/share). Not created here.
std::string UserDataFolder();

// The part of the path before its last "/" ("" when there is none), and the part after it.
std::string ExtractFileDir(std::string_view path);
std::string ExtractFileName(std::string_view path);
// The extension of the last path element, from its last "." (dot included); "" when it has none.
std::string ExtractFileExt(std::string_view path);
// The path with the extension of its last element replaced by ext ("." included in ext); a name
// without an extension gets ext appended.
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// True for an existing regular file (links followed).
bool FileExists(const std::string& path);
// True for an existing folder.
bool DirectoryExists(const std::string& path);
// Whether this process may create files in the folder.
bool FolderWritable(const std::string& dir);
// The read-only state taken from the mode bits (the owner's write bit is cleared), so the answer is
// the same for every user, root included. False when the file does not exist.
bool IsFileReadOnly(const std::string& path);
// What tells one state of a file from another without reading it: the file the path leads to (links
// followed), its size and its modification time. A rename over the path, a rewrite and a touch each
// change it; a rewrite in place of the same size within one tick of the file system's clock does not.
struct TFileIdentity {
  bool Exists = false;  // false: nothing (or no regular file) at the path; the other fields are 0
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;  // nanoseconds since the epoch
  bool operator==(const TFileIdentity&) const = default;
};
TFileIdentity FileIdentityOf(const std::string& path);
// The wall clock in the unit of ModifiedNs.
std::int64_t WallClockNs();

// Removes the file; true on success.
bool DeleteFile(const std::string& path);
// Renames (replacing an existing target); true on success.
bool RenameFile(const std::string& from, const std::string& to);
// Copies the file's bytes to `to` (written atomically). Throws the file errors.
void CopyFile(const std::string& from, const std::string& to);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);

// Replaces the file at path with what writer writes: a temporary file in the same folder is written,
// flushed to the disk and renamed over the target (a symbolic link is followed; the target's
// permission bits are kept). On any failure the temporary file is removed, the old file is left
// exactly as it was, and EFCreateError / EWriteError is thrown naming the file and the reason. A target
// that is read-only (see IsFileReadOnly) is refused with EFCreateError. A pipe or a device is written
// into in place (a FIFO without a reader fails at once with EFCreateError).
void WriteFileAtomic(const std::string& path, const std::function<void(TStream&)>& writer);
void WriteFileAtomic(const std::string& path, std::string_view bytes);
// Removes the temporary files that writes of path (as WriteFileAtomic makes them) left behind when
// they were interrupted (the program was killed); a file a running write still holds is left alone.
void RemoveStaleTemporaryFiles(const std::string& path);
