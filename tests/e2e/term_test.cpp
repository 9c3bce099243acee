// oxa-term end to end: the real program in a detached tmux session of a fixed
// size, keys sent with send-keys, the screen read back with capture-pane.
//
// Each wait polls the screen every 20 ms until the text it waits for shows
// (at most 10 s), so a scenario takes as long as the programs need and no
// longer.  A missing tmux fails the tests: they are never skipped.
#include "harness.hpp"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace oxatest {
namespace term_test {

std::string termbinary() {
    return (std::filesystem::path(OXA_BINARY).parent_path() / "oxa-term").string();
}

// Quotes a word for the shell.
std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// Runs a shell command; returns its standard output and sets status.
std::string shell(const std::string& cmd, int& status) {
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (p == nullptr) {
        status = -1;
        return out;
    }
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    status = pclose(p);
    return out;
}

std::string readfile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// One tmux server of its own (a private socket) with one session in a
// temporary directory; the server goes with the object.
class TmuxSession {
  public:
    TmuxSession() {
        static int counter = 0;
        socket_ = "oxa-term-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    }
    ~TmuxSession() {
        int status = 0;
        shell(tmux("kill-server"), status);
    }
    const std::filesystem::path& dir() const { return dir_.path; }

    void write(const std::string& name, const std::string& content) {
        std::ofstream(dir() / name, std::ios::binary) << content;
    }

    // Starts `command` (run by the shell in the directory) in a session of
    // the given size; when it ends, the shell prints its exit status and waits.
    void start(const std::string& command, int rows, int cols) {
        const std::string inner =
            "cd " + quoted(dir().string()) + " && LANG=C.UTF-8 TERM=screen " + command +
            "; echo \"[exit $?]\"; sleep 600";
        int status = 0;
        const std::string out =
            shell(tmux("new-session -d -s t -x " + std::to_string(cols) + " -y " +
                       std::to_string(rows) + " " + quoted(inner)),
                  status);
        ASSERT_EQ(status, 0) << "tmux could not start a session (is tmux installed?): " << out;
    }

    // Sends keys: a word beginning with '=' is literal text (the rest of
    // it), any other word a tmux key name (Enter, Down, C-c, BSpace ...).
    void send(const std::vector<std::string>& keys) {
        for (const auto& k : keys) {
            int status = 0;
            const std::string cmd = k.starts_with("=") ? "send-keys -t t -l " + quoted(k.substr(1))
                                                       : "send-keys -t t " + quoted(k);
            const std::string out = shell(tmux(cmd), status);
            ASSERT_EQ(status, 0) << out;
        }
    }

    void resize(int rows, int cols) {
        int status = 0;
        const std::string out = shell(
            tmux("resize-window -t t -x " + std::to_string(cols) + " -y " + std::to_string(rows)),
            status);
        ASSERT_EQ(status, 0) << out;
    }

    // The screen, one string a row, blanks at the ends of rows removed.
    std::vector<std::string> screen() {
        int status = 0;
        std::istringstream in(shell(tmux("capture-pane -p -t t"), status));
        std::vector<std::string> rows;
        for (std::string l; std::getline(in, l);) {
            l.erase(l.find_last_not_of(' ') + 1);
            rows.push_back(l);
        }
        return rows;
    }
    static std::string joined(const std::vector<std::string>& rows) {
        std::string s;
        for (size_t i = 0; i < rows.size(); ++i)
            s += (i < 10 ? " " : "") + std::to_string(i) + "|" + rows[i] + "\n";
        return s;
    }

    // Waits until the screen satisfies `ok`; fails with the last screen.
    template <typename Pred>
    std::vector<std::string> waituntil(Pred ok, const std::string& what) {
        std::vector<std::string> rows;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            rows = screen();
            if (ok(rows)) return rows;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < end);
        ADD_FAILURE() << "never " << what << "; the screen:\n" << joined(rows);
        return rows;
    }
    // Waits until some row contains `text`, or with a leading '!' until
    // no row contains the rest.
    std::vector<std::string> waitfor(const std::string& text) {
        const bool gone = text.starts_with("!");
        const std::string t = gone ? text.substr(1) : text;
        return waituntil(
            [&](const std::vector<std::string>& rows) {
                for (const auto& r : rows)
                    if (r.find(t) != std::string::npos) return !gone;
                return gone;
            },
            (gone ? "lost \"" : "showed \"") + t + "\"");
    }

