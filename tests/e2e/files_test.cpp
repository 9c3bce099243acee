// File commands end to end: what each command leaves on disk and in the
// corefile (seen through EMIT), the refusals with their messages, EMIT's
// framing, procedures and the start-up file argument.
#include "harness.hpp"

namespace files_test {

using oxatest::Fixture;
using oxatest::Result;
using oxatest::Run;
using oxatest::emits;
using oxatest::runoxa;

// Runs with raw output (emitted text is not CR LF framed).
Result run(std::vector<std::string> args, std::string keys, std::vector<Fixture> files = {}) {
    return runoxa({.args = std::move(args), .keys = std::move(keys), .files = std::move(files),
                   .framed = false});
}

bool hasline(const Result& r, const std::string& line) {
    return oxatest::findlines(r.lines, {line}) >= 0;
}

const Fixture abc{"a.txt", "one\ntwo\nthree\nfour\n"};

TEST(FileCommands, StartUpFetchesAnExistingFileAndNamesAMissingOne) {
    auto r = run({"a.txt"}, "{CMD}EM{CR}", {abc});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasline(r, "a.txt"));
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"one\ntwo\nthree\nfour\n"}));

    // A missing file: an empty corefile bearing the name; SAVE * creates it.
    r = run({"new.txt"}, "{CR}hello{CMD}SA*{CR}{CMD}EM{CR}");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasline(r, "new.txt"));
    EXPECT_EQ(r.file("new.txt"), "hello\n");
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"hello\n"}));
    EXPECT_EQ(r.err, "");  // saved: nothing unsaved at the end
}

TEST(FileCommands, FetchReadsTheFileFormat) {
    struct Case {
        const char* name;
        std::string keys;
        std::string file;
        std::string emitted;
    };
    const Case cases[] = {
        {"line range", "{CMD}FEb.txt|2|3{CR}", "a\nb\nc\nd\n", "b\nc\n"},
        {"both bounds 0", "{CMD}FEb.txt|0|0{CR}", "a\nb\n", "a\nb\n"},
        {"carriage returns", "{CMD}FEb.txt{CR}", "a\r\nb \r\n\r\nc", "a\nb\n\nc\n"},
        {"tabs", "{CMD}FEb.txt{CR}", "\tx\nab\ty\n", "        x\nab      y\n"},
        {"tabs kept", "{CMD}ED8{CR}{CMD}FEb.txt{CR}", "\tx\n", "\tx\n"},
        {"prefixes", "{CMD}FEb.txt{CR}", "\\rabc|def\n\\xy\n\\mf\n", "\\rabc|def\n\\xy\n\\mf\n"},
        {"empty file", "{CMD}FEb.txt{CR}", "", "\n"},
    };
    for (const Case& k : cases) {
        auto r = run({}, k.keys + "{CMD}EM{CR}", {{"b.txt", k.file}});
        EXPECT_EQ(emits(r.out), (std::vector<std::string>{k.emitted})) << k.name;
        EXPECT_EQ(r.err, "") << k.name;  // FETCH leaves the corefile unedited
    }
}

TEST(FileCommands, RecordPrefixIsTextWithTheSecondFetchStyle) {
    // Read as text, the line is written back as it was read; read as a record
    // line, the prefix is not part of its text: typing at column 1 shows it.
    auto r = run({}, "{CMD}ED6{CR}{CMD}FEb.txt{CR}{CR}X{CMD}EM{CR}", {{"b.txt", "\\rab|c\n"}});
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"Xrab|c\n"}));
}

