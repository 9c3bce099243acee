// Shell commands and driver programs end to end: small shell scripts run as
// the driver (`oxa -d drv.sh`), type into the editor and write what they
// receive into files of the run's directory.
#include "harness.hpp"

#include <unistd.h>

namespace processes_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::emits;
using oxatest::runoxa;

// A driver program: a shell script with this body.
Fixture driver(const std::string& body, const std::string& name = "drv.sh") {
    return {name, "#!/bin/sh\n" + body, true};
}

Result rundriver(const std::string& body, const std::string& keys,
                 std::vector<Fixture> files = {}) {
    files.push_back(driver(body));
    return runoxa({.args = {"-d", "drv.sh"}, .keys = keys, .files = files, .framed = false});
}

Result run(const std::string& keys, std::vector<Fixture> files = {},
           std::vector<std::string> args = {}) {
    return runoxa({.args = std::move(args), .keys = keys, .files = std::move(files), .framed = false});
}

int indexof(const Result& r, const std::string& line, size_t from = 0) {
    return oxatest::findlines(r.lines, {line}, from);
}

bool has(const Result& r, const std::string& text) {
    return r.out.find(text) != std::string::npos;
}

// "$mU###" reaches the front end as "###".
constexpr const char* KEYBOARD = "###";

TEST(Driver, TypesIntoTheEditorAndReceivesEmittedText) {
    auto r = rundriver("printf '\\rhello world\\003EM|||1\\r'\n"
                       "IFS= read -r a; IFS= read -r b\n"
                       "printf '%s|%s\\n' \"$a\" \"$b\" > got.txt\n",
                       "{CMD}EM{CR}");
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(r.timedout);
    // The driver got the line and the end marker; the front end got neither
    // from this EMIT, only from the one typed at the keyboard afterwards.
    EXPECT_EQ(r.file("got.txt"), "hello world|$$$\r\n");
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"hello world\n"}));
    // The driver's end returned input to the keyboard before that EMIT.
    const int back = indexof(r, KEYBOARD);
    ASSERT_GE(back, 0);
    EXPECT_GT(r.out.find("hello world\n$$$"), r.out.find("\r\n###\r\n"));
}

TEST(Driver, AskAnswersGoToTheDriver) {
    // Line 1 holds "abc def", the cursor stands on the d (column 5).
    auto r = rundriver(
        "printf '\\rabc def\\003PO1|5\\r'\n"
        "for q in 3 4 7 12 13 16 15 9\\|drv.sh; do\n"
        "  printf '\\003AS%s\\r' \"$q\"; IFS= read -r a; echo \"$q=$a\" >> got.txt\n"
        "done\n"
        // Answers off: ASK 4 sets the result but answers nothing; ASK 2
        // after answers are on again gives that result.
        "printf '\\003AS0\\r\\003AS4\\r\\003AS1\\r\\003AS2\\r'; IFS= read -r a; echo \"2=$a\" >> got.txt\n"
        // A missing file: the message waits for a return, then 0.
        "printf '\\003AS9|nofile\\r\\r'; IFS= read -r a; echo \"9=$a\" >> got.txt\n",
        "");
    EXPECT_FALSE(r.timedout);
    EXPECT_EQ(r.file("got.txt"), "3=1\n4=5\n7=d\n12=def\n13=def\n16=1\n15=1\n9|drv.sh=1\n2=5\n9=0\n");
    EXPECT_GE(indexof(r, "File not found (or no read permission)"), 0);
}

TEST(Driver, SuspendedAndResumedWithOneAcknowledgement) {
    struct Case {
        const char* name;
        std::string suspend; // typed by the driver
        std::string resume;  // typed at the keyboard
    };
    const std::vector<Case> cases = {
        {"SWITCH 0 and 1", "\\003SW0\\r", "{CMD}SW1{CR}"},
        {"control codes", "\\033\\031", "{NUL}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // After the resumption the driver reads the acknowledgement (an
        // empty line), then the answer to an ASK: so exactly one line feed
        // came, and input is the driver's again.
        auto r = rundriver("printf '\\r" + c.suspend + "'\n" +
                               "IFS= read -r ack\n"
                               "printf '\\003AS3\\r'; IFS= read -r line\n"
                               "echo \"ack=[$ack] line=[$line]\" > got.txt\n",
                           c.resume);
        EXPECT_FALSE(r.timedout);
        EXPECT_EQ(r.file("got.txt"), "ack=[] line=[1]\n");
        // "$mU###" once for the suspension, once when the driver ended.
        const int first = indexof(r, KEYBOARD);
        ASSERT_GE(first, 0);
        EXPECT_GE(indexof(r, KEYBOARD, static_cast<size_t>(first) + 1), 0);
    }
}

TEST(Driver, ResumeWithoutASuspendedDriver) {
    auto r = run("{CMD}SW1{CR}{CR}");
    EXPECT_EQ(r.status, 0);
    EXPECT_GE(indexof(r, " No suspended program! "), 0);
}

TEST(Driver, KilledByCommandOrControlCode) {
    for (const char* kill : {"\\003SW2\\r", "\\033\\026", "\\033\\177"}) {
        SCOPED_TRACE(kill);
        // What the driver types after the kill never arrives; the keyboard
        // takes over at once.
        auto r = rundriver(std::string("printf '\\r") + kill + "after the kill'\n"
                                                            "IFS= read -r x\n",
                           "{CMD}{CR}typed{CMD}EM{CR}");
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.timedout);
        EXPECT_GE(indexof(r, KEYBOARD), 0);
        EXPECT_EQ(emits(r.out), (std::vector<std::string>{"typed\n"}));
    }
}

