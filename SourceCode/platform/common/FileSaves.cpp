// Saving files: each through a temporary file renamed over the old one, and
// files that belong together (a character and its surface) as one save,
// which a kill at any instant leaves old or new at the next start.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

// While a save runs, each folder it writes into holds its own files in this
// folder: the temporaries, the second names of the old files and the
// journal. Nothing else is ever put there, so what a killed save leaves
// there is its own, and the next start removes it (and nothing of the
// author's beside it).
constexpr char kSaveFolder[] = ".saving";
// A journal: the set's temporaries are all written; the renames go forward.
constexpr char kForward[] = ".journal";
// A set whose rename failed: the old files go back.
constexpr char kBack[] = ".undo";
constexpr char kJournalHead[] = "save journal 1";

// For tests that kill a save at every instant: the process kills itself just
// before this step (counted from 1 over every folder made, file made, write,
// second name, rename and removal of the saves) when the environment names
// one.
void Step() {
    static const long killAt = [] {
        const char* text = std::getenv("TOLLYMOP_KILL_AT_SAVE_STEP");
        return text ? std::atol(text) : 0L;
    }();
    static long steps = 0;
    if (killAt > 0 && ++steps == killAt) ::raise(SIGKILL);
}

bool Failed(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

std::string FolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

std::string SaveFolderOf(const std::string& path) { return FolderOf(path) + "/" + kSaveFolder; }

bool WriteAll(int fd, std::string_view contents) {
    std::size_t done = 0;
    Step();
    while (done < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// contents in a new file of the save folder beside path, its name made from
// pattern (ending in "XXXXXX"), with the usual rights; its name, or "" (the
// reason in error, naming path) when it cannot be written whole.
std::string WriteInSaveFolder(const std::string& path, const std::string& pattern, std::string_view contents,
                              std::string* error) {
    const std::string folder = SaveFolderOf(path);
    Step();
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        Failed(error, path + ": cannot create a temporary file");
        return "";
    }
    std::string temp = folder + "/" + pattern;
    Step();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        Failed(error, path + ": cannot create a temporary file");
        ::rmdir(folder.c_str());
        return "";
    }
    bool written = WriteAll(fd, contents) && ::fsync(fd) == 0;
    int savedErrno = errno;
    written = ::close(fd) == 0 && written;
    if (!written) {
        errno = savedErrno;
        Failed(error, path + ": cannot write the file");
        ::unlink(temp.c_str());
        // Gone unless another file of the save is in it.
        ::rmdir(folder.c_str());
        return "";
    }
    // mkstemp makes the file private; a saved file gets the usual rights.
    ::chmod(temp.c_str(), 0644);
    return temp;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// One file of a ReplaceFiles on its way: its temporary file and, while the
// others are renamed, a second name of the file it replaces.
struct Replacement {
    const FileWrite* write;
    std::string temp;
    std::string old;      // "" when there was no old file, or no second name for it
    bool existed = true;  // whether there was an old file
};

// A path as the journal holds it: from the folder of the set's first file,
// so that the game's folder may move between the kill and the next start.
std::string FromBase(const fs::path& base, const std::string& path) {
    if (path.empty()) return "";
    std::error_code ec;
    const fs::path relative =
        fs::absolute(path, ec).lexically_normal().lexically_relative(fs::absolute(base, ec).lexically_normal());
    return relative.empty() ? fs::absolute(path, ec).string() : relative.string();
}

// The journal of a set, in the save folder of its first file: its head,
// then for each file its target, its temporary, the second name of its old
// file ("" for none) and "1" when there was an old file, each ended by a
// NUL. Written whole before it takes its name, so that a journal there is
// always whole. Its name, or "" (the reason in error).
std::string WriteJournal(const std::vector<Replacement>& replacements, std::string* error) {
    const std::string& first = replacements.front().write->path;
    const fs::path base = FolderOf(first);
    std::string text = std::string(kJournalHead) + '\0';
    for (const Replacement& r : replacements) {
        for (const std::string& path : {r.write->path, r.temp, r.old}) text += FromBase(base, path) + '\0';
        text += std::string(r.existed ? "1" : "0") + '\0';
    }
    const std::string written = WriteInSaveFolder(first, "save.XXXXXX", text, error);
    if (written.empty()) return "";
    const std::string journal = written + kForward;
    Step();
    if (::rename(written.c_str(), journal.c_str()) != 0) {
        Failed(error, first + ": cannot write the save's journal");
        ::unlink(written.c_str());
        return "";
    }
    SyncFolder(SaveFolderOf(first));
    return journal;
}

struct JournalEntry {
    std::string target, temp, old;
    bool existed = true;
};

std::optional<std::vector<JournalEntry>> ReadJournal(const fs::path& journal, const fs::path& base) {
    std::string text;
    if (!ReadWholeFile(journal.string(), text, FileKind::Settings)) return std::nullopt;
    std::vector<std::string> fields;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\0', at);
        if (end == std::string::npos) return std::nullopt;
        fields.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (fields.empty() || fields[0] != kJournalHead || (fields.size() - 1) % 4 != 0) return std::nullopt;
    auto resolve = [&base](const std::string& path) { return path.empty() ? path : (base / path).lexically_normal().string(); };
    std::vector<JournalEntry> entries;
    for (std::size_t i = 1; i < fields.size(); i += 4)
        entries.push_back({resolve(fields[i]), resolve(fields[i + 1]), resolve(fields[i + 2]), fields[i + 3] == "1"});
    return entries;
}

bool Exists(const std::string& path) {
    struct stat status {};
    return !path.empty() && ::lstat(path.c_str(), &status) == 0;
}

// The old files back in their places; a file that had none goes.
void PutBack(const std::vector<JournalEntry>& entries) {
    for (const JournalEntry& e : entries) {
        // A file not yet replaced is its own second name: the rename leaves
        // it as it is.
        if (Exists(e.old)) ::rename(e.old.c_str(), e.target.c_str());
        else if (!e.existed) ::unlink(e.target.c_str());
        // An old file without a second name stays replaced: new and whole.
    }
}

// Every temporary still there renamed over its file; false when one cannot be.
bool GoForward(const std::vector<JournalEntry>& entries) {
    for (const JournalEntry& e : entries)
        if (Exists(e.temp) && ::rename(e.temp.c_str(), e.target.c_str()) != 0) return false;
    return true;
}

std::string Targets(const std::vector<JournalEntry>& entries) {
    std::string text;
    for (const JournalEntry& e : entries) text += (text.empty() ? "" : ", ") + e.target;
    return text;
}

// A set's journal found at the start: the set is finished, or put back when
// it was being put back or cannot be finished.
void Recover(const fs::path& journal, const fs::path& base) {
    const std::optional<std::vector<JournalEntry>> entries = ReadJournal(journal, base);
    if (!entries) {
        LogError("Error: " + journal.string() +
                 ": a save's journal that cannot be read; its files are as the save left them");
        return;
    }
    if (journal.extension() == kForward && GoForward(*entries)) {
        LogError("A save that was stopped before it ended is finished: " + Targets(*entries));
        return;
    }
    if (journal.extension() == kForward) {
        fs::path back = journal;
        ::rename(journal.c_str(), back.replace_extension(kBack).c_str());
    }
    PutBack(*entries);
    LogError("A save that was stopped before it ended is undone, the old files kept: " + Targets(*entries));
}

// The save folder of folder emptied and removed.
void RemoveSaveFolder(const fs::path& folder) {
    const fs::path saving = folder / kSaveFolder;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(saving, ec))
        if (!entry.is_directory(ec)) ::unlink(entry.path().c_str());
    ::rmdir(saving.c_str());
}

// The save folders of the set, removed when empty.
void TidySaveFolders(const std::vector<Replacement>& replacements) {
    for (const Replacement& r : replacements) {
        Step();
        ::rmdir(SaveFolderOf(r.write->path).c_str());
    }
}

void Unlink(const std::string& path) {
    if (path.empty()) return;
    Step();
    ::unlink(path.c_str());
}
}  // namespace

