#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace plat {
// Paths from data files and scripts were written with backslashes; on Linux
// every one of them becomes '/'.
std::string ForwardSlashes(std::string path);

// The kinds of file the game reads, each with a size cap of its own
// (FileSizeCap; the figures are in this folder's README).
enum class FileKind : std::uint8_t {
    Image,   // textures
    XFile,   // .x meshes, characters, animations and surfaces
    Effect,  // compiled effects, effect sources and their includes
    Script,    // console command files
    Settings,  // settings.txt
};
std::uint64_t FileSizeCap(FileKind kind);

// What is found at a path, following symbolic links.
enum class FileLook : std::uint8_t {
    Missing,     // nothing of that name ("no such file", or a folder on the way is a file)
    Regular,     // a regular file
    NotRegular,  // a folder, a FIFO, a device, a socket
    Unreadable,  // the system cannot tell: a loop of symbolic links, a folder
                 // on the way that may not be searched, an I/O error
};
// Every "is it there" of the game asks here, so that only a file that truly
// is not there passes for missing; for Unreadable, why gets the one line
// that names the file and the reason ("<path>: cannot be read (<reason>)").
FileLook LookForFile(const std::string& path, std::string* why = nullptr);
// Whether a reader that looks in several places should take this one: a
// regular file, or one the system cannot look at, whose reader then names
// the reason instead of another file being taken in silence.
inline bool TakeToRead(FileLook look) { return look == FileLook::Regular || look == FileLook::Unreadable; }

// A descriptor for reading the file, or -1 when it cannot be opened or is no
// regular file (a folder, a FIFO, a device), with the reason in why. Opening
// never blocks. For readers that stream a file (sounds) rather than read it
// whole; the caller closes the descriptor. size, when given, gets the
// file's size as it was opened.
int OpenRegularFile(const std::string& path, std::string* why, std::uint64_t* size = nullptr);

// The whole file as bytes; false (contents untouched) when it cannot be
// opened or read, is no regular file (a folder, a FIFO, a device: nothing
// that could block or never end) or holds more than the cap of its kind.
// why, when given, then says which in one line naming the file.
bool ReadWholeFile(const std::string& path, std::string& contents, FileKind kind = FileKind::XFile,
                   std::string* why = nullptr);
// The same, for a caller that names the file in its own words: reason says
// only why ("a FIFO, not a regular file").
bool ReadRegularFile(const std::string& path, std::string& contents, FileKind kind, std::string* reason);
// The one line that says a file could not be read: "<name>: cannot be read (<reason>)".
std::string CannotBeRead(std::string_view name, std::string_view reason);
// How many files ReadWholeFile has tried to open since the program started:
// every texture, mesh, effect and data file is read through it, so a steady
// frame adds nothing here.
std::uint64_t FilesOpened();

// Writes contents to a temporary file in path's folder (in its save folder
// ".saving", which only saves use) and renames it over path, so that a
// failure (reported with a reason in error) never leaves a truncated file
// where a good one was.
bool ReplaceFile(const std::string& path, std::string_view contents, std::string* error);

// Files that belong together (a character and its surface): every one is
// written to its temporary file before any is renamed over its old file, so
// that a failure (reported with a reason in error) leaves the whole set as
// it was, never some files new and some old. Once all are written, a
// journal names them, so that a kill half way through the renames is
// finished by the next start (FinishInterruptedSaves).
struct FileWrite {
    std::string path;
    std::string_view contents;
};
bool ReplaceFiles(std::span<const FileWrite> files, std::string* error);

// At the start, for the folders saves write into: a set of files that a kill
// stopped half way is finished (or, when a rename of it had failed, put
// back), each in one line of the error stream, and what killed saves left in
// the save folders is removed. Nothing outside the save folders is removed.
void FinishInterruptedSaves(std::span<const std::string> folders);
}  // namespace plat