TEST(Driver, ADriverThatEndsOrCannotRunHandsInputBack) {
    struct Case {
        const char* name;
        Fixture program;
    };
    const std::vector<Case> cases = {
        {"ends at once", driver("exit 0\n")},
        {"ends with unread input", driver("printf '\\r'; exit 3\n")},
        {"not executable", {"drv.sh", "#!/bin/sh\nprintf 'never'\n", false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = runoxa({.args = {"-d", "drv.sh"},
                         .keys = "{CMD}{CR}abc{CMD}EM{CR}",
                         .files = {c.program},
                         .framed = false});
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.timedout);
        EXPECT_GE(indexof(r, KEYBOARD), 0);
        EXPECT_EQ(emits(r.out), (std::vector<std::string>{"abc\n"}));
    }
}

TEST(Driver, OnlyOneAtATime) {
    auto r = rundriver("printf '\\003RUdrv.sh\\r\\r'\n"
                       "printf '\\003AS15\\r'; IFS= read -r a; echo \"$a\" > got.txt\n",
                       "");
    EXPECT_FALSE(r.timedout);
    EXPECT_GE(indexof(r, "Program already running"), 0);
    EXPECT_EQ(r.file("got.txt"), "1\n"); // the first driver still runs
}

TEST(Driver, StoredTreesAndTheSentenceReachTheDriver) {
    std::vector<Fixture> files;
    const auto dir = std::filesystem::path(OXA_SOURCE_DIR) / "examples" / "english";
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax"}) {
        std::ifstream in(dir / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files.push_back({name, text.str()});
    }
    // Load, seed, generate; STORE leaf nodes to the driver, then VTALK 2.
    auto r = rundriver("printf '\\003ATattributes\\rTMterminals\\rLElexicon\\rMOmorphology\\r"
                       "TBtables\\rSYsyntax\\rRA31\\r\\r\\033g\\003ST0|1\\r'\n"
                       "while IFS= read -r l; do echo \"$l\" >> store.txt; "
                       "[ \"$l\" = % ] && break; done\n"
                       "printf '\\003VT2\\r'; IFS= read -r s; echo \"$s\" > talk.txt\n"
                       "printf '\\003EM7|||1\\r'\n"
                       "while IFS= read -r l; do echo \"$l\" >> core7.txt; "
                       "case \"$l\" in '$$$'*) break;; esac; done\n",
                       "", files);
    EXPECT_FALSE(r.timedout);
    const std::string store = r.file("store.txt");
    // The pack makes a question and an answer: trees 1 and 2.
    EXPECT_EQ(store.rfind("$u\n$l 1\n", 0), 0u) << store;
    EXPECT_NE(store.find("\n$l 2\n"), std::string::npos);
    EXPECT_NE(store.find("\n$L\n"), std::string::npos);
    EXPECT_EQ(store.substr(store.size() - 2), "%\n");
    // The hand-over carries the sentence of tree 2 (the answer).
    const std::string core7 = r.file("core7.txt");
    const size_t at = core7.find("Answer    : ");
    ASSERT_NE(at, std::string::npos) << core7;
    const std::string answer = core7.substr(at + 12, core7.find('\n', at) - at - 12);
    EXPECT_EQ(r.file("talk.txt"), "START" + answer + "END\n");
    // Nothing of it reached the front end.
    EXPECT_FALSE(has(r, "START"));
    EXPECT_FALSE(has(r, "$l 1"));
}

// ---- Shell commands --------------------------------------------------------------

TEST(Shell, RunsACommandAndPausesOnlyWithoutADriver) {
    for (const char* name : {"SH", "UN"}) {
        SCOPED_TRACE(name);
        auto r = run(std::string("{CMD}") + name + "echo hi > s.txt{CR}{CR}{CMD}EM{CR}");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.file("s.txt"), "hi\n");
        EXPECT_TRUE(has(r, "echo hi > s.txt\r\n"));
        EXPECT_TRUE(has(r, "\r\n\nType [return] to continue\r"));
        EXPECT_EQ(emits(r.out).size(), 1u); // the return ended the pause only
    }
    auto r = rundriver("printf '\\003SHecho hi > s.txt\\r'\n"
                       "printf '\\003AS15\\r'; IFS= read -r a; echo \"$a\" > got.txt\n",
                       "");
    EXPECT_FALSE(r.timedout);
    EXPECT_EQ(r.file("s.txt"), "hi\n");
    EXPECT_EQ(r.file("got.txt"), "1\n");
    EXPECT_FALSE(has(r, "Type [return] to continue"));
}

