// No file or unsaved text lost, no link followed: UPDATE, OVERWRITE and
// NEWNAME on full or other file systems and on files that are not plain,
// recovery files that never replace one another, the debug dump, start-up
// names, what FETCH tells of text it cannot give back, and the messages that
// say what failed and where.
#include "harness.hpp"

#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <set>

namespace filesafety_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::emits;
using oxatest::runoxa;
using oxatest::entries;
using oxatest::writefile;
namespace fs = std::filesystem;

mode_t modeof(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode : 0;
}

Result run(std::vector<std::string> args, std::string keys, std::vector<Fixture> files = {}) {
    return runoxa({.args = std::move(args), .keys = std::move(keys), .files = std::move(files),
                   .framed = false});
}

bool says(const Result& r, const std::string& text) {
    return r.out.find(text) != std::string::npos;
}

// A small file system of its own in `dir`/d (a tmpfs of `size`); `ok` false
// where mounting is not allowed.
struct SmallDisk {
    fs::path path;
    bool ok = false;
    SmallDisk(const fs::path& dir, const char* size) : path(dir / "d") {
        fs::create_directory(path);
        ok = ::mount("tmpfs", path.c_str(), "tmpfs", 0, size) == 0;
    }
    ~SmallDisk() {
        if (ok) ::umount2(path.c_str(), MNT_DETACH);
    }
};

// Sets an environment variable for the programs run while it lives.
struct Env {
    std::string name;
    std::string old;
    bool had;
    Env(const char* n, const std::string& value) : name(n) {
        const char* v = std::getenv(n);
        had = v != nullptr;
        if (had) old = v;
        ::setenv(n, value.c_str(), 1);
    }
    ~Env() {
        if (had)
            ::setenv(name.c_str(), old.c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
};

std::string lines(const char* word, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += std::string(word) + " " + std::to_string(i) + "\n";
    return s;
}

// UPDATE writes the new text first: on a full disk the file keeps its name
// and its text, and no backup is made.
TEST(FileSafety, UpdateOnAFullDiskKeepsTheFile) {
    oxatest::TempDir dir;
    SmallDisk disk(dir.path, "size=96k");
    if (!disk.ok) GTEST_SKIP() << "cannot mount a small file system here";
    const std::string old = lines("original", 4000).substr(0, 40000);
    writefile(disk.path / "doc.txt", old);
    writefile(disk.path / "filler", std::string(40000, 'f'));
    writefile(dir.path / "big.txt", lines("more", 5000));
    // CD into the run's directory keeps the names short.
    Result r = run({}, "{CMD}CD" + dir.path.string() + "{CR}{CMD}FEd/doc.txt{CR}{CMD}APbig.txt{CR}" +
                           "{CMD}UP{CR}{CR}{CR}");
    EXPECT_EQ(oxatest::readfile(disk.path / "doc.txt"), old);
    EXPECT_EQ(entries(disk.path), (std::set<std::string>{"doc.txt", "filler"}));
    EXPECT_TRUE(says(r, " Write Failed (d/doc.txt: No space left on device) ")) << r.out;
}

// UPDATE keeps the file's permission bits, writes through a symbolic link to
// its target, and keeps the old text in a plain file under the ".bak" name.
TEST(FileSafety, UpdateKeepsModeAndKind) {
    for (mode_t mode : {0600, 0755, 0640}) {
        oxatest::TempDir dir;
        writefile(dir.path / "doc.txt", "old\n");
        ::chmod((dir.path / "doc.txt").c_str(), mode);
        Result r = run({}, "{CMD}CD" + dir.path.string() +
                               "{CR}{CMD}FEdoc.txt{CR}{CR}new{CMD}UP{CR}");
        EXPECT_EQ(oxatest::readfile(dir.path / "doc.txt"), "new\n") << std::oct << mode;
        EXPECT_EQ(modeof(dir.path / "doc.txt") & 07777, mode) << std::oct << mode;
        EXPECT_EQ(oxatest::readfile(dir.path / "doc.txt.bak"), "old\n") << std::oct << mode;
        EXPECT_EQ(r.err, "") << std::oct << mode;  // saved
    }
    oxatest::TempDir dir;
    writefile(dir.path / "real.txt", "old\n");
    fs::create_symlink("real.txt", dir.path / "link.txt");
    run({}, "{CMD}CD" + dir.path.string() + "{CR}{CMD}FElink.txt{CR}{CR}new{CMD}UP{CR}");
    EXPECT_TRUE(fs::is_symlink(dir.path / "link.txt"));
    EXPECT_EQ(oxatest::readfile(dir.path / "real.txt"), "new\n");
    EXPECT_TRUE(S_ISREG(modeof(dir.path / "link.txt.bak")));
    EXPECT_EQ(oxatest::readfile(dir.path / "link.txt.bak"), "old\n");
}

// What is not a regular file is never replaced by one: OVERWRITE and JOIN of
// a FIFO or a device refuse with the name and the reason.
TEST(FileSafety, OnlyRegularFilesAreReplaced) {
    struct Case {
        const char* name;
        const char* command;
        bool fifo; // else a character device like /dev/null
    };
    const Case cases[] = {{"fifo", "OV", true}, {"fifo", "JO", true}, {"dev", "OV", false}};
    for (const Case& k : cases) {
        oxatest::TempDir dir;
        const fs::path p = dir.path / k.name;
        const int made = k.fifo ? ::mkfifo(p.c_str(), 0644)
                                : ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3));
        if (made != 0) {
            ADD_FAILURE() << "cannot make " << k.name;
            continue;
        }
        Result r = run({}, "{CMD}CD" + dir.path.string() + "{CR}{CR}text{CMD}" + k.command +
                               k.name + "{CR}{CR}{CR}");
        EXPECT_EQ(modeof(p) & S_IFMT, k.fifo ? S_IFIFO : S_IFCHR) << k.command << " " << k.name;
        EXPECT_TRUE(says(r, std::string(" Write Failed (") + k.name + ": not a regular file) "))
            << k.command << " " << k.name << ": " << r.out;
        EXPECT_EQ(entries(dir.path), (std::set<std::string>{k.name}));
    }
}