TEST(FileCommands, SaveWritesANewFile) {
    struct Case {
        const char* name;
        std::string keys;
        std::string saved;
        std::string lineend;
    };
    const Case cases[] = {
        {"whole corefile", "{CMD}SAout{CR}", "one\ntwo\nthree\nfour\n", "\n"},
        {"line range", "{CMD}SAout|2|3{CR}", "two\nthree\n", "\n"},
        {"carriage returns", "{CMD}ED10{CR}{CMD}SAout|1|2{CR}", "one\r\ntwo\r\n", "\r\n"},
        {"trailing blanks", "{CR}{ESC}[C{ESC}[C{ESC}[C{ESC}[C{ESC}[C{SP}{SP}{CMD}SAout|1|1{CR}",
         "one\n", "\n"},
    };
    for (const Case& k : cases) {
        auto r = run({"a.txt"}, k.keys + "{CMD}EM1|1|1{CR}", {abc});
        EXPECT_EQ(r.file("out"), k.saved) << k.name;
        // The corefile holds what was saved: trailing blanks are gone there too.
        EXPECT_NE(r.out.find("\r\none" + k.lineend + "$$$\r\n"), std::string::npos) << k.name;
        EXPECT_EQ(r.err, "") << k.name;  // saved
    }
}

TEST(FileCommands, RefusalsShowTheirMessage) {
    struct Case {
        const char* name;
        std::string keys;  // each refusal waits for a key: return
        const char* message;
    };
    const Case cases[] = {
        {"fetch missing", "{CMD}FEmissing{CR}{CR}", "File not found (or no read permission)"},
        {"fetch empty name", "{CMD}FE{CR}{CR}", "Empty filename"},
        {"save existing", "{CMD}SAa.txt{CR}{CR}", "File already exists (or no write permission)"},
        {"overwrite missing", "{CMD}OVmissing{CR}{CR}", "File not found (or no write permission)"},
        {"join missing", "{CMD}JOmissing{CR}{CR}", "File not found (or no write permission)"},
        {"delete missing", "{CMD}DEmissing{CR}{CR}", "File not found (or no write permission)"},
        {"procedure missing", "{CMD}PRmissing{CR}{CR}", "File not found (or no read permission)"},
        {"append directory", "{CMD}APsub{CR}{CR}", "File not found (or no read permission)"},
    };
    for (const Case& k : cases) {
        auto r = run({"a.txt"}, k.keys + "{CMD}EM{CR}", {abc, {"sub/x", ""}});
        int at = oxatest::findlines(r.lines, {k.message, ""});
        EXPECT_GE(at, 0) << k.name << "\n" << r.out;
        // Nothing changed: the corefile and the file are as fetched.
        EXPECT_EQ(emits(r.out), (std::vector<std::string>{abc.content})) << k.name;
        EXPECT_EQ(r.file("a.txt"), abc.content) << k.name;
        EXPECT_FALSE(r.exists("missing")) << k.name;
    }
}

TEST(FileCommands, OverwriteAsksWhenTheNameIsNotTheFetchedFile) {
    const Fixture other{"b.txt", "theirs\n"};
    struct Case {
        std::string answer;
        std::string want;
    };
    const Case cases[] = {{"{DEL}", "theirs\n"}, {"{CR}", abc.content}};
    for (const Case& k : cases) {
        auto r = run({"a.txt"}, "{CMD}OVb.txt{CR}" + k.answer, {abc, other});
        EXPECT_GE(oxatest::findlines(r.lines, {" Check name, not file fetched ", ""}), 0) << r.out;
        EXPECT_EQ(r.file("b.txt"), k.want) << k.answer;
    }
    // The fetched file itself is written without a question.
    auto r = run({"a.txt"}, "{CR}ONE{CMD}OVa.txt{CR}", {abc});
    EXPECT_EQ(r.file("a.txt"), "ONE\ntwo\nthree\nfour\n");
    EXPECT_FALSE(hasline(r, " Check name, not file fetched "));
    EXPECT_EQ(r.err, "");  // saved
}

