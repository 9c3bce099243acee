// Safe replacement of files by the file commands, the warning before a file
// cut short on reading is written back, and the recovery files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "editor/commands.hpp"
#include "editor/corefiles.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/recovery.hpp"
#include "editor/safewrite.hpp"
#include "editor/store.hpp"
#include "filefixture.hpp"

namespace safewrite_test {

using namespace oxa;
namespace fs = std::filesystem;

class SafeWrite : public oxatest::FileFixture {
  protected:
    void SetUp() override {
        FileFixture::SetUp();
        safewritelimit = -1;
    }
    void TearDown() override {
        safewritelimit = -1;
        FileFixture::TearDown();
    }

    // Adds a line of text at the end of the current corefile.
    void addline(const std::string& text) {
        COREFILE& c = cur();
        c.lnptr = c.header->up;
        for (size_t i = 0; i < text.size(); ++i) textbase[static_cast<size_t>(avail) + i] = text[i];
        ASSERT_TRUE(allocln(text.empty() ? K_EMPTY : K_TEXT, static_cast<int32_t>(text.size())));
        if (!text.empty()) linkphys();
        c.edited = 1;
    }
};

// A write that fails part way (the disk full) leaves the old file as it was,
// no temporary file behind, the failure shown and the corefile unsaved.
TEST_F(SafeWrite, AFailedWriteKeepsTheOldFile) {
    std::string old;
    for (int i = 0; i < 4000; ++i) old += "original line " + std::to_string(i) + "\n";
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "new text " + std::to_string(i) + "\n";
    struct Case {
        const char* command;
        void (*checker)();
        void (*op)();
        int64_t size; // of the whole new file
    };
    const int64_t joined = static_cast<int64_t>(old.size() + text.size());
    const Case commands[] = {{"OVERWRITE", fpw, ovrwritefile, static_cast<int64_t>(text.size())},
                             {"JOIN", fpw, join, joined}};
    for (const Case& k : commands) {
        for (int64_t limit : {int64_t{0}, int64_t{1}, int64_t{4096}, k.size / 2, k.size - 1}) {
            resetstore();
            write("src", text);
            fetch("src");
            cur().edited = 1;
            write("target", old);
            ::chmod(path("target").c_str(), 0640);
            sent.clear();
            safewritelimit = limit;
            params(path("target"));
            run(k.checker, k.op, "\r\r");
            safewritelimit = -1;
            const std::string where = std::string(k.command) + " limit " + std::to_string(limit);
            EXPECT_EQ(read("target"), old) << where;
            EXPECT_EQ(entries(), (std::set<std::string>{"src", "target"})) << where;
            EXPECT_NE(sent.find(" Write Failed "), std::string::npos) << where;
            EXPECT_EQ(cur().edited, 1) << where;
            struct stat st {};
            ASSERT_EQ(::stat(path("target").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0640u) << where;
        }
    }
}

// SAVE onto a full disk leaves no partial file: the empty file that the name
// check made goes too, so the same SAVE can be tried again.
TEST_F(SafeWrite, AFailedSaveLeavesNoFile) {
    write("src", "one\ntwo\n");
    fetch("src");
    cur().edited = 1;
    safewritelimit = 3;
    params(path("new"));
    run(faw, savefile);
    EXPECT_EQ(entries(), (std::set<std::string>{"src"}));
    EXPECT_EQ(cur().edited, 1);
    safewritelimit = -1;
    sent.clear();
    run(faw, savefile);
    EXPECT_EQ(read("new"), "one\ntwo\n");
    EXPECT_EQ(cur().edited, 0);
    EXPECT_EQ(sent, "");
}

// A good write replaces the file whole and keeps its permission bits; JOIN
// adds to what was there.
TEST_F(SafeWrite, AGoodWriteKeepsThePermissions) {
    write("src", "alpha\nbeta\n");
    fetch("src");
    struct Case {
        mode_t mode;
        void (*op)();
        std::string want;
    };
    const Case cases[] = {
        {0600, ovrwritefile, "alpha\nbeta\n"},
        {0755, ovrwritefile, "alpha\nbeta\n"},
        {0640, join, "old\nalpha\nbeta\n"},
        {0604, join, "old\nalpha\nbeta\n"},
    };
    for (const Case& k : cases) {
        write("target", "old\n");
        ::chmod(path("target").c_str(), k.mode);
        params(path("target"));
        run(fpw, k.op);
        EXPECT_EQ(read("target"), k.want);
        struct stat st {};
        ASSERT_EQ(::stat(path("target").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, k.mode);
        EXPECT_EQ(entries(), (std::set<std::string>{"src", "target"}));
    }
    EXPECT_EQ(sent.find(" Write Failed "), std::string::npos);
}

// Writing to a symbolic link replaces the file it points at; the link stays.
TEST_F(SafeWrite, ASymbolicLinkIsWrittenThrough) {
    fs::create_directory(dir / "real");
    write("real/file", "old\n");
    fs::create_symlink(dir / "real" / "file", dir / "link");
    write("src", "new\n");
    fetch("src");
    params(path("link"));
    run(fpw, ovrwritefile, "\r\r");
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(read("real/file"), "new\n");
    EXPECT_EQ(read("link"), "new\n");
    params(path("link"));
    run(fpw, join);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(read("real/file"), "new\nnew\n");
}

// A corefile cut short on reading asks before it is written back over its
// file (under any name that reaches the file); DELETE cancels.
TEST_F(SafeWrite, WritingBackATruncatedFileAsksFirst) {
    const std::string text = "0123456789\nabcdefghij\nABCDEFGHIJ\nlast\n";
    const char* warning = "File was truncated when fetched: writing it back loses its end";
    fs::create_symlink(dir / "f", dir / "alias");
    struct Case {
        const char* name;
        void (*op)();
        const char* answer;
        std::string want;
    };
    const Case cases[] = {
        {"f", ovrwritefile, "\x7f", text},
        {"f", ovrwritefile, "\r", "0123456789\nabcdefghij\n"},
        {"alias", ovrwritefile, "\r\x7f", text},
        {"f", join, "\x7f", text},
        {"f", join, "\r", text + "0123456789\nabcdefghij\n"},
    };
    for (const Case& k : cases) {
        resetstore();
        write("f", text);
        hiaddr = 25;
        fetch("f");
        hiaddr = HIADDR;
        cur().edited = 1;
        sent.clear();
        params(path(k.name));
        run(fpw, k.op, k.answer);
        EXPECT_EQ(read("f"), k.want) << k.name << " " << k.answer;
        EXPECT_NE(sent.find(warning), std::string::npos) << k.name << " " << k.answer;
        if (k.answer[std::strlen(k.answer) - 1] == '\x7f') {
            EXPECT_EQ(sent.find(" Write Failed "), std::string::npos);
            EXPECT_EQ(cur().edited, 1);
        }
    }
    // Another file is written without a question, and so is the file once
    // the corefile has been fetched whole.
    resetstore();
    write("f", text);
    hiaddr = 25;
    fetch("f");
    hiaddr = HIADDR;
    write("other", "x\n");
    sent.clear();
    params(path("other"));
    run(fpw, ovrwritefile, "\r");
    EXPECT_EQ(sent.find(warning), std::string::npos);
    fetch("f");
    sent.clear();
    params(path("f"));
    run(fpw, ovrwritefile);
    EXPECT_EQ(sent, "");
    EXPECT_EQ(read("f"), text);
}

// Recovery files: beside the named file, in the working directory for an
// unnamed corefile, in $HOME when the first place cannot be written.
TEST_F(SafeWrite, RecoveryFiles) {
    const std::string home = path("home");
    fs::create_directory(home);
    const char* oldhome = std::getenv("HOME");
    const std::string keephome = oldhome ? oldhome : "";
    ::setenv("HOME", home.c_str(), 1);
    setfatalsig();
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int s : {SIGTERM, SIGHUP, SIGQUIT}) sigaction(s, &dfl, nullptr);
    if (oldhome) ::setenv("HOME", keephome.c_str(), 1);

    write("doc", "\\rrec|ord\nplain\n");
    fetch("doc");
    addline("added   ");
    char got[4096];
    ASSERT_TRUE(writerecovery(corenum, got, sizeof got));
    EXPECT_EQ(std::string(got), path("doc") + ".oxa-save");
    EXPECT_EQ(read("doc.oxa-save"), "\\rrec|ord\nplain\nadded\n");
    struct stat st {};
    ASSERT_EQ(::stat(got, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A name whose directory is gone falls back to $HOME.
    params(path("gone/doc"));
    nmeset();
    ASSERT_TRUE(writerecovery(corenum, got, sizeof got));
    EXPECT_EQ(std::string(got), home + "/doc.oxa-save");
    EXPECT_EQ(read("home/doc.oxa-save"), "\\rrec|ord\nplain\nadded\n");

    // An earlier recovery file is kept: the next number is taken.
    ASSERT_TRUE(writerecovery(corenum, got, sizeof got));
    EXPECT_EQ(std::string(got), home + "/doc.2.oxa-save");
    EXPECT_EQ(read("home/doc.oxa-save"), "\\rrec|ord\nplain\nadded\n");

    // An unnamed corefile is written in the working directory, named by its
    // full path.
    const fs::path keepcwd = fs::current_path();
    fs::current_path(dir);
    noteworkdir();
    corenum = 3;
    addline("three");
    ASSERT_TRUE(writerecovery(3, got, sizeof got));
    fs::current_path(keepcwd);
    noteworkdir();
    EXPECT_EQ(std::string(got), fs::canonical(dir).string() + "/oxa-corefile-3.oxa-save");
    EXPECT_EQ(read("oxa-corefile-3.oxa-save"), "\nthree\n");
    EXPECT_EQ(checkstore(), "");
}

// A move to another file system is a copy under the exact name (no shell
// reads it), synced before the old file goes; a failed move leaves both
// names as they were.
TEST_F(SafeWrite, MoveCopiesUnderTheExactName) {
    const std::string names[] = {"new\nline", "it's", "-dash", "$x `y`", "a b"};
    for (const std::string& name : names) {
        write("from", "text\n");
        ::chmod(path("from").c_str(), 0604);
        int error = 0;
        ASSERT_TRUE(movefile(path("from").c_str(), path(name).c_str(), error)) << name;
        EXPECT_EQ(read(name), "text\n") << name;
        struct stat st {};
        ASSERT_EQ(::stat(path(name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0604u) << name;
        EXPECT_FALSE(fs::exists(path("from"))) << name;
    }
    write("from", "text\n");
    int error = 0;
    EXPECT_FALSE(movefile(path("from").c_str(), path("nodir/to").c_str(), error));
    EXPECT_EQ(failreason(error), "No such file or directory");
    EXPECT_EQ(read("from"), "text\n");
    ::mkfifo(path("fifo").c_str(), 0600);
    EXPECT_FALSE(movefile(path("fifo").c_str(), path("to").c_str(), error));
    EXPECT_EQ(failreason(error), "not a regular file");
    EXPECT_FALSE(fs::exists(path("to")));
}

} // namespace safewrite_test