// A temporary file left by a program killed in mid-write (unlocked) goes
// with the next successful save of that file; one being written (locked)
// stays.
TEST(FileSafety, StaleTemporaryFilesGoOnTheNextSave) {
    oxatest::TempDir dir;
    writefile(dir.path / "doc.txt", "old\n");
    writefile(dir.path / ".doc.txt.oxa-AbC123", "half");
    writefile(dir.path / ".doc.txt.oxa-busy00", "being written");
    writefile(dir.path / ".other.oxa-Zz9999", "another file's");
    const int busy = ::open((dir.path / ".doc.txt.oxa-busy00").c_str(), O_RDONLY);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    run({}, "{CMD}CD" + dir.path.string() + "{CR}{CMD}FEdoc.txt{CR}{CR}new{CMD}OVdoc.txt{CR}");
    ::close(busy);
    EXPECT_EQ(oxatest::readfile(dir.path / "doc.txt"), "new\n");
    EXPECT_EQ(entries(dir.path),
              (std::set<std::string>{"doc.txt", ".doc.txt.oxa-busy00", ".other.oxa-Zz9999"}));
}

// NEWNAME to another file system moves the file under its exact name, with
// no shell between and no bound on the names' length.  The old names come
// from the start-up argument through "*" (a file field takes no blanks or
// quotes when typed).
TEST(FileSafety, NewnameAcrossFileSystemsKeepsEveryName) {
    oxatest::TempDir dir;
    SmallDisk disk(dir.path, "size=1m");
    if (!disk.ok) GTEST_SKIP() << "cannot mount a small file system here";
    const std::string names[] = {"a b.txt",   "it's.txt",     "q\"uote.txt",
                                 "$HOME.txt", "-dash.txt",    "`date`;x.txt",
                                 "new\nline", std::string(40, 'n') + ".txt"};
    int i = 0;
    for (const std::string& name : names) {
        const std::string to = (disk.path / ("m" + std::to_string(++i))).string();
        Result r = run({name}, "{CMD}NE*|" + to + "{CR}{CR}", {{name, "text of " + name + "\n"}});
        EXPECT_EQ(oxatest::readfile(to), "text of " + name + "\n") << name << r.out;
        EXPECT_FALSE(r.exists(name)) << name;
    }
    // The permission bits go with the file (an executable stays one).
    run({"p.txt"}, "{CMD}NE*|" + (disk.path / "p").string() + "{CR}{CR}",
        {{"p.txt", "p\n", true}});
    EXPECT_EQ(oxatest::readfile(disk.path / "p"), "p\n");
    EXPECT_NE(modeof(disk.path / "p") & S_IXUSR, 0u);
}

