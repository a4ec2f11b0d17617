// Files that replace their target only once complete: a failed write keeps the old file, a link at a
// temporary name is never followed, and every writer of the core and of vandor-cli goes this way.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "assembler/assembler.h"
#include "common/atomic_file.h"
#include "hexfile/hexfile.h"
#include "machine/simulator.h"
#include "support/file_size_limit.h"
#include "support/test_files.h"

namespace vandor {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

using test::FileSizeLimit;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vandor-atomic-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
};

TEST_F(AtomicFileTest, CommitReplacesAndLeavesNoTemporary) {
    writeFile(dir / "f.txt", "old");
    {
        AtomicFile f(path("f.txt"));
        ASSERT_TRUE(f.isOpen());
        EXPECT_EQ(fs::path(f.writingPath()).parent_path(), dir);
        EXPECT_NE(f.writingPath(), path("f.txt"));
        f.write("new ");
        f.write(std::string(200000, 'x'));  // past the buffer
        EXPECT_EQ(readFile(dir / "f.txt"), "old");  // nothing replaced before the commit
        EXPECT_TRUE(f.commit());
    }
    EXPECT_EQ(readFile(dir / "f.txt"), "new " + std::string(200000, 'x'));
    EXPECT_EQ(names(), std::vector<std::string>{"f.txt"});
    // The new file has the permissions a plain creation would give (the umask applies), not 0600.
    struct stat st {};
    ASSERT_EQ(::stat(path("f.txt").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(AtomicFileTest, WithoutCommitTheOldFileStays) {
    writeFile(dir / "f.txt", "old");
    {
        AtomicFile f(path("f.txt"));
        f.write("half");
    }
    EXPECT_EQ(readFile(dir / "f.txt"), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"f.txt"});
}

TEST_F(AtomicFileTest, FailedWriteKeepsTheOldFile) {
    writeFile(dir / "f.txt", "old");
    {
        FileSizeLimit limit(1000);
        AtomicFile f(path("f.txt"));
        ASSERT_TRUE(f.isOpen());
        f.write(std::string(5000, 'y'));
        EXPECT_FALSE(f.commit());
    }
    EXPECT_EQ(readFile(dir / "f.txt"), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"f.txt"});
}

TEST_F(AtomicFileTest, BadTargets) {
    AtomicFile missing(path("no/such/folder/f.txt"));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.commit());
    fs::create_directory(dir / "folder");
    {
        AtomicFile folder(path("folder"));
        folder.write("x");
        EXPECT_FALSE(folder.commit());
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(names(), std::vector<std::string>{"folder"});
}

// A temporary name is always new and a plain file: two writers of one target never meet, and links left
// at the names earlier versions used are never written through.
TEST_F(AtomicFileTest, TemporariesAreNewFilesNeverLinks) {
    writeFile(dir / "victim", "keep");
    for (const char* stale : {"P.HEX.tmp~", "P.LST.tmp~", "r.json.tmp", "t.txt.tmp"})
        fs::create_symlink(dir / "victim", dir / stale);
    std::set<std::string> temporaries;
    for (int i = 0; i < 50; ++i) {
        AtomicFile f(path("P.HEX"));
        ASSERT_TRUE(f.isOpen());
        EXPECT_FALSE(fs::is_symlink(f.writingPath()));
        EXPECT_TRUE(fs::is_regular_file(f.writingPath()));
        temporaries.insert(f.writingPath());
    }
    EXPECT_EQ(temporaries.size(), 50u);

    CodeImage image;
    image.fill(-1);
    image[0] = 0x76;
    StringSink filehex;
    CollectingMessages messages;
    EXPECT_TRUE(creafilehex(image, path("P.HEX"), filehex, messages));
    EXPECT_TRUE(creafilelst("LISTADO", path("P.LST"), messages));
    EXPECT_TRUE(writeFileReplacing(path("r.json"), {"{}"}));
    Simulator sim;
    sim.step();
    EXPECT_TRUE(sim.trace.save(path("t.txt")));
    EXPECT_EQ(readFile(dir / "victim"), "keep");
    EXPECT_TRUE(fs::is_symlink(dir / "P.HEX.tmp~"));
    EXPECT_EQ(readFile(dir / "P.HEX"), ":010000007689\r\n:00000001FF\r\n");
}

// A link to a file: the file it points to is replaced, the link stays a link.
TEST_F(AtomicFileTest, LinkedTargetReplacesTheFileItPointsTo) {
    fs::create_directory(dir / "real");
    writeFile(dir / "real/f.txt", "old");
    fs::create_symlink(dir / "real/f.txt", dir / "link.txt");
    EXPECT_TRUE(writeFileReplacing(path("link.txt"), {"new"}));
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(readFile(dir / "real/f.txt"), "new");
}

// Devices are written directly: /dev/null stays the device.
TEST_F(AtomicFileTest, DevicesAreWrittenInPlace) {
    AtomicFile f("/dev/null");
    ASSERT_TRUE(f.isOpen());
    EXPECT_EQ(f.writingPath(), "/dev/null");
    EXPECT_TRUE(f.write(std::string(100000, 'z')));
    EXPECT_TRUE(f.commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// DirectWhenNew: a new file shows its rows as they are flushed; an existing one is replaced at the end.
TEST_F(AtomicFileTest, DirectWhenNew) {
    {
        AtomicFile f(path("new.csv"), AtomicFile::Mode::DirectWhenNew);
        EXPECT_EQ(f.writingPath(), path("new.csv"));
        f.write("a\r\n");
        f.flush();
        EXPECT_EQ(readFile(dir / "new.csv"), "a\r\n");
        EXPECT_TRUE(f.commit());
    }
    writeFile(dir / "old.csv", "old");
    {
        AtomicFile f(path("old.csv"), AtomicFile::Mode::DirectWhenNew);
        EXPECT_NE(f.writingPath(), path("old.csv"));
        f.write("b");
        f.flush();
        EXPECT_EQ(readFile(dir / "old.csv"), "old");
        EXPECT_TRUE(f.commit());
    }
    EXPECT_EQ(readFile(dir / "old.csv"), "b");
    // A link at the target's name stands for the file it points to: that file exists, so it is replaced
    // at the end, and the link stays.
    writeFile(dir / "victim", "keep");
    fs::create_symlink(dir / "victim", dir / "l.csv");
    {
        AtomicFile f(path("l.csv"), AtomicFile::Mode::DirectWhenNew);
        EXPECT_NE(f.writingPath(), path("victim"));
        f.write("c");
        EXPECT_TRUE(f.commit());
    }
    EXPECT_TRUE(fs::is_symlink(dir / "l.csv"));
    EXPECT_EQ(readFile(dir / "victim"), "c");
}

// Every writer keeps the old file when its write fails (a full disk, here a file size limit).
TEST_F(AtomicFileTest, WritersKeepTheOldFileOnFailure) {
    const std::string old = "old file";
    for (const char* name : {"P.HEX", "P.LST", "t.txt", "m.dump", "r.json"}) writeFile(dir / name, old);
    CodeImage image;
    image.fill(0x3E);  // 64 KiB of code: records far past the limit
    Simulator sim;
    for (int i = 0; i < 2000; ++i) sim.step();
    StringSink filehex;
    CollectingMessages messages;
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(creafilehex(image, path("P.HEX"), filehex, messages));
        EXPECT_FALSE(creafilelst(std::string(10000, 'L'), path("P.LST"), messages));
        EXPECT_FALSE(sim.trace.save(path("t.txt")));
        EXPECT_FALSE(writeFileReplacing(path("m.dump"), {std::string(70000, '\0')}));
        EXPECT_FALSE(writeFileReplacing(path("r.json"), {std::string(10000, '{')}));
    }
    EXPECT_EQ(messages.messages, (std::vector<std::string>{"Error creando fichero", "Error creando fichero"}));
    for (const char* name : {"P.HEX", "P.LST", "t.txt", "m.dump", "r.json"}) EXPECT_EQ(readFile(dir / name), old) << name;
    EXPECT_EQ(names(), (std::vector<std::string>{"P.HEX", "P.LST", "m.dump", "r.json", "t.txt"}));
}

}  // namespace
}  // namespace vandor
