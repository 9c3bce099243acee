// The command processor on its state: the table, the parameter reader, the
// defaults and conversion, command mode and the setter commands.
#include "editor/commands.hpp"
#include "editor/corefiles.hpp"
#include "editor/editloop.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"
#include "editor/typing.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace oxa {
namespace commands_test {

std::string wire; // what the transmitter passed, framing included

void capture(const char* data, size_t len) {
    wire.append(data, len);
}

// The front-end lines sent so far.
std::vector<std::string> sentlines() {
    std::vector<std::string> out;
    size_t pos = 0;
    for (size_t e; (e = wire.find("\r\n", pos)) != std::string::npos; pos = e + 2)
        out.push_back(wire.substr(pos, e - pos));
    return out;
}

bool sent(const std::string& line) {
    for (const std::string& l : sentlines())
        if (l == line) return true;
    return false;
}

// Set while a test runs: input that runs dry makes the input stream end the
// program, which must fail the test rather than pass it silently.
bool intest = false;

void failonexit() {
    if (intest) {
        std::fputs("the program exited in the middle of a test (input ran dry)\n", stderr);
        std::_Exit(1);
    }
}

// Replaces the pending input with `keys`.
void feed(const char* keys) {
    fnptr = 0;
    pushfn(keys);
}

class Commands : public ::testing::Test {
  protected:
    // Nothing here may wait on a real keyboard: standard input is /dev/null
    // while these tests run, and is given back afterwards.
    static inline int savedstdin = -1;
    static void SetUpTestSuite() {
        std::fflush(stdout);
        savedstdin = dup(0);
        if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
        static bool registered = false;
        if (!registered) std::atexit(failonexit);
        registered = true;
    }
    static void TearDownTestSuite() {
        dup2(savedstdin, 0);
        close(savedstdin);
        clearerr(stdin);
    }
    void SetUp() override {
        resetall();
        intest = true;
        xvsink = capture;
        wire.clear();
    }
    void TearDown() override {
        xvsink = stdoutsink;
        intest = false;
    }

    // Types `keys` as the parameters of command row `r`.
    void typeparams(int r, const char* keys) {
        cmdptr = r;
        feed(keys);
        getparam();
    }

    // Gives the cursor line of the current corefile the text `t`.
    void puttext(const char* t) {
        const int32_t n = static_cast<int32_t>(std::strlen(t));
        std::memcpy(&textbase[avail], t, static_cast<size_t>(n));
        LINE* l = cur().lnptr;
        l->object = K_TEXT;
        l->index = avail;
        l->length = n;
        avail += n;
        linkphys();
    }