// Each refusal says what happened and to which name.
TEST(FileSafety, MessagesNameTheFileAndTheReason) {
    struct Case {
        const char* what;
        std::string keys;
        std::string message;
    };
    const Case cases[] = {
        {"SAVE into a missing folder", "{CR}x{CMD}SAnodir/x.txt{CR}{CR}",
         "Cannot create nodir/x.txt: No such file or directory"},
        {"NEWNAME into a missing folder", "{CMD}NEa.txt|nodir/b.txt{CR}{CR}",
         "Unable to rename a.txt to nodir/b.txt: No such file or directory"},
    };
    for (const Case& k : cases) {
        Result r = run({}, k.keys, {{"a.txt", "a\n"}});
        EXPECT_TRUE(says(r, k.message)) << k.what << ": " << r.out;
    }
}

// OVERWRITE on a read-only file system says why, and keeps the file.
TEST(FileSafety, OverwriteOnAReadOnlyFileSystemSaysWhy) {
    oxatest::TempDir dir;
    SmallDisk disk(dir.path, "size=64k");
    if (!disk.ok) GTEST_SKIP() << "cannot mount a small file system here";
    writefile(disk.path / "doc.txt", "old\n");
    ASSERT_EQ(::mount(nullptr, disk.path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    Result r = run({}, "{CMD}CD" + dir.path.string() + "{CR}{CMD}FEd/doc.txt{CR}{CR}new" +
                           "{CMD}OVd/doc.txt{CR}{CR}");
    EXPECT_TRUE(says(r, "Cannot write d/doc.txt: Read-only file system")) << r.out;
    EXPECT_EQ(oxatest::readfile(disk.path / "doc.txt"), "old\n");
}

// A name given at start-up opens the file it names, whatever it holds; a
// UTF-8 name is held as text is, and a name too long is refused with a word.
TEST(FileSafety, StartUpNamesOpenTheirFiles) {
    const std::string names[] = {"my notes.txt", "semi;colon.txt", "caf\xc3\xa9.txt",
                                 "pipe|bar.txt"};
    for (const std::string& name : names) {
        Result r = run({name}, "{CMD}EM{CR}", {{name, "inside\n"}});
        EXPECT_EQ(emits(r.out), (std::vector<std::string>{"inside\n"})) << name << r.out;
        EXPECT_EQ(r.err, "") << name;
    }
    // A new file under a UTF-8 name is made under that name.
    Result r = run({"d\xc3\xa9j\xc3\xa0.txt"}, "{CR}new{CMD}SA*{CR}");
    EXPECT_EQ(r.file("d\xc3\xa9j\xc3\xa0.txt"), "new\n");
    const std::string longname(49, 'x');
    r = run({longname}, "");
    EXPECT_TRUE(says(r, "File name too long (at most 48 characters).")) << r.out;
}

// A name typed on a UTF-8 keyboard is converted like text: SAVE makes the
// file under the UTF-8 name, and FETCH finds it again.
TEST(FileSafety, TypedNamesAreConvertedLikeText) {
    Result r = run({}, "{CR}mot{CMD}SAdict\xc3\xa9" "e.txt{CR}{CMD}FEdict\xc3\xa9" "e.txt{CR}"
                       "{CMD}EM{CR}");
    EXPECT_EQ(r.file("dict\xc3\xa9" "e.txt"), "mot\n");
    EXPECT_FALSE(r.exists("dict\xe9" "e.txt"));
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"mot\n"}));
    // A file made before under the single-byte name is still found by it.
    r = run({}, "{CMD}FEold\xc3\xa9.txt{CR}{CMD}EM{CR}", {{"old\xe9.txt", "kept\n"}});
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"kept\n"})) << r.out;
}