TEST(FileCommands, AppendInsertJoinAndDelete) {
    const Fixture b{"b.txt", "x\ny\n"};
    struct Case {
        const char* name;
        std::string keys;
        std::string emitted;
    };
    // The cursor is on line 2 ("two") before each command; X is typed after it
    // to show where the cursor stayed.
    const Case cases[] = {
        {"append", "{CMD}APb.txt{CR}{CR}X", "one\nXwo\nthree\nfour\nx\ny\n"},
        {"insert", "{CMD}INb.txt{CR}{CR}X", "one\nXwo\nx\ny\nthree\nfour\n"},
        {"insert a range", "{CMD}INb.txt|2|2{CR}{CR}X", "one\nXwo\ny\nthree\nfour\n"},
    };
    for (const Case& k : cases) {
        auto r = run({"a.txt"}, "{CR}{ESC}[B" + k.keys + "{CMD}EM{CR}", {abc, b});
        EXPECT_EQ(emits(r.out), (std::vector<std::string>{k.emitted})) << k.name;
    }

    auto r = run({"a.txt"}, "{CMD}JOb.txt|3|9{CR}{CMD}DEa.txt{CR}", {abc, b});
    EXPECT_EQ(r.file("b.txt"), "x\ny\nthree\nfour\n");
    EXPECT_FALSE(r.exists("a.txt"));
}

TEST(FileCommands, EmitFramesCorefileTextWithTheEndMarker) {
    struct Case {
        std::string keys;
        std::string raw;  // exact bytes from the first emitted line to the marker
    };
    const Case cases[] = {
        {"{CMD}EM0|1|3|0{CR}", "one\ntwo\nthree\n$$$\r\n"},
        {"{CMD}EM|2|2{CR}", "two\n$$$\r\n"},
        {"{CMD}EM1{CR}", "one\ntwo\nthree\nfour\n$$$\r\n"},
        {"{CMD}CO3{CR}{CMD}EM{CR}", "\n$$$\r\n"},
        {"{CMD}CO3{CR}{CMD}EM1|4{CR}", "four\n$$$\r\n"},
    };
    for (const Case& k : cases) {
        auto r = run({"a.txt"}, k.keys, {abc});
        size_t end = r.out.find("$$$\r\n");
        ASSERT_NE(end, std::string::npos) << k.keys;
        std::string want = k.raw;
        EXPECT_EQ(r.out.substr(end + 5 - want.size(), want.size()), want) << k.keys;
        EXPECT_EQ(r.out.find("$$$", end + 1), std::string::npos) << k.keys;
    }
    // Destination 1 without a driver program: nothing at all.
    auto r = run({"a.txt"}, "{CMD}EM0|1|3|1{CR}", {abc});
    EXPECT_EQ(r.out.find("$$$"), std::string::npos);
    EXPECT_EQ(r.out.find("one\n"), std::string::npos);
}

TEST(FileCommands, ProcedureFilesRunAsTyping) {
    // Line ends become returns; `~` turns the brace notation on and off.
    const Fixture proc{"p", "FEb.txt\nEM\n~{M}ADD{C}~EM\n"};
    const Fixture b{"b.txt", "alpha\nbeta\n"};
    auto r = run({"-p", "p"}, "", {proc, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"alpha\nbeta\n", "ADDha\nbeta\n"}));
}

TEST(FileCommands, LargeFilesAreTruncatedOrRefused) {
    // Text beyond the heap's mark is not read: the lines before it stay.
    std::string big;
    const std::string line(99, 'x');
    while (big.size() < 4100000) big += line + "\n";
    auto r = run({}, "{CMD}FEbig{CR}{CR}{CMD}EM1|1|1{CR}", {{"big", big}});
    EXPECT_GE(oxatest::findlines(r.lines, {" File Truncated ", ""}), 0);
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{line + "\n"}));

    // A procedure longer than its buffer is refused, not cut.
    r = run({}, "{CMD}PRp{CR}{CR}{CMD}EM{CR}", {{"p", "AB\n" + std::string(6000, 'z')}});
    EXPECT_GE(oxatest::findlines(
                  r.lines, {"File too large to load (more than 5119 characters)", ""}),
              0)
        << r.out;
    EXPECT_EQ(emits(r.out), (std::vector<std::string>{"\n"}));
}

} // namespace files_test