    // Adds lines to the current corefile after its first, empty one.
    void addlines(int n) {
        for (int i = 0; i < n; ++i)
            allocln(K_EMPTY, 0);
    }
};

std::string str(const strparam& s) {
    return std::string(s.data());
}

int rowof(const char* name) {
    for (size_t r = 0; r < commands.size(); ++r)
        if (std::strcmp(commands[r].name, name) == 0) return static_cast<int>(r);
    return -1;
}

// Row i is the command that its first two letters select, no earlier row
// takes them, and the "**" row ends the table.  (The order of the rows is
// held by docs/editor.md, generated from them.)
TEST(CommandTable, RowIIsCommandI) {
    ASSERT_FALSE(commands.empty());
    EXPECT_STREQ(commands.back().name, "**");
    for (size_t r = 0; r + 1 < commands.size(); ++r) {
        SCOPED_TRACE(commands[r].name);
        ASSERT_GE(std::strlen(commands[r].name), 2u);
        for (size_t e = 0; e < r; ++e)
            EXPECT_NE(std::strncmp(commands[e].name, commands[r].name, 2), 0) << "taken by " << commands[e].name;
        EXPECT_NE(commands[r].help, nullptr);
    }
}

// Each row's parameter types are pairs of a type letter and a qualifier, and
// its defaults hold one field per parameter.
TEST(CommandTable, RowsHaveOneDefaultPerParameter) {
    for (int r = 0; r < static_cast<int>(commands.size()) - 1; ++r) {
        const CMDSPEC& c = commands[r];
        SCOPED_TRACE(c.name);
        const size_t n = std::strlen(c.paramtype);
        ASSERT_EQ(n % 2, 0u);
        ASSERT_GT(n, 0u);
        for (size_t i = 0; i < n; i += 2)
            EXPECT_TRUE(c.paramtype[i] >= 'c' && c.paramtype[i] <= 'k');
        size_t bars = 0;
        for (const char* d = c.defstr; *d; ++d)
            bars += *d == '|';
        EXPECT_EQ(bars, n / 2);
    }
}

struct RowCase {
    const char* name;
    uint32_t flags;
    const char* paramtype;
    const char* defstr;
    cmdfn checker;
    cmdfn cmdop;
};

TEST(CommandTable, SampleRowsHaveTheirFieldsAndOperations) {
    const RowCase cases[] = {
        {"FETCH", CMD_W | CMD_N | CMD_L, "f1gUgLcC", "|1|200000||", fpr, fetchfile},
        {"FIND", CMD_L | CMD_R, "d7c2", "||", findchk, nullptr},
        {"SCANSET", 0, "d7c2", "||", findchk, nullptr},
        {"SORT", CMD_L | CMD_S, "d3j gUgL", "|15|1|200000|", nullptr, nullptr},
        {"CLEAR", CMD_W | CMD_N | CMD_L, "e ", "|", nullptr, clrfile},
        {"POSITION", CMD_L, "hUj ", "||", positchk, positn},
        {"FUNCTION", 0, "d9c0", "||", nullptr, nullptr},
        {"MARGINS", 0, "i i ", "||", marginchk, prtabs},
        {"OBJECT", CMD_W, "d7", "|", nullptr, objset},
        {"CORE", CMD_N | CMD_L, "i ", "|", nullptr, coreset},
        {"ASK", CMD_R, "i f1", "||", nullptr, ask},
        {"WINDOW", 0, "i i ", "|200000|", nullptr, window},
        {"MPASSES", 0, "i i i i i ", "0|0|0|0|0|", nullptr, nullptr},
        {"CHANGE", CMD_L | CMD_S, "c2cD", "||", nullptr, nullptr},
        {"DIRECTORY", 0, "k1", "|", nullptr, nullptr},
        {"LIST", 0, "fEgUgLi fF", "|1|200000|1||", nullptr, nullptr},
        {"WSHIFT", 0, "i ", "|", shift, nullptr},
        {"BYE", 0, "e ", "|", nullptr, goodbye},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        int r = rowof(c.name);
        ASSERT_GE(r, 0);
        EXPECT_EQ(commands[r].sideffects, c.flags);
        EXPECT_STREQ(commands[r].paramtype, c.paramtype);
        EXPECT_STREQ(commands[r].defstr, c.defstr);
        if (c.checker != nullptr) {
            EXPECT_EQ(commands[r].checker, c.checker);
        }
        if (c.cmdop != nullptr) {
            EXPECT_EQ(commands[r].cmdop, c.cmdop);
        }
    }
    EXPECT_STREQ(commands[rowof("SORT")].prompt,
                 "0:ascending; 1:descending | keylength | startline | endline");
    EXPECT_EQ(commands[rowof("FETCH")].prompt, nullptr);
}

// The first two characters of every name select that name's own row.
TEST_F(Commands, EveryNameIsReachableByItsFirstTwoLetters) {
    for (int r = 0; r < static_cast<int>(commands.size()) - 1; ++r) {
        SCOPED_TRACE(commands[r].name);
        std::string keys(commands[r].name, 2);
        feed(keys.c_str());
        EXPECT_EQ(getcmnd(), r);
    }
}

// ---- Key rules of the parameter types ----------------------------------

struct KeyCase {
    const char* command;
    const char* keys;    // ended with a return by the test
    const char* pstring; // what stands typed before the defaults
};

TEST_F(Commands, KeysAreTakenByTheRulesOfTheParameterType) {
    const KeyCase cases[] = {
        {"FIND", "897", "7|"},                   // d7: one digit, not above 7
        {"FIND", "37", "3|"},                    // d: only as the first character
        {"FIND", "x3", "3|"},                    // d: letters are ignored
        {"GOODBYE", "abc12|", "|"},              // e: nothing but return
        {"NAME", "a-b.c/d_e~f", "a-b.c/d_e~f|"}, // f: file-name characters
        {"NAME", "a b,c", "abc|"},               // f: blanks and punctuation ignored
        {"NAME", "*a1", "*|"},                   // f: nothing after a `*`
        {"NAME", "a*", "a|"},                    // f: `*` only first
        {"CORE", "-1a*2", "12|"},                // i: digits only
        {"ADVANCE", "-3-|4-", "-3|4|"},          // j: `-` only first
        {"POSITION", "*5|", "*||"},              // h: nothing after `*`
        {"POSITION", "-2", "-2||"},              // h: a leading `-`
        {"SAVE", "f|-*|7", "f|*|7|"},            // g: `-` ignored, `*` first
        {"DIRECTORY", "1Bx", "B|"},              // k: one letter-class key first
        {"EXPRESSION", "a-*1 ,", "a-*1 ,|"},     // c: any character
        {"JUSTIFY", "1|", "1|"},                 // `|` in the last field is ignored
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.keys);
        resetcommands();
        cmdptr = rowof(c.command);
        std::string keys = std::string(c.keys) + "\r";
        feed(keys.c_str());
        getparam();
        EXPECT_EQ(del, 0);
        std::string typed(pstring.data(), static_cast<size_t>(std::strlen(c.pstring)));
        EXPECT_EQ(typed, c.pstring);
    }
}