TEST(Shell, AnEmptyCommandStartsAnInteractiveShell) {
    // The editor has read all its input already, so the shell meets the end
    // of its input and exits; the pause follows.
    auto r = run("{CMD}SH{CR}{CR}{CMD}EM{CR}");
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(r.timedout);
    EXPECT_TRUE(has(r, "Type [return] to continue"));
    EXPECT_EQ(emits(r.out).size(), 1u);
}

TEST(Shell, DirectoryListings) {
    const Fixture f{"listed.txt", "x\n"};
    struct Case {
        const char* keys;
        const char* expect; // in the listing
        bool invalid;
    };
    const std::vector<Case> cases = {
        {"{CMD}DIB{CR}{CR}", "listed.txt\n", false},
        {"{CMD}DI{CR}{CR}", "listed.txt\n", false},
        {"{CMD}DIF{CR}{CR}", " listed.txt\n", false},
        {"{CMD}DIX{CR}{CR}B{CR}{CR}", "listed.txt\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        auto r = run(c.keys, {f});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(has(r, c.expect)) << r.out;
        EXPECT_EQ(indexof(r, "Invalid Argument") >= 0, c.invalid);
    }
    // F is the long listing.
    auto r = run("{CMD}DIF{CR}{CR}", {f});
    EXPECT_TRUE(has(r, "-rw")) << r.out;
}

TEST(Shell, ChangeDirectory) {
    auto r = run("{CMD}SHmkdir sub{CR}{CR}{CMD}CDsub{CR}{CMD}NAx.txt{CR}{CR}hi{CMD}SA*{CR}"
                 "{CMD}CDnowhere{CR}{CR}{CMD}CD{CR}{CR}");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.file("sub/x.txt"), "hi\n");
    EXPECT_GE(indexof(r, "Directory not found (or no permission)"), 0);
    // An empty parameter shows the working directory.
    const std::string here = std::filesystem::canonical(r.path("sub")).string();
    EXPECT_GE(indexof(r, here), 0) << r.out;
}

// ---- File management ---------------------------------------------------------------

TEST(FileManagement, NewNameRenamesWithoutTheShell) {
    // A leading '-' or '~' would change the meaning of a shell command.
    for (const char* to : {"b.txt", "-i.txt", "~home.txt", "sub/../c.txt"}) {
        SCOPED_TRACE(to);
        auto r = run(std::string("{CMD}SHmkdir sub{CR}{CR}{CMD}NEa.txt|") + to + "{CR}",
                     {{"a.txt", "one\n"}});
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.exists("a.txt"));
        EXPECT_EQ(r.file(to), "one\n");
    }
}

TEST(FileManagement, NewNameAsksBeforeOverwriting) {
    const std::vector<Fixture> files = {{"a.txt", "one\n"}, {"b.txt", "two\n"}};
    auto r = run("{CMD}NEa.txt|b.txt{CR}{DEL}", files);
    EXPECT_GE(indexof(r, " Overwrite file:b.txt?"), 0);
    EXPECT_EQ(r.file("a.txt"), "one\n");
    EXPECT_EQ(r.file("b.txt"), "two\n");

    r = run("{CMD}NEa.txt|b.txt{CR}{CR}", files);
    EXPECT_FALSE(r.exists("a.txt"));
    EXPECT_EQ(r.file("b.txt"), "one\n");

    // The corefile that bore the old name follows it.
    r = run("{CMD}NEa.txt|c.txt{CR}{CR}x{CMD}OV*{CR}", files, {"a.txt"});
    EXPECT_EQ(r.file("c.txt"), "xne\n");
    EXPECT_FALSE(r.exists("a.txt"));

    r = run("{CMD}NEa.txt|{CR}{CR}", files);
    EXPECT_GE(indexof(r, "Empty destination file name"), 0);
    EXPECT_EQ(r.file("a.txt"), "one\n");
}

