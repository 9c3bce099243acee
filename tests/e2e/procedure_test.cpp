// Procedure files and the input stream, end to end: `oxa -p` runs a procedure
// whose constructs decide what is typed, and `EMIT` shows the corefile on
// standard output.
//
// A procedure starts in command mode (start-up reads its PROCEDURE command
// there), so its first line end leaves command mode.  `~` switches the brace
// notation on and off; "{C}EM" and a line end emit the current corefile.
#include "harness.hpp"

namespace procedure_test {

using oxatest::Run;
using oxatest::runoxa;

// The text of every EMIT 0 block in the output: what stands between the
// message line before it and its "$$$" CR LF end marker.
std::vector<std::string> emitted(const std::string& out) {
    std::vector<std::string> blocks;
    const std::string marker = "$$$\r\n";
    size_t from = 0;
    for (size_t pos; (pos = out.find(marker, from)) != std::string::npos;
         from = pos + marker.size()) {
        size_t start = from;
        if (pos >= 2) {
            size_t crlf = out.rfind("\r\n", pos - 2);
            if (crlf != std::string::npos && crlf + 2 > start) start = crlf + 2;
        }
        blocks.push_back(out.substr(start, pos - start));
    }
    return blocks;
}

struct ProcCase {
    const char* what;
    std::string procedure;          // the procedure file
    std::string keys;               // standard input after start-up
    std::vector<std::string> emits; // the EMIT blocks expected, in order
};

TEST(Procedure, ConstructsDecideWhatIsTyped) {
    const ProcCase cases[] = {
        {"counted loop", "\n~{$}3{<^}ab{>%}{C}~EM\n", "", {"ababab\n"}},
        {"loop with count 0", "\n~{$}0{<^}ab{>%}~c~{C}~EM\n", "", {"c\n"}},
        {"nested loops", "\n~{$}2{<^}{$}2{<^}x{>%}y{>%}{C}~EM\n", "", {"xxyxxy\n"}},
        // A command in a loop body sets the result of its level: the body opens
        // a level of its own so that the loop keeps its count.
        {"commands in a loop", "\nz~{$}3{<^}{$}0{C}~EM\n\n~{%>%}~", "", {"z\n", "z\n", "z\n"}},
        // FETCH abandoned by rubout leaves result 0; a finished command 1.
        {"if-positive after an abandoned command",
         "~{C}~FE~{/}~\n~{?}~yes~{:}~no~{.C}~EM\n",
         "",
         {"no\n"}},
        {"if-positive after a finished command",
         "~{C}~EM\n\n~{?}~yes~{:}~no~{.C}~EM\n",
         "",
         {"\n", "yes\n"}},
        {"result test", "~{C}~EM\n\n~{=}1 one{:}other{.C}~EM\n", "", {"\n", "one\n"}},
        {"result test that fails", "~{C}~EM\n\n~{=}0 zero{:}other{.C}~EM\n", "", {"\n", "other\n"}},
        // A pause reads the keyboard until ESC Ctrl-W; constructs typed there
        // (ESC q is if-positive) are ignored.
        {"pause", "\nab~{[Y}~cd~{C}~EM\n", "XY{ESC}qZ{ESC}{^W}", {"abXYZcd\n"}},
        // Bytes of 128 and more in a procedure are escape keys: 243 is ESC s,
        // which has no code and is skipped.
        {"high bytes",
         "\na\xf3"
         "b~{C}~EM\n",
         "",
         {"ab\n"}},
    };
    for (const ProcCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.args = {"-p", "proc"},
                         .keys = c.keys,
                         .files = {{"proc", c.procedure}},
                         .framed = false});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(emitted(r.out), c.emits) << r.out;
    }
}

TEST(Procedure, KeysAndFunctionKeysDefinedByCommands) {
    // FUNCTION stores its text through the brace notation (here with
    // translation off in the file, so the braces reach the parameter); KEY
    // makes ESC e (key 229) a letter key, which types its accented letter.
    const std::string procedure = "FU1|xy\n"
                                  "FU2|{$}2{<^}q{>%}\n"
                                  "KE229|4\n"
                                  "\n"
                                  "a\x1b"
                                  "1\x1b"
                                  "2\x1b"
                                  "e~{C}~EM\n";
    auto r = runoxa({.args = {"-p", "proc"}, .files = {{"proc", procedure}}, .framed = false});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(emitted(r.out), std::vector<std::string>{"axyqq\xe9\n"}) << r.out;
}