TEST_F(Commands, RuboutDeletesAndStepsBackOverFields) {
    cmdptr = rowof("SORT");
    feed("1|22\x7f\x7f\x7f"
         "0|5\r");
    getparam();
    EXPECT_EQ(del, 0);
    // The rubouts took back 22 and the `|`, so 0 was refused in the digit field
    // (already holding 1), and the next `|` moved to the key length again.
    EXPECT_EQ(param[1], 1);
    EXPECT_EQ(param[2], 5);
    EXPECT_EQ(param[3], 1);
    EXPECT_EQ(param[4], 200000);
    // The prompt words: digit, integer, back to digit, integer again.
    std::vector<std::string> words;
    for (const std::string& l : sentlines())
        if (l == "Digit   " || l == "Integer ") words.push_back(l);
    EXPECT_EQ(words, (std::vector<std::string>{"Digit   ", "Integer ", "Digit   ", "Integer "}));
}

TEST_F(Commands, RuboutAtTheStartAbandons) {
    param[1] = 42;
    cmdptr = rowof("CORE");
    feed("3\x7f\x7f");
    getparam();
    EXPECT_EQ(del, 2);
    EXPECT_EQ(param[1], 42); // nothing converted
}

TEST_F(Commands, TypedTextIsLimitedTo48Characters) {
    cmdptr = rowof("EXPRESSION");
    std::string keys(60, 'x');
    keys += "\r";
    feed(keys.c_str());
    getparam();
    EXPECT_EQ(str(expression), std::string(48, 'x'));
}

// ---- Defaults and conversion ---------------------------------------------

TEST_F(Commands, FetchWithOnlyANameTakesTheDefaults) {
    std::strcpy(recboolcheck.data(), "old");
    typeparams(rowof("FETCH"), "notes.txt\r");
    EXPECT_EQ(str(curfile), "notes.txt");
    EXPECT_EQ(param[2], 1);
    EXPECT_EQ(param[3], 200000);
    EXPECT_EQ(str(recboolcheck), "");
}

struct ConvCase {
    const char* command;
    const char* keys;
    std::vector<int32_t> params; // param[1], param[2], ...
};

