// The one reader of the game's files takes regular files of a bounded size:
// anything else is refused at once, in one line naming the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/common/Files.h"
#include "support/TempDir.h"

TEST(ReadWholeFile, FoldersFifosAndDevicesAreRefusedWithoutWaiting) {
    ScopedTempDir dir;
    std::filesystem::create_directory("folder.x");
    ASSERT_EQ(::mkfifo("pipe.png", 0600), 0);
    const struct {
        const char* path;
        const char* why;
    } cases[] = {
        {"folder.x", "folder.x: cannot be read (a folder, not a regular file)"},
        // Nobody ever writes to it: a reader that opened it blocking would
        // wait here for good.
        {"pipe.png", "pipe.png: cannot be read (a FIFO, not a regular file)"},
        {"/dev/null", "/dev/null: cannot be read (a device, not a regular file)"},
        {"missing.x", "missing.x: cannot be read (No such file or directory)"},
    };
    for (const auto& c : cases) {
        std::string contents = "kept", why;
        EXPECT_FALSE(plat::ReadWholeFile(c.path, contents, plat::FileKind::Image, &why)) << c.path;
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(contents, "kept");
    }
}

TEST(ReadWholeFile, AFileOverTheCapOfItsKindIsRefusedAndOneAtItIsRead) {
    ScopedTempDir dir;
    const std::uint64_t cap = plat::FileSizeCap(plat::FileKind::Effect);
    for (std::uint64_t size : {cap, cap + 1}) {
        // Sparse: the size costs no disk.
        const int fd = ::open("effect.fxo", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(size)), 0);
        ::close(fd);
        std::string contents, why;
        const bool read = plat::ReadWholeFile("effect.fxo", contents, plat::FileKind::Effect, &why);
        if (size == cap) {
            EXPECT_TRUE(read) << why;
            EXPECT_EQ(contents.size(), cap);
        } else {
            EXPECT_FALSE(read);
            EXPECT_EQ(why, "effect.fxo: cannot be read (it holds " + std::to_string(cap + 1) +
                               " bytes, more than the 16 MB an effect file may hold)");
        }
    }
}

// Files saved as a set (a character and its surface) are all new or all
// old: a rename that fails half way puts back the files already replaced.
TEST(ReplaceFiles, ARenameThatFailsHalfWayLeavesEveryOldFile) {
    ScopedTempDir dir;
    std::ofstream("pair.x") << "old character";
    // A folder with a file in it takes no file's place.
    std::filesystem::create_directories("pair.sur/in");
    const plat::FileWrite files[] = {{"pair.x", "new character"}, {"pair.sur", "new surface"}};
    std::string error;
    EXPECT_FALSE(plat::ReplaceFiles(files, &error));
    EXPECT_EQ(error.rfind("pair.sur: cannot replace the file: ", 0), 0u) << error;
    std::ifstream in("pair.x");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old character");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) ++entries;
    EXPECT_EQ(entries, 2u) << "no temporary file or second name is left";
}