    // The process id of the pane's program and of its children.
    int panepid() {
        int status = 0;
        return std::atoi(shell(tmux("list-panes -t t -F '#{pane_pid}'"), status).c_str());
    }

  private:
    std::string tmux(const std::string& args) const {
        return "LANG=C.UTF-8 tmux -u -L " + socket_ + " -f /dev/null " + args;
    }
    std::string socket_;
    TempDir dir_;
};

// The children of a process.
std::vector<int> children(int pid) {
    std::vector<int> out;
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (int c; in >> c;)
        out.push_back(c);
    return out;
}

bool alive(int pid) {
    return kill(pid, 0) == 0;
}

struct Step {
    std::vector<std::string> keys; // see TmuxSession::send
    std::string waitfor;           // text to wait for afterwards ("!text": until it is gone)
};

struct Scenario {
    const char* name;
    int rows, cols;
    std::vector<Fixture> files;
    std::string args;
    std::vector<Step> steps;
    std::vector<std::pair<int, std::string>> screen; // rows expected at the end, exactly
    std::vector<Fixture> written;                    // files expected on disk at the end
};

const std::string threelines = "First line of text\nSecond line\nThird line\n";

std::string numbered(int n) {
    std::string s;
    for (int i = 1; i <= n; ++i)
        s += "line " + std::to_string(i) + "\n";
    return s;
}

const std::string ruler80 =
    "  <.......!.......!.......!.......!.......!.......!.......!.......!......>......";

const Scenario scenarios[] = {
    {"opening a file shows its first lines and the status line",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"}},
     {{0, " Core 1 | Line 1 of 3 | Col 1 | TEXT | Command | f.txt"},
      {1, ruler80},
      {2, "  First line of text"},
      {3, "  Second line"},
      {4, "  Third line"},
      {5, ""},
      {22, ""},
      {23, ""}},
     {}},
    {"typing overwrites, rubout takes back, insert mode inserts",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"},
      {{"Enter"}, "Typing"},
      {{"=Fun"}, "Funst line of text"},
      {{"BSpace"}, "Funt line of text"},
      {{"BSpace"}, "Fun line of text"},
      {{"=ad"}, "Funadine of text"},
      {{"Down", "Insert"}, "Insert"},
      {{"=XY"}, "SeconXYd line"}},
     {{0, " Core 1 | Line 2 of 3 | Col 8 | TEXT | Insert | f.txt"},
      {2, "  Funadine of text"},
      {3, "  SeconXYd line"},
      {4, "  Third line"}},
     {{"f.txt", threelines}}},
    {"moving down past the window scrolls",
     12, 60, {{"long.txt", numbered(30)}}, "long.txt",
     {{{}, "line 8"},
      {{"Enter"}, "Typing"},
      {{"Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down"},
       "Line 11 of 30"}},
     {{0, " Core 1 | Line 11 of 30 | Col 1 | TEXT | Typing | long.txt"},
      {1, "  <.......!.......!.......!.......!.......!.......!.......!."},
      {2, "  line 4"}, // the window follows the cursor a line at a time
      {3, "  line 5"},
      {9, "  line 11"},
      {10, ""}},
     {}},
    {"a command with a prompted parameter",
     24, 80, {{"other.txt", "Other file\n"}}, "",
     {{{}, "Command"},
      {{"=FE"}, "Filename"},
      {{"=other.txt"}, "FETCH other.txt"},
      {{"Enter"}, "Other file"}},
     {{0, " Core 1 | Line 1 of 1 | Col 1 | TEXT | Command | other.txt"},
      {2, "  Other file"},
      {23, ""}},
     {}},
    {"an error waits for its reply",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"},
      {{"=ZZ"}, "Invalid Command Request  [Return: go on, Backspace: abandon]"},
      {{"Enter"}, "!Invalid Command Request"}},
     {{2, "  First line of text"}, {22, ""}, {23, ""}},
     {}},
    {"SAVE writes the file on disk",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"},
      {{"Enter", "=New"}, "New"},
      {{"C-c", "=SAout.txt"}, "SAVE out.txt"},
      {{"Enter", "Enter"}, "Typing"}},
     {{2, "  Newst line of text"}},
     {{"out.txt", "Newst line of text\nSecond line\nThird line\n"}, {"f.txt", threelines}}},
    {"a French text with accented letters typed and saved",
     24, 80, {{"fr.txt", "Le caf\xe9 est pr\xeat.\n"}}, "fr.txt",
     {{{}, "Le café est prêt."},
      {{"Enter", "End", "=Très à côté, ça."}, "Le café est prêt.Très à côté, ça."},
      {{"C-c", "=SAsaved.txt"}, "SAVE saved.txt"},
      {{"Enter", "Enter"}, "Typing"}},
     {{2, "  Le café est prêt.Très à côté, ça."}},
     {{"saved.txt", "Le caf\xe9 est pr\xeat.Tr\xe8s \xe0 c\xf4t\xe9, \xe7" "a.\n"}}},
    {"French typography and a character kept by number show as themselves, oe is typed",
     24, 80, {{"fr.txt", "\xc2\xab Ma s\xc5\x93ur\xe2\x80\xa6 \xc2\xbb\nC\xe2\x80\x99" "est 10 \xe2\x82\xac \xe2\x80\x94 \xce\xb1.\n"}}, "fr.txt",
     {{{}, "⟦3B1⟧"},
      {{"Enter", "Insert", "=œ"}, "œ« Ma sœur… »"},
      {{"C-c", "=SAsaved.txt"}, "SAVE saved.txt"},
      {{"Enter", "Enter"}, "| Insert |"}},
     {{2, "  œ« Ma sœur… »"}, {3, "  C’est 10 € — ⟦3B1⟧."}},
     {{"saved.txt", "\xc5\x93\xc2\xab Ma s\xc5\x93ur\xe2\x80\xa6 \xc2\xbb\nC\xe2\x80\x99" "est 10 \xe2\x82\xac \xe2\x80\x94 \xce\xb1.\n"}}},
    {"the key summary opens with ? or F1 and the next key only closes it",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"},
      {{"=?"}, "Keys (F1, or ? at the start of a command; any key closes this)"},
      {{"Enter"}, "First line of text"},
      {{"F1"}, "ESC n finds again, staying on the match"},
      {{"=x"}, "Second line"},
      // Typing, '?' is a character like any other.
      {{"Enter", "=?"}, "?irst line of text"}},
     {{0, " Core 1 | Line 1 of 3 | Col 2 | TEXT | Typing | f.txt"},
      {2, "  ?irst line of text"},
      {23, ""}},
     {}},
    {"undo and redo over typing, a motion and a command show each text on the way",
     24, 80, {{"g.txt", "alpha\nbeta\ngamma\n"}}, "g.txt",
     {{{}, "gamma"},
      {{"F1"}, "Ctrl-_ Ctrl-Y undo, redo"},
      {{"Enter"}, "!Ctrl-_ Ctrl-Y undo, redo"},
      {{"Enter", "=XY"}, "XYpha"},
      {{"Down", "=Z"}, "beZa"},
      {{"C-c", "=CHgamma|G", "Enter", "Enter"}, "!gamma"},
      {{"=\x1f"}, "gamma"},
      {{"=\x1f"}, "beta"},
      {{"=\x1f"}, "alpha"},
      {{"=\x1f"}, "Nothing to undo"},
      {{"=\x19"}, "XYpha"},
      {{"=\x19"}, "beZa"},
      {{"=\x19"}, "!gamma"}},
     {{2, "  XYpha"}, {3, "  beZa"}, {4, "  G"}},
     {}},
    {"EMIT output is shown, a line like a message included, until the next key",
     24, 80, {{"s.txt", "$p3,2147483647\n$$$\nlast line\n"}}, "s.txt",
     {{{}, "last line"},
      {{"=EM", "Enter"}, "!  $p3,2147483647"}},
     {{2, "$p3,2147483647"}, {3, "$$$"}, {4, "last line"}, {5, ""}},
     {}},
    {"a shell command's output is shown while the editor waits for return",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"},
      {{"=SH", "=printf '%s\\n' '$p3,2147483647' done", "Enter"}, "Type [return] to continue"}},
     {{2, "printf '%s\\n' '$p3,2147483647' done"},
      {3, "$p3,2147483647"},
      {4, "done"},
      {5, ""},
      {6, ""},
      {7, "Type [return] to continue"}},
     {}},
    {"after a shell command, return brings the text back",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"},
      {{"=SH", "=echo hello", "Enter"}, "Type [return] to continue"},
      {{"Enter"}, "!Type [return]"}},
     {{2, "  First line of text"}, {3, "  Second line"}},
     {}},
    {"leaving with BYE gives the terminal back",
     24, 80, {{"f.txt", threelines}}, "f.txt",
     {{{}, "Third line"},
      {{"=BY", "Enter"}, "[exit 0]"}},
     {{0, "[exit 0]"}, {1, ""}},
     {}},
};

