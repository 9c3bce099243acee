// The file reader and writer, the checkers and the file commands on fixtures
// written to a scratch directory.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/encoding.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "filefixture.hpp"

namespace files_test {

using namespace oxa;
namespace fs = std::filesystem;

using Lines = std::vector<std::pair<int32_t, std::string>>;  // kind, text

Lines corelines(int n = -1) {
    const COREFILE& c = core[n < 0 ? corenum : n];
    Lines v;
    for (const LINE* l = c.header->down; l != c.header; l = l->down) {
        std::string t;
        if (l->object != K_EMPTY)
            t.assign(reinterpret_cast<const char*>(&textbase[l->index]),
                     static_cast<size_t>(l->length));
        v.emplace_back(l->object, t);
    }
    return v;
}

class Files : public oxatest::FileFixture {};

TEST_F(Files, ReaderFormat) {
    struct Case {
        const char* name;
        std::string bytes;
        int32_t fetchstyle, octflag;
        Lines want;
    };
    const Case cases[] = {
        {"line feeds", "a\nb\n", 1, 0, {{0, "a"}, {0, "b"}}},
        {"carriage returns dropped", "a\r\nb\r\n", 1, 0, {{0, "a"}, {0, "b"}}},
        {"return inside a line", "a\rb\n", 1, 0, {{0, "ab"}}},
        {"last line without a line end", "a\n\nb", 1, 0, {{0, "a"}, {5, ""}, {0, "b"}}},
        {"vertical tab ends a line", "a\vb\n", 1, 0, {{0, "a"}, {0, "b"}}},
        {"trailing blanks", "x  \n   \n", 1, 0, {{0, "x"}, {5, ""}}},
        {"tab at column 1", "\tz\n", 1, 0, {{0, "        z"}}},
        {"tab inside a line", "ab\tz\tq\n", 1, 0, {{0, "ab      z       q"}}},
        {"tab kept", "\tz\n", 1, 1, {{0, "\tz"}}},
        {"prefixes",
         "\\rabc|def\n\\mform\n\\hh\n\\aa\n\\xy\n\\\n\\r\n",
         1,
         0,
         {{1, "abc|def"}, {3, "form"}, {4, "h"}, {6, "a"}, {0, "\\xy"}, {0, "\\"}, {1, ""}}},
        {"prefixes as text", "\\rabc|def\n", 2, 0, {{0, "\\rabc|def"}}},
        {"free-space byte replaced", "a\xff" "b\n", 1, 0, {{0, "a?b"}}},
        {"empty file", "", 1, 0, {{5, ""}}},
    };
    for (const Case& k : cases) {
        resetstore();
        fetchstyle = k.fetchstyle;
        octflag = k.octflag;
        write("f", k.bytes);
        fetch("f");
        EXPECT_EQ(corelines(), k.want) << k.name;
        EXPECT_EQ(cur().lncount, static_cast<int32_t>(k.want.size())) << k.name;
        EXPECT_EQ(checkstore(), "") << k.name;
    }
}

TEST_F(Files, FetchSetsUpTheCorefile) {
    write("f", "one\ntwo\nthree\n");
    cur().edited = 1;
    cur().curcol = 9;
    fetch("f");
    const COREFILE& c = cur();
    EXPECT_EQ(c.lncount, 3);
    EXPECT_EQ(c.charcount, 11);
    EXPECT_EQ(c.edited, 0);
    EXPECT_STREQ(c.filname.data(), path("f").c_str());
    EXPECT_EQ(c.lnptr, c.header->down);
    EXPECT_EQ(c.disln, c.lnptr);
    EXPECT_EQ(c.curcol, 1);
    EXPECT_EQ(redisplay, RP_ALL);
    EXPECT_EQ(sent, "");
}

TEST_F(Files, FetchLineRange) {
    std::string text;
    for (int i = 1; i <= 10; ++i) text += "l" + std::to_string(i) + "\n";
    write("f", text);
    struct Case {
        int32_t first, last;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {3, 5, {"l3", "l4", "l5"}},
        {0, 0, {"l1", "l2", "l3", "l4", "l5", "l6", "l7", "l8", "l9", "l10"}},
        {8, MAXLINENUM, {"l8", "l9", "l10"}},
        {1, 1, {"l1"}},
        {5, 3, {""}},
        {20, 30, {""}},
    };
    for (const Case& k : cases) {
        resetstore();
        fetch("f", k.first, k.last);
        std::vector<std::string> got;
        for (const auto& l : corelines()) got.push_back(l.second);
        EXPECT_EQ(got, k.want) << k.first << ".." << k.last;
    }
}

TEST_F(Files, FetchStopsAtTheHeapMark) {
    write("f", "0123456789\nabcdefghij\nABCDEFGHIJ\nlast\n");
    hiaddr = 25;
    fetch("f");
    EXPECT_EQ(corelines(), (Lines{{0, "0123456789"}, {0, "abcdefghij"}}));
    EXPECT_EQ(sent, " File Truncated \r\n\r\n");
    EXPECT_STREQ(cur().filname.data(), path("f").c_str());
    EXPECT_EQ(checkstore(), "");
}

TEST_F(Files, AFileLargerThanTheHeapKeepsWhatFitsBeforeTheMark) {
    // A file is read once, and no further than the heap holds: its start in
    // one piece, the rest in blocks.  A UTF-8 file of two-byte letters goes
    // on well beyond that start before the heap's mark is met.
    struct Case {
        const char* name;
        std::string line; // as the file holds it, without the line end
        std::string kept; // as the corefile holds it
    };
    const Case cases[] = {
        {"plain text", std::string(99, 'x'), std::string(99, 'x')},
        {"UTF-8, read on in blocks", [] {
             std::string l;
             for (int i = 0; i < 60; ++i) l += "\xc3\xa9";
             return l;
         }(), std::string(60, '\xe9')},
    };
    for (const Case& k : cases) {
        resetstore();
        sent.clear();
        std::string text;
        // Lines enough to hold more than the heap.
        for (size_t n = 0; n * k.kept.size() < static_cast<size_t>(HEAPSIZE) + 100000; ++n)
            text += k.line + "\n";
        write("big", text);
        fetch("big");
        // Every line whose bytes all lie at or below the mark, none after.
        const size_t want = static_cast<size_t>(HIADDR + 1) / k.kept.size();
        const Lines got = corelines();
        EXPECT_EQ(got.size(), want) << k.name;
        EXPECT_EQ(got.front(), (std::pair<int32_t, std::string>{0, k.kept})) << k.name;
        EXPECT_EQ(got.back(), (std::pair<int32_t, std::string>{0, k.kept})) << k.name;
        EXPECT_EQ(sent, " File Truncated \r\n\r\n") << k.name;
        EXPECT_EQ(cur().encoding, k.line == k.kept ? ENC_UNSET : ENC_UTF8) << k.name;
        EXPECT_EQ(checkstore(), "") << k.name;
    }
}

TEST_F(Files, FetchOfAnExpandedTabStopsAtTheHeapMark) {
    // A far left margin is the first tab stop: one tab becomes a long run of
    // blanks.
    lmargin = 3000;
    rmargin = 5000;
    write("f", "ab\n\tx\n");
    hiaddr = 1000;
    fetch("f");
    EXPECT_EQ(corelines(), (Lines{{0, "ab"}}));
    EXPECT_EQ(sent, " File Truncated \r\n\r\n");
}

TEST_F(Files, AppendAndInsertKeepTheCursorLine) {
    write("a", "one\ntwo\nthree\n");
    write("b", "x\ny\n");
    fetch("a");
    cur().lnptr = cur().header->down->down;  // "two"
    params(path("b"));
    run(fpr, appendfile);
    EXPECT_EQ(corelines(),
              (Lines{{0, "one"}, {0, "two"}, {0, "three"}, {0, "x"}, {0, "y"}}));
    EXPECT_EQ(textbase[cur().lnptr->index], 't');
    EXPECT_EQ(cur().lnptr, cur().header->down->down);
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(redisplay, RP_ALL);
    cur().edited = 0;
    run(fpr, insrtfile);
    EXPECT_EQ(corelines(), (Lines{{0, "one"},
                                  {0, "two"},
                                  {0, "x"},
                                  {0, "y"},
                                  {0, "three"},
                                  {0, "x"},
                                  {0, "y"}}));
    EXPECT_EQ(cur().lnptr, cur().header->down->down);
    EXPECT_EQ(cur().edited, 1);
    EXPECT_EQ(checkstore(), "");
}

TEST_F(Files, WriterFormat) {
    write("f", "\\rab|cd\ntext   \n\n\\mm\n\\hh\n\\aa\nend\n");
    fetch("f");
    cur().lnptr = cur().header->down->down;
    cur().curcol = 12;
    extline();  // trailing blanks in the corefile
    cur().edited = 1;
    struct Case {
        int32_t lfonly;
        int32_t first, last;
        std::string want;
    };
    const Case cases[] = {
        {1, 1, MAXLINENUM, "\\rab|cd\ntext\n\n\\mm\n\\hh\n\\aa\nend\n"},
        {0, 1, MAXLINENUM, "\\rab|cd\r\ntext\r\n\r\n\\mm\r\n\\hh\r\n\\aa\r\nend\r\n"},
        {1, 2, 3, "text\n\n"},
        {1, 0, 0, "\\rab|cd\ntext\n\n\\mm\n\\hh\n\\aa\nend\n"},
        {1, 7, 99, "end\n"},
    };
    int i = 0;
    for (const Case& k : cases) {
        lfonly = k.lfonly;
        std::string name = "out" + std::to_string(i++);
        params(path(name), k.first, k.last);
        cur().edited = 1;
        run(faw, savefile);
        EXPECT_EQ(read(name), k.want) << name;
        EXPECT_EQ(cur().edited, 0);
    }
    // The trailing blanks are gone from the corefile too.
    EXPECT_EQ(cur().header->down->down->length, 4);
    EXPECT_EQ(sent, "");
}

TEST_F(Files, SavedTextReadsBackTheSame) {
    const std::string text = "\\rname|age|\nplain\n\n\\mx+y\n\\backslash\nlast\n";
    write("f", text);
    fetch("f");
    params(path("g"));
    run(faw, savefile);
    EXPECT_EQ(read("g"), text);
}

TEST_F(Files, Checkers) {
    write("exists", "x\n");
    fs::create_directory(dir / "sub");
    struct Case {
        void (*checker)();
        std::string name;  // relative to the scratch directory; "" for none
        const char* message;  // nullptr: accepted
    };
    const char* noread = "File not found (or no read permission)";
    const char* nowrite = "File not found (or no write permission)";
    const char* already = "File already exists (or no write permission)";
    const char* noexec = "Requested file cannot be located (or is not executable)!";
    const Case cases[] = {
        {fpr, "", "Empty filename"},       {fpr, "missing", noread},
        {fpr, "sub", noread},              {fpr, "exists", nullptr},
        {fpw, "", "Empty filename"},       {fpw, "missing", nowrite},
        {fpw, "sub", nowrite},             {fpw, "exists", nullptr},
        {faw, "", "Empty filename"},       {faw, "exists", already},
        {faw, "new", nullptr},             {fpx, "", "Empty filename"},
        {fpx, "missing", noexec},          {fpx, "sub", noexec},
        {fpx, "exists", nullptr},
    };
    for (const Case& k : cases) {
        sent.clear();
        params(k.name.empty() ? "" : path(k.name));
        reply();
        del = 0;
        k.checker();
        if (k.message == nullptr) {
            EXPECT_EQ(del, 0) << k.name;
            EXPECT_EQ(sent, "") << k.name;
        } else {
            EXPECT_EQ(del, 2) << k.name;
            EXPECT_EQ(sent, std::string(k.message) + "\r\n\r\n") << k.name;
        }
    }
    // The create test leaves the new empty file in place.
    EXPECT_TRUE(fs::exists(dir / "new"));
    EXPECT_EQ(fs::file_size(dir / "new"), 0u);
    EXPECT_EQ(read("exists"), "x\n");
}

TEST_F(Files, SilentReadCheckShowsNothing) {
    for (const char* name : {"", "missing"}) {
        sent.clear();
        params(name[0] ? path(name) : "");
        del = 0;
        fprs();
        EXPECT_EQ(del, 2) << name;
        EXPECT_EQ(sent, "") << name;
    }
}

TEST_F(Files, SaveRefusesAnExistingFileAndOverwriteAMissingOne) {
    write("old", "keep\n");
    write("f", "new text\n");
    fetch("f");
    cur().edited = 1;
    params(path("old"));
    run(faw, savefile);
    EXPECT_EQ(read("old"), "keep\n");
    EXPECT_EQ(cur().edited, 1);
    params(path("missing"));
    run(fpw, ovrwritefile);
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_EQ(cur().edited, 1);
}

TEST_F(Files, OverwriteTheFetchedFile) {
    write("f", "one\n");
    fetch("f");
    cur().lnptr = cur().header->down;
    cadd('!');
    cur().edited = 1;
    params(path("f"));
    run(fpw, ovrwritefile);
    EXPECT_EQ(read("f"), "one!\n");
    EXPECT_EQ(cur().edited, 0);
    EXPECT_EQ(sent, "");
}

TEST_F(Files, OverwriteAnotherFileAsksFirst) {
    write("f", "mine\n");
    write("other", "theirs\n");
    fetch("f");
    struct Case {
        const char* answer;
        std::string want;
    };
    const Case cases[] = {{"\x7f", "theirs\n"}, {"\r", "mine\n"}};
    for (const Case& k : cases) {
        sent.clear();
        params(path("other"));
        run(fpw, ovrwritefile, k.answer);
        EXPECT_EQ(read("other"), k.want);
        EXPECT_EQ(sent.rfind(" Check name, not file fetched \r\n", 0), 0u) << sent;
    }
}

TEST_F(Files, JoinAppendsAndKeepsTheEditedFlag) {
    write("f", "a\nb\nc\n");
    write("log", "start\n");
    fetch("f");
    cur().edited = 1;
    params(path("log"), 2, 3);
    run(fpw, join);
    EXPECT_EQ(read("log"), "start\nb\nc\n");
    EXPECT_EQ(cur().edited, 1);
    params(path("nolog"));
    run(fpw, join);
    EXPECT_FALSE(fs::exists(dir / "nolog"));
}

TEST_F(Files, DeleteRemovesTheFile) {
    write("f", "x\n");
    params(path("f"));
    run(fpw, deletefile);
    EXPECT_FALSE(fs::exists(dir / "f"));
    EXPECT_EQ(sent, "");
    params(path("f"));
    run(nullptr, deletefile);
    EXPECT_EQ(sent, "Unable to delete file\r\n\r\n");
}

TEST_F(Files, WriteFailureIsReportedAndTheCorefileStaysEdited) {
    write("f", "x\n");
    fetch("f");
    cur().edited = 1;
    params(path("nodir/out"));
    run(nullptr, savefile);
    // The message names the file and says what went wrong.
    EXPECT_EQ(sent, " Write Failed (" + path("nodir/out") +
                        ": No such file or directory) \r\n\r\n");
    EXPECT_EQ(cur().edited, 1);
}

TEST_F(Files, EmitWritesTheFileFormatAndTheEndMarker) {
    write("f", "one\n\\rtwo|\nthree\nfour\n");
    fetch("f");
    corenum = 3;
    write("g", "other\n");
    fetch("g");
    corenum = 1;
    cur().curcol = 6;
    extline();  // "one  "
    corenum = 3;
    struct Case {
        int32_t corefile, first, last, flag;
        std::string want;
    };
    const Case cases[] = {
        {1, 1, 3, 0, "one\n\\rtwo|\nthree\n$$$\r\n"},
        {0, 0, 0, 0, "other\n$$$\r\n"},
        {19, 1, MAXLINENUM, 0, "other\n$$$\r\n"},
        {1, 4, 4, 0, "four\n$$$\r\n"},
        {1, 1, 3, 1, ""},  // no driver program: nothing
    };
    for (const Case& k : cases) {
        param[1] = k.corefile;
        param[2] = k.first;
        param[3] = k.last;
        param[4] = k.flag;
        testing::internal::CaptureStdout();
        emit();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), k.want) << k.corefile;
        EXPECT_EQ(corenum, 3);
    }
    // Emitting does not change the corefile.
    EXPECT_EQ(core[1].header->down->length, 6);
}

