// After a fetch: the form of the file as writing it back would change it,
// and the recovery files left for it.
#include "editor/fetchnotes.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "editor/commands.hpp"
#include "filefixture.hpp"

namespace fetchnotes_test {

using namespace oxa;

class FetchNotes : public oxatest::FileFixture {
  protected:
    FileForm form(const std::string& bytes) {
        write("f.txt", bytes);
        const int fd = ::open(path("f.txt").c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        const FileForm f = scanform(fd);
        ::close(fd);
        return f;
    }
    // Sets the file's time of change, in seconds after an arbitrary start.
    void age(const std::string& name, long seconds) {
        const timespec t[2] = {{1700000000 + seconds, 0}, {1700000000 + seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path(name).c_str(), t, 0), 0);
    }
};

TEST_F(FetchNotes, TheFormIsReadFromTheBytes) {
    const struct {
        const char* what;
        std::string bytes;
        bool tabs, crlf, lf, trailing, nofinalend;
    } cases[] = {
        {"plain", "a\nb\n", false, false, true, false, false},
        {"empty", "", false, false, false, false, false},
        {"a tab", "a\tb\n", true, false, true, false, false},
        {"CR LF", "a\r\nb\r\n", false, true, false, false, false},
        {"mixed line ends", "a\r\nb\n", false, true, true, false, false},
        {"a blank at a line end", "a \nb\n", false, false, true, true, false},
        {"a blank before CR LF", "a \r\n", false, true, false, true, false},
        {"a tab at a line end", "a\t\n", true, false, true, true, false},
        {"no final line end", "a\nb", false, false, true, false, true},
        {"a blank at the unended end", "a\nb ", false, false, true, true, true},
        {"a lone CR is no line end", "a\rb\n", false, false, true, false, false},
        // Across the reader's blocks of 64 KiB: the blank and the CR before
        // the line feed lie in the block before it.
        {"a CR LF across blocks", std::string(65535, 'x') + "\r\n", false, true, false, false, false},
        {"a blank across blocks", std::string(65534, 'x') + " \r\n", false, true, false, true, false},
    };
    for (const auto& c : cases) {
        const FileForm f = form(c.bytes);
        EXPECT_EQ(f.tabs, c.tabs) << c.what;
        EXPECT_EQ(f.crlf, c.crlf) << c.what;
        EXPECT_EQ(f.lf, c.lf) << c.what;
        EXPECT_EQ(f.trailing, c.trailing) << c.what;
        EXPECT_EQ(f.nofinalend, c.nofinalend) << c.what;
    }
}

TEST_F(FetchNotes, TheNoticeSaysWhatChangesAndWhichOptionKeepsIt) {
    const FileForm all{.tabs = true, .crlf = true, .lf = false, .trailing = true, .nofinalend = true};
    const FileForm lf{.lf = true};
    const struct {
        const char* what;
        FileForm form;
        int32_t octflag, lfonly;
        std::string notice;
    } cases[] = {
        {"nothing changes", lf, 0, 1, ""},
        {"everything changes", all, 0, 1,
         "Writing f.txt back changes it: tabs become blanks (ED 8, then FE again, keeps tabs); "
         "CR LF line ends become LF (ED 10 keeps CR LF); blanks at line ends go; the last line "
         "gets a line end"},
        {"tabs and CR LF kept by the options", all, 1, 0,
         "Writing f.txt back changes it: blanks at line ends go; the last line gets a line end"},
        {"LF written as CR LF", lf, 0, 0,
         "Writing f.txt back changes it: LF line ends become CR LF (ED 9 keeps LF)"},
    };
    for (const auto& c : cases) {
        octflag = c.octflag;
        lfonly = c.lfonly;
        EXPECT_EQ(formnotice(c.form, "f.txt"), c.notice) << c.what;
    }
}

TEST_F(FetchNotes, RecoveryFilesNewestFirstWhileTheNumbersFollowOn) {
    const std::string n = path("n.txt");
    EXPECT_TRUE(recoveryfiles(n.c_str()).empty());
    write("n.txt.2.oxa-save", "b");
    EXPECT_EQ(recoveryfiles(n.c_str()), std::vector<std::string>{n + ".2.oxa-save"})
        << "the plain name gone, the numbered one is still found";
    write("n.txt.oxa-save", "a");
    write("n.txt.3.oxa-save", "c");
    write("n.txt.5.oxa-save", "e"); // after a gap: not looked for
    age("n.txt.oxa-save", 10);
    age("n.txt.2.oxa-save", 30);
    age("n.txt.3.oxa-save", 20);
    EXPECT_EQ(recoveryfiles(n.c_str()),
              (std::vector<std::string>{n + ".2.oxa-save", n + ".3.oxa-save", n + ".oxa-save"}));
}

// Only what the recovery writer could have made is offered: not a link, not
// a file others may write.
TEST_F(FetchNotes, RecoveryFilesAreTheUsersOwnPlainFiles) {
    const std::string n = path("n.txt");
    write("other.txt", "x");
    std::filesystem::create_symlink(path("other.txt"), path("n.txt.oxa-save"));
    EXPECT_TRUE(recoveryfiles(n.c_str()).empty());
    write("n.txt.2.oxa-save", "b");
    ASSERT_EQ(::chmod(path("n.txt.2.oxa-save").c_str(), 0666), 0);
    EXPECT_TRUE(recoveryfiles(n.c_str()).empty());
    ASSERT_EQ(::chmod(path("n.txt.2.oxa-save").c_str(), 0600), 0);
    EXPECT_EQ(recoveryfiles(n.c_str()), std::vector<std::string>{n + ".2.oxa-save"});
}

} // namespace fetchnotes_test