TEST(FileManagement, UpdateKeepsABackup) {
    auto r = run("{CR}new{CMD}UP{CR}", {{"a.txt", "old\n"}}, {"a.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.file("a.txt.bak"), "old\n");
    EXPECT_EQ(r.file("a.txt"), "new\n");
    EXPECT_EQ(r.err, ""); // saved

    r = run("{CR}x{CMD}UP{CR}{CR}", {}, {"never.txt"});
    EXPECT_GE(indexof(r, "File not saved, do the SAve command first"), 0);
    EXPECT_FALSE(r.exists("never.txt.bak"));

    r = run("{CMD}UP{CR}{CR}");
    EXPECT_GE(indexof(r, "Empty filename"), 0);
}

TEST(FileManagement, ListWithoutTheListProgram) {
    auto r = run("{CMD}LI{CR}{CR}");
    EXPECT_GE(indexof(r, "Input file name not specified and No Work file name"), 0);
    if (std::system("command -v list >/dev/null 2>&1") == 0)
        GTEST_SKIP() << "a program named list is installed";
    r = run("{CMD}LI{CR}{CR}", {{"a.txt", "one\n"}}, {"a.txt"});
    EXPECT_GE(indexof(r, "Error in executing LIST: command not found?"), 0);
    EXPECT_EQ(r.status, 0);
}

// ---- The drill ----------------------------------------------------------------------

// Runs the drill on a language pack copied into the run's directory, with
// the answers given; returns what it showed (its standard error).
Result drill(const char* lang, const std::string& answers) {
    const auto src = std::filesystem::path(OXA_SOURCE_DIR) / "examples";
    std::vector<Fixture> files;
    for (const char* name : {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax",
                             "tags", "merrors", "phonology"}) {
        std::ifstream in(src / lang / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files.push_back({name, text.str()});
    }
    files.push_back({"answers.txt", answers});
    files.push_back(driver("DRILL_PACK=. DRILL_SEED=43 DRILL_ANSWERS=answers.txt exec python3 '" +
                           (src / "drill" / "drill.py").string() + "'\n"));
    return runoxa({.args = {"-d", "drv.sh"}, .keys = "", .files = files, .timeout = 20,
                   .framed = false});
}

// The text after `label` on the line where it first appears from `from`.
std::string after(const std::string& text, const std::string& label, size_t from = 0) {
    size_t at = text.find(label, from);
    if (at == std::string::npos) return "";
    at += label.size();
    return text.substr(at, text.find('\n', at) - at);
}

TEST(Drill, ReportsEachAnswerOnBothPacks) {
    for (const char* lang : {"english", "french"}) {
        SCOPED_TRACE(lang);
        // First the sentence the seed gives for question 1.
        auto first = drill(lang, "q\n");
        EXPECT_EQ(first.status, 0);
        const std::string sentence = after(first.err, "Read this sentence:\n\n    ");
        ASSERT_FALSE(sentence.empty()) << first.err;
        EXPECT_NE(first.err.find("0 question(s)"), std::string::npos);

        // Then: the sentence without its last word, the sentence of
        // question 2 as shown, and quit.
        const size_t cut = sentence.rfind(' ');
        ASSERT_NE(cut, std::string::npos) << sentence;
        const std::string partial = sentence.substr(0, cut);
        const std::string last = sentence.substr(cut + 1);
        auto r = drill(lang, partial + "\n");
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.timedout);
        EXPECT_EQ(after(r.err, "Expected: "), sentence) << r.err;
        // One line per mistake, its class in words; the percent beside the score.
        EXPECT_EQ(after(r.err, "  missing word:              "), last + " left out") << r.err;
        const std::string percent =
            after(r.err, "Expected: " + sentence + "\n  missing word:              " + last +
                             " left out\n  ");
        EXPECT_NE(percent.find(" %  (score 10; 100 % is perfect, 0 % is nothing right)"),
                  std::string::npos)
            << r.err;
        const int shown = std::atoi(percent.c_str());
        EXPECT_GT(shown, 0) << percent;
        EXPECT_LT(shown, 100) << percent;

        const std::string second = after(r.err, "Read this sentence:\n\n    ",
                                         r.err.find("Question 2."));
        ASSERT_FALSE(second.empty()) << r.err;
        r = drill(lang, partial + "\n" + second + "\nq\n");
        EXPECT_EQ(r.status, 0);
        const size_t q2 = r.err.find("Question 2.");
        ASSERT_NE(q2, std::string::npos);
        EXPECT_NE(r.err.find("  All correct!", q2), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("2 question(s), 1 written without a fault.  Goodbye."),
                  std::string::npos)
            << r.err;
    }
}

} // namespace processes_test