void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

class TermScreens : public ::testing::TestWithParam<Scenario> {};

TEST_P(TermScreens, Scenario) {
    const Scenario& sc = GetParam();
    TmuxSession t;
    for (const auto& f : sc.files)
        t.write(f.name, f.content);
    t.start(quoted(termbinary()) + (sc.args.empty() ? "" : " " + quoted(sc.args)), sc.rows, sc.cols);
    std::vector<std::string> rows;
    for (const auto& step : sc.steps) {
        t.send(step.keys);
        rows = t.waitfor(step.waitfor);
        if (HasFailure()) return;
    }
    for (const auto& [row, text] : sc.screen) {
        ASSERT_LT(row, static_cast<int>(rows.size()));
        EXPECT_EQ(rows[static_cast<size_t>(row)], text) << "row " << row << " of\n" << TmuxSession::joined(rows);
    }
    for (const auto& f : sc.written)
        EXPECT_EQ(readfile(t.dir() / f.name), f.content) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Tmux, TermScreens, ::testing::ValuesIn(scenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return "Scenario" + std::to_string(info.index);
                         });

// A new terminal size reaches the editor, which redraws in it.
TEST(TermTmux, FollowsAResize) {
    TmuxSession t;
    t.write("f.txt", threelines);
    t.start(quoted(termbinary()) + " f.txt", 24, 80);
    t.waitfor("Third line");
    t.send({"Enter"});
    t.waitfor("Typing");
    t.resize(12, 50);
    // The editor's redraw brings a ruler for the new width.
    auto rows = t.waituntil(
        [](const std::vector<std::string>& r) {
            // The whole redraw, not a screen caught half way through it.
            return r.size() == 12 && r[1].size() > 2 && r[1].size() <= 50 && r[0].rfind(" Core 1 |", 0) == 0 &&
                   !r[2].empty();
        },
        "redrew in 12 rows of 50 columns");
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0], " Core 1 | Line 1 of 3 | Col 1 | TEXT | Typing | f."); // cut at 50
    EXPECT_EQ(rows[2], "  First line of text");
    // The help and command lines moved up with the bottom of the terminal:
    // an error shows on the new help line.
    t.send({"C-c", "=ZZ"});
    rows = t.waitfor("Invalid Command Request");
    EXPECT_EQ(rows[10].substr(0, 23), "Invalid Command Request");
    t.send({"Enter", "Enter"});
    t.waitfor("Typing");
    // And the editor's own window is the new size: typing at column 49 of a
    // 50-column terminal scrolls the text sideways.
    t.send({"End", "=0123456789012345678901234567890"});
    rows = t.waitfor("Col 50");
    EXPECT_EQ(rows[2], "--12345678901234567890");
}