TEST(Procedure, Utf8LettersInProceduresAndFunctionKeys) {
    // A UTF-8 procedure types its accented letters, also through a function
    // key whose string it defines; a Latin-1 byte stays the escape key it
    // always was (233 is ESC i, which types the i acute of the character map).
    const std::string procedure = "FU1|\xc3\xa7"
                                  "a\n"
                                  "\n"
                                  "\xc3\xa9t\xc3\xa9 \x1b"
                                  "1 \xe9~{C}~EM\n";
    auto r = runoxa({.args = {"-p", "proc"}, .files = {{"proc", procedure}}, .framed = false});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(emitted(r.out), std::vector<std::string>{"\xe9t\xe9 \xe7"
                                                       "a \xed\n"})
        << r.out;
}

TEST(Procedure, KeyOutsideTheMapIsRefused) {
    // The error waits for a reply: the next line end of the procedure.
    const std::string procedure = "KE624|4\n\n\nab~{C}~EM\n";
    auto r = runoxa({.args = {"-p", "proc"}, .files = {{"proc", procedure}}, .framed = false});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Invalid Key Assignment\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(emitted(r.out), std::vector<std::string>{"ab\n"}) << r.out;
}

TEST(Procedure, CommandTypedFromTheKeyboardAfterTheProcedure) {
    // The procedure types a line; the keyboard then gives the command key as
    // ESC [ 13 ~ and an EMIT.
    auto r = runoxa({.args = {"-p", "proc"},
                     .keys = "{ESC}[13~EM{CR}",
                     .files = {{"proc", "\nhello"}},
                     .framed = false});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(emitted(r.out), std::vector<std::string>{"hello\n"}) << r.out;
}

TEST(Procedure, KeySequencesFromTheKeyboard) {
    struct KeyCase {
        const char* what;
        const char* keys;
        const char* text;
    } cases[] = {
        {"overwrite", "{CR}abc{ESC}[D{ESC}[DX{ESC}[13~EM{CR}", "aXc\n"},
        {"insert mode by ESC [ 2 ~", "{CR}abc{ESC}[D{ESC}[D{ESC}[2~X{ESC}[13~EM{CR}", "aXbc\n"},
        // ESC [ 300 ~ is key 239: given the insert-mode code by KEY (key 623).
        {"numeric key capped", "KE623|22{CR}{CR}abc{ESC}[D{ESC}[D{ESC}[300~X{CMD}EM{CR}", "aXbc\n"},
        {"unmapped keys ignored", "{CR}a{^A}{ESC}s{ESC}[99~{ESC}[[sb{CMD}EM{CR}", "ab\n"},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto r = runoxa({.keys = c.keys, .framed = false});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(emitted(r.out), std::vector<std::string>{c.text}) << r.out;
    }
}

TEST(Procedure, EndOfInputNamesTheUnsavedCorefile) {
    auto r = runoxa({.args = {"notes.txt"}, .keys = "{CR}abc", .framed = false});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("corefile 1 (notes.txt) not saved"), std::string::npos) << r.err;
}

// A procedure that runs for a long time still shows its messages: the editor
// does not write a message per byte it reads, but what a procedure has
// produced reaches a pipe while the procedure is still running.
TEST(Procedure, MessagesOfARunningProcedureReachThePipe) {
    oxatest::TempDir dir;
    // A failed FETCH, then a million million turns of an empty loop.
    std::ofstream(dir.path / "long.proc", std::ios::binary)
        << "~{C}~FEnosuch.txt\n{C}~{$}1000000{<^}{$}1000000{<^}{>%}{>%}~";
    int inp[2], outp[2];
    ASSERT_EQ(pipe(inp), 0);
    ASSERT_EQ(pipe(outp), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(inp[0], 0);
        dup2(outp[1], 1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        for (int fd : {inp[0], inp[1], outp[0], outp[1], null}) close(fd);
        if (chdir(dir.path.c_str()) != 0) _exit(127);
        execl(OXA_BINARY, OXA_BINARY, "-p", "long.proc", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(inp[0]);
    close(outp[1]);
    const std::string message = "File not found (or no read permission)";
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (out.find(message) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{outp[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[4096];
        ssize_t n = read(outp[0], buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    // Still running: the message came while the loop went on.
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(inp[1]);
    close(outp[0]);
    EXPECT_NE(out.find(message), std::string::npos) << out;
}

} // namespace procedure_test