TEST_F(Files, WholeFileLoads) {
    struct Case {
        int32_t loadtype;
        std::string bytes;
        std::string want;  // the buffer, terminator included
    };
    const Case cases[] = {
        {2, "FEname\r\nBE\n", std::string("FEname\rBE\r") + '\0'},
        {2, "a~{C}x{[}~{b}", std::string("a\x03") + "x\x1b{b}" + '\0'},
        {1, "#1 #2\n", std::string("#1 #2\r") + '\x04'},
        {3, "Dear #1,\n", std::string("Dear #1,\r") + '\0'},
    };
    for (const Case& k : cases) {
        write("p", k.bytes);
        params(path("p"));
        loadtype = k.loadtype;
        reply();
        ASSERT_TRUE(readfile());
        const char* buf = k.loadtype == 1 ? tempbufptr : k.loadtype == 2 ? loadbufptr : mrgbufptr;
        ASSERT_NE(buf, nullptr);
        EXPECT_EQ(std::string(buf, k.want.size()), k.want) << k.bytes;
    }
    EXPECT_EQ(transflag, 0);
}

TEST_F(Files, WholeFileLoadsRefuseMoreThanTheBufferHolds) {
    write("fits", std::string(LOADBUFSIZE - 1, 'x'));
    write("big", std::string(LOADBUFSIZE - 2, 'y') + "\r\n\n");
    loadtype = 2;
    params(path("fits"));
    ASSERT_TRUE(readfile());
    const char* kept = loadbufptr;
    EXPECT_EQ(std::strlen(kept), static_cast<size_t>(LOADBUFSIZE - 1));
    params(path("big"));
    reply();
    EXPECT_FALSE(readfile());
    EXPECT_EQ(sent, "File too large to load (more than 5119 characters)\r\n\r\n");
    EXPECT_EQ(loadbufptr, kept);
}

TEST_F(Files, ProcedurePushesTheLoadedText) {
    write("p", "hello\n");
    params(path("p"));
    resetinput();
    loadfile();
    ASSERT_EQ(fnptr, 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(fnstack[1]), "hello\r");
    // A file gone since its check: the message, and nothing pushed.
    const char* kept = loadbufptr;
    params(path("missing"));
    reply();
    loadfile();
    EXPECT_EQ(loadbufptr, kept);
    EXPECT_EQ(sent, "File not found (or no read permission)\r\n\r\n");
}

} // namespace files_test