// A dead or missing editor is reported, and the terminal is given back.
TEST(TermTmux, ReportsAMissingEditor) {
    TmuxSession t;
    std::filesystem::copy_file(termbinary(), t.dir() / "oxa-term");
    t.start("./oxa-term f.txt", 24, 80);
    const auto rows = t.waitfor("[exit 1]");
    const std::string all = TmuxSession::joined(rows);
    EXPECT_NE(all.find("oxa-term: cannot run " + (t.dir() / "oxa").string() +
                       ": No such file or directory"),
              std::string::npos)
        << all;
}

TEST(TermTmux, ReportsAnEditorThatDies) {
    TmuxSession t;
    t.write("f.txt", threelines);
    t.start(quoted(termbinary()) + " f.txt", 24, 80);
    t.waitfor("Third line");
    // The pane runs the shell, the shell oxa-term, oxa-term the editor.
    const auto shells = children(t.panepid());
    ASSERT_EQ(shells.size(), 1u);
    const auto editors = children(shells[0]);
    ASSERT_EQ(editors.size(), 1u);
    ASSERT_EQ(kill(editors[0], SIGKILL), 0);
    const auto rows = t.waitfor("[exit 1]");
    EXPECT_NE(TmuxSession::joined(rows).find("oxa-term: the editor was killed by signal 9 (Killed)"),
              std::string::npos)
        << TmuxSession::joined(rows);
}