TEST_F(Commands, IntegerDigitAndLetterFieldsConvert) {
    const ConvCase cases[] = {
        {"SORT", "1\r", {1, 15, 1, 200000}},
        {"SORT", "1||\r", {1, 0, 0, 200000}}, // typed empty fields are 0
        {"SORT", "\r", {0, 15, 1, 200000}},
        {"SORT", "0|-7|3|9\r", {0, -7, 3, 9}},
        {"POSITION", "-5|-2\r", {-5, -2}},
        {"WINDOW", "30\r", {30, 200000}},
        {"MPASSES", "1|2\r", {1, 2, 0, 0, 0}},
        {"DIRECTORY", "B\r", {2}},
        {"DIRECTORY", "f\r", {6}},
        {"DIRECTORY", ".\r", {'.' + 32 - 96}},
        {"DIRECTORY", "\r", {0}},
        {"JUSTIFY", "\r", {0}},
        {"CORE", "000123\r", {123}},
        {"CORE", "99999999999999\r", {INT32_MAX}},
    };
    for (const ConvCase& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.keys);
        resetcommands();
        typeparams(rowof(c.command), c.keys);
        ASSERT_EQ(del, 0);
        for (size_t i = 0; i < c.params.size(); ++i)
            EXPECT_EQ(param[i + 1], c.params[i]) << "param " << i + 1;
    }
}

TEST_F(Commands, StarStandsForTheStarredLines) {
    addlines(9);
    COREFILE& cf = cur();
    LINE* l = cf.header->down;
    for (int i = 1; i < 7; ++i)
        l = l->down;
    cf.starA = l;                           // line 7
    cf.starB = cf.header->down->down->down; // line 3
    cf.starcount = 2;
    typeparams(rowof("SAVE"), "x|*|*\r");
    EXPECT_EQ(param[2], 3);
    EXPECT_EQ(param[3], 7);

    cf.starA = cf.starB = nullptr;
    cf.starcount = 0;
    typeparams(rowof("SAVE"), "x|*|*\r");
    EXPECT_EQ(param[2], 1);
    EXPECT_EQ(param[3], 200000);
}

TEST_F(Commands, StringsGoToTheirBuffersWithBracesWhereTheyApply) {
    typeparams(rowof("CHANGE"), "a{!}b*|x{!}\r");
    EXPECT_EQ(str(scanpattern), "a|b*");
    EXPECT_EQ(str(targetstring), "x{!}");

    typeparams(rowof("FUNCTION"), "3|{C}ab{[}\r");
    EXPECT_EQ(std::string(fn[3].data()), "\x03"
                                         "ab\x1b");
    EXPECT_EQ(fn[2][0], 0);

    typeparams(rowof("MERGE"), "{(}x{)}\r");
    EXPECT_EQ(str(mrgstring), "{x}");
    typeparams(rowof("EXPRESSION"), "{(}x\r");
    EXPECT_EQ(str(expression), "{(}x");
    typeparams(rowof("SHELL"), "ls {C}\r");
    EXPECT_EQ(str(sysstring), "ls {C}");
    typeparams(rowof("EVALUATE"), "1+2\r");
    EXPECT_EQ(str(mathstring), "1+2");
    typeparams(rowof("VERROR"), "4|{C}\r");
    EXPECT_EQ(param[1], 4);
    EXPECT_EQ(str(v_error), "\x03");
    typeparams(rowof("LIST"), "a|||2|b\r");
    EXPECT_EQ(str(listfile), "a");
    EXPECT_EQ(str(listinitfile), "b");
    EXPECT_EQ(param[4], 2);
    typeparams(rowof("RECOVER"), "tree\r");
    EXPECT_EQ(str(picstring), "tree");
}

TEST_F(Commands, LoneStarFileNameIsTheCorefilesName) {
    std::strcpy(cur().filname.data(), "letter.txt");
    typeparams(rowof("NAME"), "*\r");
    EXPECT_EQ(str(curfile), "letter.txt");
}

// ---- Command names ---------------------------------------------------------

TEST_F(Commands, NameIsCompletedOnTheCommandLine) {
    feed("co"); // lower case is read as upper case
    EXPECT_EQ(getcmnd(), rowof("CORE"));
    EXPECT_EQ(sentlines(), (std::vector<std::string>{"Command ", "C", "O", "R", "E", " "}));
    EXPECT_EQ(transb, 0); // restored
}