bool ReplaceFiles(std::span<const FileWrite> files, std::string* error) {
    std::vector<Replacement> replacements;
    auto giveUp = [&replacements](std::size_t fromTemp) {
        for (std::size_t i = 0; i < replacements.size(); ++i) {
            if (i >= fromTemp) ::unlink(replacements[i].temp.c_str());
            if (!replacements[i].old.empty()) ::unlink(replacements[i].old.c_str());
        }
        TidySaveFolders(replacements);
        return false;
    };
    // Every file written before any is replaced: a full disk changes nothing.
    for (const FileWrite& file : files) {
        const std::string name = fs::path(file.path).filename().string();
        std::string temp = WriteInSaveFolder(file.path, name + ".XXXXXX", file.contents, error);
        if (temp.empty()) return giveUp(0);
        replacements.push_back({&file, std::move(temp), "", LookForFile(file.path) != FileLook::Missing});
    }
    // A set: the old files keep a second name until all are replaced, so
    // that a rename that fails half way puts the set back as it was; the
    // journal, once whole, lets the next start finish a set that a kill
    // stopped half way. One file's rename is whole or not done at all.
    std::string journal;
    if (replacements.size() > 1) {
        for (Replacement& r : replacements) {
            Step();
            if (std::string old = r.temp + ".old"; ::link(r.write->path.c_str(), old.c_str()) == 0) r.old = old;
        }
        journal = WriteJournal(replacements, error);
        if (journal.empty()) return giveUp(0);
    }
    for (std::size_t i = 0; i < replacements.size(); ++i) {
        Step();
        if (::rename(replacements[i].temp.c_str(), replacements[i].write->path.c_str()) == 0) continue;
        Failed(error, replacements[i].write->path + ": cannot replace the file");
        std::vector<JournalEntry> entries;
        for (const Replacement& r : replacements) entries.push_back({r.write->path, r.temp, r.old, r.existed});
        if (!journal.empty()) {
            // From here the next start puts the old files back too.
            std::string back = journal.substr(0, journal.size() - std::strlen(kForward)) + kBack;
            Step();
            if (::rename(journal.c_str(), back.c_str()) == 0) journal = back;
        }
        PutBack(entries);
        Unlink(journal);
        return giveUp(i);
    }
    Unlink(journal);
    for (const Replacement& r : replacements) Unlink(r.old);
    TidySaveFolders(replacements);
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view contents, std::string* error) {
    const FileWrite file{path, contents};
    return ReplaceFiles(std::span<const FileWrite>(&file, 1), error);
}

void FinishInterruptedSaves(std::span<const std::string> folders) {
    // Every journal first: a set's temporaries may lie in another of the
    // folders.
    for (const std::string& folder : folders) {
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(folder) / kSaveFolder, ec)) {
            const fs::path ext = entry.path().extension();
            if (ext == kForward || ext == kBack) Recover(entry.path(), folder);
        }
    }
    for (const std::string& folder : folders) RemoveSaveFolder(folder);
}

}  // namespace plat