TEST(TermTmux, ASignalEndsTheSessionAndTheEditor) {
    TmuxSession t;
    t.write("f.txt", threelines);
    t.start(quoted(termbinary()) + " f.txt", 24, 80);
    t.waitfor("Third line");
    const auto shells = children(t.panepid());
    ASSERT_EQ(shells.size(), 1u);
    const auto editors = children(shells[0]);
    ASSERT_EQ(editors.size(), 1u);
    ASSERT_EQ(kill(shells[0], SIGTERM), 0);
    const auto rows = t.waitfor("[exit 143]");
    EXPECT_NE(TmuxSession::joined(rows).find("oxa-term: stopped by signal 15 (Terminated)"),
              std::string::npos)
        << TmuxSession::joined(rows);
    // The editor went with it.
    for (int i = 0; i < 100 && alive(editors[0]); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(alive(editors[0]));
}

// The editor run straight in a terminal: resizes and continues signalled
// again and again while it writes a great deal leave it answering keys.
TEST(TermTmux, EditorAnswersAfterSignalsDuringHeavyOutput) {
    TmuxSession t;
    t.write("big.txt", numbered(20000));
    t.start(quoted(OXA_BINARY) + " big.txt", 24, 80);
    std::vector<int> editors;
    for (int i = 0; i < 500 && editors.empty(); ++i) {
        editors = children(t.panepid());
        if (editors.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(editors.size(), 1u);
    // The interrupt key is the command key only once the editor has taken
    // the signals, which it does before it first draws: a key sent while it
    // is still starting (slow under the sanitizers) interrupts the pane's
    // shell instead, and the session ends with it.
    t.waituntil(
        [](const std::vector<std::string>& r) {
            for (const auto& row : r)
                if (!row.empty()) return true;
            return false;
        },
        "showed the editor's first screen");
    // Five times the whole file on the terminal.
    for (int i = 0; i < 5; ++i)
        t.send({"C-c", "=EM", "Enter"});
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int sent = 0;
    while (std::chrono::steady_clock::now() < end && alive(editors[0])) {
        kill(editors[0], SIGWINCH);
        kill(editors[0], SIGCONT);
        sent += 2;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    EXPECT_GT(sent, 100);
    t.send({"C-c", "=SAcopy.txt", "Enter", "C-c", "=BYE", "Enter"});
    const auto rows = t.waituntil(
        [](const std::vector<std::string>& r) {
            for (const auto& row : r)
                if (row.find("[exit") != std::string::npos) return true;
            return false;
        },
        "ended");
    EXPECT_NE(TmuxSession::joined(rows).find("[exit 0]"), std::string::npos) << TmuxSession::joined(rows);
    EXPECT_EQ(readfile(t.dir() / "copy.txt"), numbered(20000));
}

} // namespace term_test
} // namespace oxatest