TEST_F(Commands, NameReadingKeys) {
    struct {
        const char* keys;
        int row;
    } cases[] = {
        {"\rFE", -1}, // return first leaves command mode
        {"F\x7f"
         "FE",
         0},          // rubout takes back the first letter
        {"!F,E", 0},  // punctuation is ignored
        {"ZZ\r", -2}, // no such command (return answers the error)
        {"FI", rowof("FIND")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        wire.clear();
        resetinput();
        feed(c.keys);
        EXPECT_EQ(getcmnd(), c.row);
        EXPECT_EQ(sent("Invalid Command Request"), c.row == -2);
    }
}

// ---- Command mode ----------------------------------------------------------

TEST_F(Commands, CommandModePersistsUntilReturn) {
    mode = 2;
    feed("CO3\rJU1\r\r");
    prcmnd();
    EXPECT_EQ(corenum, 3);
    EXPECT_EQ(jmode, 1);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(result(), 1);
    EXPECT_EQ(sentlines().back(), "Insert  ");
    EXPECT_EQ(shadow_ptr, 0);
}

TEST_F(Commands, AbandonedCommandSetsResultZero) {
    result() = 7;
    jmode = 1;
    feed("JU\x7f\r");
    prcmnd();
    EXPECT_EQ(result(), 0);
    EXPECT_EQ(jmode, 1);
}

TEST_F(Commands, FlagRLeavesTheResultAlone) {
    result() = 7;
    feed("FI\x7f\r");
    prcmnd();
    EXPECT_EQ(result(), 7);
}

TEST_F(Commands, StoreFullRefusesFlagSCommands) {
    full = 1;
    feed("SO\rHY2\r\r"); // the return answers the error
    prcmnd();
    EXPECT_TRUE(sent("files full; command ignored"));
    EXPECT_EQ(hyphlevel, 2); // command mode went on
}

TEST_F(Commands, UnsavedWarningAndPromptInTheHelpLine) {
    cur().edited = 1;
    feed("OB0\r\r");
    prcmnd();
    std::vector<std::string> l = sentlines();
    auto warn = std::find(l.begin(), l.end(), "Warning: corefile not saved");
    auto prompt =
        std::find(l.begin(), l.end(),
                  "0:txt 1:rec/txt 2:rec/tmp 3:lin/txt 4:lin/gr 5:mat/txt 6:mat/gr 7:page");
    ASSERT_NE(warn, l.end());
    ASSERT_NE(prompt, l.end());
    EXPECT_LT(warn, prompt);
}

TEST_F(Commands, CheckerRefusalSkipsTheOperation) {
    // NAME has no checker; SAVE's checker refuses an empty name.
    std::strcpy(cur().filname.data(), "keep");
    feed("NAnew\rSA\r\r\r");
    prcmnd();
    EXPECT_STREQ(cur().filname.data(), "new");
    EXPECT_EQ(result(), 0);
}

TEST_F(Commands, AfterACommandLineNumberFileNameAndCollection) {
    // Corefile 2: three lines, the cursor on the last, its line number stale.
    corenum = 2;
    addlines(2);
    cur().curline = 1;
    std::strcpy(cur().filname.data(), "two.txt");
    corenum = 1;
    avail = hiaddr + 1; // the heap has passed its mark: collection is due
    feed("CO2\r\r");
    prcmnd();
    EXPECT_EQ(corenum, 2);
    EXPECT_EQ(cur().curline, 3);  // flag L
    EXPECT_TRUE(sent("two.txt")); // flag N
    EXPECT_EQ(avail, 0);          // collected: no line holds text
    EXPECT_EQ(full, 0);
}

// ---- Setters ---------------------------------------------------------------

TEST_F(Commands, Margins) {
    struct {
        int32_t left, right, wantleft, wantright;
    } cases[] = {
        {5, 60, 5, 60}, {0, 60, 1, 60}, {10, 0, 10, 72}, {80, 0, 80, 80}, {30, 20, 30, 30},
    };
    for (const auto& c : cases) {
        lmargin = 1;
        rmargin = 72;
        param[1] = c.left;
        param[2] = c.right;
        marginchk();
        EXPECT_EQ(lmargin, c.wantleft);
        EXPECT_EQ(rmargin, c.wantright);
    }
}

TEST_F(Commands, TabStops) {
    EXPECT_EQ(tabs[1], 1);
    EXPECT_EQ(tabs[137], 1);
    EXPECT_EQ(tabs[2], 0);
    param[1] = 0;
    settabs();
    for (uint8_t t : tabs)
        EXPECT_EQ(t, 0);
    param[1] = 50;
    settabs();
    EXPECT_EQ(tabs[1], 1);
    EXPECT_EQ(tabs[51], 1);
    EXPECT_EQ(tabs[101], 1);
    param[1] = 25; // keeps the stops already set
    settabs();
    EXPECT_EQ(tabs[26], 1);
    EXPECT_EQ(tabs[51], 1);
    EXPECT_EQ(tabs[126], 1);
    EXPECT_EQ(tabs[27], 0);
    auto before = tabs;
    param[1] = 144; // too large: ignored
    settabs();
    EXPECT_EQ(tabs, before);
}

TEST_F(Commands, EditorOptions) {
    struct {
        int32_t n;
        int32_t* var;
        int32_t want;
    } cases[] = {
        {0, &crinsert, 0}, {2, &crinsert, 2},   {1, &crinsert, 1},   {4, &repflag, 0},
        {3, &repflag, 1},  {6, &fetchstyle, 2}, {5, &fetchstyle, 1}, {8, &octflag, 1},
        {7, &octflag, 0},  {10, &lfonly, 0},    {9, &lfonly, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        param[1] = c.n;
        option();
        EXPECT_EQ(*c.var, c.want);
    }
    param[1] = 11;
    option();
    EXPECT_EQ(crinsert, 1);
    EXPECT_EQ(repflag, 1);
    EXPECT_EQ(fetchstyle, 1);
    EXPECT_EQ(octflag, 0);
    EXPECT_EQ(lfonly, 1);
}

TEST_F(Commands, KeyAndFontAssignments) {
    param[1] = 600;
    param[2] = 21;
    inkeyset();
    EXPECT_EQ(intran[600], 21);
    param[1] = 65;
    param[2] = 66;
    outkeyset();
    EXPECT_EQ(outtran[65], 66);

    feed("\r\r"); // answers to the two errors
    param[1] = 624;
    param[2] = 1;
    inkeyset();
    param[1] = 256;
    outkeyset();
    EXPECT_TRUE(sent("Invalid Key Assignment"));
    EXPECT_TRUE(sent("Invalid Font Assignment"));
    param[1] = 5;
    param[2] = 128;
    feed("\r");
    wire.clear();
    inkeyset();
    EXPECT_TRUE(sent("Invalid Key Assignment"));
}

TEST_F(Commands, WindowSetsTheGeometry) {
    addlines(30); // cursor on line 31, window from line 1
    param[1] = 40;
    param[2] = 100;
    window();
    EXPECT_EQ(depth, 36);
    EXPECT_EQ(swidth, 98);
    EXPECT_EQ(rightcol, 98);
    EXPECT_EQ(shiftc, 100 - 19 - 2);
    EXPECT_EQ(cmdline, 39);
    EXPECT_EQ(helpline, 38);
    EXPECT_EQ(windowend, 37);
    EXPECT_EQ(cur().disln, cur().header->down); // line 31 is within 36 rows

    param[1] = 24;
    param[2] = 80;
    window();
    EXPECT_EQ(depth, 20);
    EXPECT_EQ(cur().disln, cur().lnptr); // re-anchored at the cursor line
}

TEST_F(Commands, WindowRefusesUnusableSizes) {
    struct {
        int32_t rows, cols;
    } cases[] = {{0, 200000}, {4, 80}, {24, 21}, {24, MAXWINCOLS + 1}, {MAXWINROWS + 1, 80}};
    for (const auto& c : cases) {
        wire.clear();
        feed("\r");
        param[1] = c.rows;
        param[2] = c.cols;
        window();
        EXPECT_TRUE(sent("Invalid Window Size"));
        EXPECT_EQ(depth, 20);
        EXPECT_EQ(swidth, 78);
    }
}

TEST_F(Commands, ObjectTypeShapesTheOnlyEmptyLine) {
    param[1] = 1;
    objset();
    EXPECT_EQ(cur().viewtype, 1);
    EXPECT_EQ(cureditmask, editmask[1]);
    EXPECT_EQ(redisplay, RP_ALL);
    EXPECT_EQ(cur().header->down->object, K_RECORD);

    // With more than one line the text is left alone.
    corenum = 2;
    addlines(1);
    param[1] = 1;
    objset();
    EXPECT_EQ(cur().viewtype, 1);
    EXPECT_EQ(cur().header->down->object, K_EMPTY);
}

TEST_F(Commands, AskSetsTheResult) {
    addlines(4); // five lines, cursor on the fifth
    COREFILE& cf = cur();
    puttext("  ab");
    cf.curcol = 4;
    cf.starA = cf.header->down->down;
    cf.starB = cf.header->down->down->down->down;
    struct {
        int32_t sel;
        int32_t want;
    } cases[] = {{3, 5}, {4, 4}, {5, 3}, {6, 3}, {7, 'b'}, {15, 1}, {16, 5}, {2, -1}, {8, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sel);
        result() = -1;
        param[1] = c.sel;
        ask();
        EXPECT_EQ(result(), c.want);
    }
    cf.curcol = 9;
    param[1] = 7;
    ask();
    EXPECT_EQ(result(), ' ');
    param[1] = 0;
    ask();
    EXPECT_EQ(askanswers, 0);
    param[1] = 1;
    ask();
    EXPECT_EQ(askanswers, 1);
}

std::string answers; // what ASK sent to the driver program
void takeanswer(const char* text, size_t len) {
    answers.append(text, len);
}

TEST_F(Commands, AskAnswersTheDriverProgram) {
    puttext("  ab cd  ");
    cur().curcol = 3;
    corenum = 15; // the report corefile: "x  ", then an empty line
    puttext("x  ");
    allocln(K_EMPTY, 0);
    corenum = 1;
    askreply = takeanswer;
    struct {
        int32_t sel;
        const char* sent;
    } cases[] = {
        {2, "9\n"},       {3, "1\n"},  {4, "3\n"}, {7, "a\n"}, {12, "ab\n"}, {13, "ab cd  \n"},
        {14, "2\nx\n\n"}, {16, "1\n"}, {17, ""},   {0, ""},    {4, ""}, // answers are off now
        {1, ""},          {15, "1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sel);
        answers.clear();
        result() = 9;
        param[1] = c.sel;
        ask();
        EXPECT_EQ(answers, c.sent);
    }
    askreply = nullptr;
}

TEST_F(Commands, AskChecksFiles) {
    std::strcpy(curfile.data(), "/nonexistent/dir/file");
    feed("\r");
    param[1] = 9;
    ask();
    EXPECT_EQ(result(), 0);
    std::strcpy(curfile.data(), "/dev/null");
    param[1] = 9;
    ask();
    EXPECT_EQ(result(), 1);
}

TEST_F(Commands, SilentTogglesOutput) {
    silent();
    EXPECT_EQ(visible, 0);
    xvtransmit("$mhhidden");
    EXPECT_FALSE(sent("hidden"));
    mode = 1;
    silent();
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(redisplay, RP_ALL);
    EXPECT_TRUE(sent("Typing  "));
}

TEST(PromptWords, CodesGiveTheirWords) {
    resetfrontend();
    wire.clear();
    xvsink = capture;
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 10, 11})
        prmptpar(code);
    xvsink = stdoutsink;
    EXPECT_EQ(sentlines(), (std::vector<std::string>{"Command ", "Typing  ", "Insert  ", "String  ",
                                                     "Digit   ", "<return>", "Filename", "Integer ",
                                                     "Integer ", "Letter  "}));
}

} // namespace commands_test
} // namespace oxa