// FETCH tells what the corefile will not give back as it was.
TEST(FileSafety, FetchTellsWhatAWriteChanges) {
    struct Case {
        std::string content;
        std::string told; // "" when nothing is lost
    };
    const Case cases[] = {
        {"a\xff" "b\xff\n", "b.txt: 2 bytes 255 read as '?'; a write gives them back changed"},
        {"a\vb\n", "b.txt: 1 vertical tab read as a line end; a write gives them back changed"},
        {"a\rb\r\n",
         "b.txt: 1 carriage return dropped; a write gives them back changed"},
        {"plain\r\ntext\n", ""},
    };
    for (const Case& k : cases) {
        Result r = run({}, "{CMD}FEb.txt{CR}", {{"b.txt", k.content}});
        if (k.told.empty())
            EXPECT_FALSE(says(r, "a write gives them back changed")) << r.out;
        else
            EXPECT_TRUE(says(r, k.told)) << r.out;
    }
}

// A UTF-8 file that begins with the byte-order mark opens, and a write keeps
// the mark.
TEST(FileSafety, ByteOrderMarkIsAcceptedAndKept) {
    const std::string bom = "\xef\xbb\xbf";
    for (const std::string& text : {std::string("caf\xc3\xa9\n"), std::string("plain\n")}) {
        Result r = run({"b.txt"}, "{CMD}EM{CR}{CR}x{CMD}OVb.txt{CR}", {{"b.txt", bom + text}});
        ASSERT_EQ(emits(r.out).size(), 1u) << r.out;
        EXPECT_EQ(emits(r.out)[0].substr(0, 3), text.substr(0, 3));
        EXPECT_EQ(r.file("b.txt"), bom + "x" + text.substr(1));
    }
}

// RUN runs the file its checker found in the working directory, not one of
// the same name on the search path.
TEST(FileSafety, RunRunsTheFileItChecked) {
    oxatest::TempDir bin;
    writefile(bin.path / "prog", "#!/bin/sh\necho path > ran.txt\n");
    ::chmod((bin.path / "prog").c_str(), 0755);
    Env path("PATH", bin.path.string() + ":" + std::getenv("PATH"));
    Result r = runoxa({.keys = "{CMD}RUprog{CR}",
                       .files = {{"prog", "#!/bin/sh\necho here > ran.txt\n", true}},
                       .framed = false});
    EXPECT_EQ(r.file("ran.txt"), "here\n");
}

// The debug dump goes only to a file the user names: a new file readable by
// its owner, or an existing one when the user agrees; never through a link.
TEST(FileSafety, DebugDumpGoesWhereTheUserSays) {
    struct Case {
        const char* what;
        std::string keys;
        bool planted;        // dump.txt is a link to victim.txt
        bool existing;       // dump.txt exists as a file
        bool dumped;         // dump.txt holds the dump afterwards
    };
    const Case cases[] = {
        {"new file", "{28}dump.txt{CR}", false, false, true},
        {"no name", "{28}{CR}", false, false, false},
        {"cancelled", "{28}dum{DEL}{DEL}{DEL}{DEL}", false, false, false},
        {"existing, refused", "{28}dump.txt{CR}{DEL}", false, true, false},
        {"existing, agreed", "{28}dump.txt{CR}{CR}", false, true, true},
        {"planted link", "{28}dump.txt{CR}{CR}{CR}", true, false, false},
    };
    for (const Case& k : cases) {
        oxatest::TempDir dir;
        writefile(dir.path / "victim.txt", "victim\n");
        if (k.planted) fs::create_symlink("victim.txt", dir.path / "dump.txt");
        if (k.existing) writefile(dir.path / "dump.txt", "mine\n");
        // RETURN after CD leaves command mode.
        run({}, "{CMD}CD" + dir.path.string() + "{CR}{CR}" + k.keys);
        EXPECT_EQ(oxatest::readfile(dir.path / "victim.txt"), "victim\n") << k.what;
        EXPECT_FALSE(fs::exists(dir.path / "test.file")) << k.what;
        const std::string dump = oxatest::readfile(dir.path / "dump.txt");
        EXPECT_EQ(dump.rfind("physical chain:", 0) == 0, k.dumped) << k.what << ": " << dump;
        if (k.planted) {
            EXPECT_TRUE(fs::is_symlink(dir.path / "dump.txt")) << k.what;
        }
        if (k.dumped && !k.existing) {
            EXPECT_EQ(modeof(dir.path / "dump.txt") & 07777, 0600u) << k.what;
        }
        if (k.existing && !k.dumped) {
            EXPECT_EQ(dump, "mine\n") << k.what;
        }
    }
}

} // namespace filesafety_test
