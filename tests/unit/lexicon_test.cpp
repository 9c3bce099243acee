// Terminals and lexicon: the terminals file, the stored entry text (encoded
// and sorted attributes, frequency, completed fields), rejections and their
// messages, the error cap, attribute matching and the frequency-weighted
// choice of an entry.
#include "bormo_fixture.hpp"

#include <cstring>
#include <functional>

#include "wire_capture.hpp"

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/syntax.hpp"

namespace lexicon_test {

using namespace bormo;

// Type numbers of the fixture's attribute file.
constexpr int NUMBER = 1, GENDER = 2, DEGREE = 3;
constexpr int SG = 1, PL = 2, MASC = 1, FEM = 2, POS = 1, COMP = 2, SUP = 3;

std::string code(int type, int value) {
    return std::string{static_cast<char>(ATTRCODE), static_cast<char>(type),
                       static_cast<char>(value)};
}

class LexiconTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        resetlexicon();
        resetsyntax();
        resetgencommands();
        readattr(file("attr", "number ( sg , pl ) gender ( masc , fem ) "
                              "degree ( pos < comp < sup ) %")
                     .c_str());
        read_terminals(file("term", "N V DET").c_str());
        initdict();
    }
    void TearDown() override {
        resetlexicon();
        BormoTest::TearDown();
    }

    void lex(const std::string& text) { readdict(file("lex", text).c_str()); }

    // The entries of a terminal, newest first.
    static std::vector<std::string> entries(const char* terminal) {
        std::vector<std::string> out;
        int t = lookup_terminal(terminal);
        if (t < 0 || !dictionary) return out;
        for (recnode* n = dictionary[t]; n; n = n->previous)
            out.emplace_back(n->recordptr);
        return out;
    }

    // A compound of fresh delay entries, each {type, value}; value -1 is open.
    static comp_attr compound(std::initializer_list<std::pair<int, int>> parts) {
        comp_attr c = nullptr;
        for (auto [type, value] : parts) {
            delayed[delayptr] = t_delay{type, value, value != -1};
            add_comp_attr(&c, delayptr++);
        }
        return c;
    }
};

TEST_F(LexiconTest, TerminalsFileKeepsOneOfARepeatedName) {
    read_terminals(file("term2", "ADJ ADV ADJ ( PREP").c_str());
    EXPECT_EQ(count_messages("ERROR terminals input  Repeated terminal ADJ "), 1);
    EXPECT_EQ(count_messages("ERROR terminals input  Unexpected symbol char '(' "), 1);
    EXPECT_EQ(terminal_count, 3 + 3);
    EXPECT_EQ(lookup_terminal("ADJ"), 3);
    EXPECT_EQ(lookup_terminal("PREP"), 5);
    EXPECT_EQ(lookup_terminal("ADJ|rest of an entry"), 3);
    EXPECT_EQ(lookup_terminal("N"), 0);
    EXPECT_EQ(lookup_terminal("NOUN"), -1);
    clear_terminals();
    EXPECT_EQ(lookup_terminal("N"), -1);
    std::string names;
    for (int i = 0; i < MAXTERMINALS + 2; ++i)
        names += "T" + std::to_string(i) + " ";
    read_terminals(file("term3", names).c_str());
    EXPECT_EQ(terminal_count, MAXTERMINALS);
    EXPECT_EQ(count_messages("Too many terminals T128 "), 1);
    EXPECT_EQ(count_messages("Too many terminals T129 "), 1);
}

struct EntryCase {
    const char* line;
    std::string stored;
};

TEST_F(LexiconTest, StoresEntriesInTheEncodedForm) {
    const std::string masc_sg = code(GENDER, MASC) + "." + code(NUMBER, SG) + " ";
    const EntryCase cases[] = {
        // One compound of two components, frequency 10, fields 5 and 6 added.
        {"\"chat\"|N|masc.sg|10|", "\"chat\"|N|" + masc_sg + "|0010|||"},
        // Two compounds: the one of the smaller first type comes first.
        {"\"x\"|N|masc,sg|",
         "\"x\"|N|" + code(NUMBER, SG) + " " + code(GENDER, MASC) + " |0001|||"},
        {"\"x\"|N|masc , sg|",
         "\"x\"|N|" + code(NUMBER, SG) + " " + code(GENDER, MASC) + " |0001|||"},
        // A bare type and a signed component.
        {"\"x\"|N|number,<comp|",
         "\"x\"|N|" + code(NUMBER, BAREVALUE) + " <" + code(DEGREE, COMP) + " |0001|||"},
        // Only a word and a terminal.
        {"\"a\"|N|", "\"a\"|N||0001|||"},
        // Unfinished last fields are closed.
        {"\"a\"|N|sg", "\"a\"|N|" + code(NUMBER, SG) + " |0001|||"},
        {"\"a\"|N||7", "\"a\"|N||0007|||"},
        {"\"a\"|N|||x|y|z|w", "\"a\"|N||0001|x|y|z|w|"},
        // Frequencies.
        {"\"a\"|N||abc|", "\"a\"|N||0000|||"},
        {"\"a\"|N||12345|", "\"a\"|N||9999|||"},
        {"\"a\"|N||7x 8|", "\"a\"|N||0007|||"},
        // Blanks outside quotes dropped, kept inside; free fields as written.
        {"\" le  chat \" | N | | 3 | f 5 | \"a b\" |", "\" le  chat \"|N||0003|f5|\"a b\"|"},
        // A leading backslash r is left out.
        {"\\r\"a\"|N|", "\"a\"|N||0001|||"},
        // A keyword stands as its code.
        {"_ilt_ \"a\"|N|", "\x0c\"a\"|N||0001|||"},
    };
    for (const auto& c : cases) {
        initdict();
        lex(c.line);
        auto e = entries("N");
        ASSERT_EQ(e.size(), 1u) << c.line;
        EXPECT_EQ(e[0], c.stored) << c.line;
    }
}

TEST_F(LexiconTest, EntriesAreFiledNewestFirstAndEmptyLinesIgnored) {
    lex("\"a\"|N|\n\n\"b\"|V|\n\"c\"|N|\n");
    EXPECT_EQ(entries("N"), (std::vector<std::string>{"\"c\"|N||0001|||", "\"a\"|N||0001|||"}));
    EXPECT_EQ(entries("V").size(), 1u);
    EXPECT_EQ(count_messages("Total Words: 3. Number of Errors: 0"), 1);
    EXPECT_EQ(count_messages("ERROR"), 0);
}

struct RejectCase {
    std::string line;
    std::string message; // the error line
    bool stored;
};

TEST_F(LexiconTest, RejectionsAndTheirMessages) {
    const std::string longword(1100, 'x');
    const RejectCase cases[] = {
        {"\"a\" N", "ERROR lexicon input \"a\"N Entry has fewer than two complete fields  ", false},
        {"\"a\"|N", "ERROR lexicon input \"a\" Entry has fewer than two complete fields  ", false},
        {"\"a\"|NOUN|", "ERROR lexicon input \"a\" Terminal not found: NOUN ", false},
        {"\"a\"|N|sg.foo|3|", "ERROR lexicon input \"a\" Unknown attribute foo ", false},
        {"\"a\"|N|sg;pl|3|",
         "ERROR lexicon input \"a\" Unexpected character in attribute field char ';' ", true},
        {"\"" + longword + "\"|N|", "Entry is too long", false},
    };
    for (const auto& c : cases) {
        oxa::resetstore();
        oxa::initcore();
        initdict();
        lex(c.line + "\n\"ok\"|N|\n");
        EXPECT_EQ(count_messages(c.message), 1) << c.line;
        EXPECT_EQ(entries("N").size(), c.stored ? 2u : 1u) << c.line;
        EXPECT_EQ(count_messages(std::string("Total Words: ") + (c.stored ? "2" : "1") +
                                 ". Number of Errors: 1"),
                  1)
            << c.line;
    }
}

TEST_F(LexiconTest, OnlyTheFirstFiftyErrorsAreWritten) {
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "\"bad" + std::to_string(i) + "\"|X|\n";
    text += "\"good\"|N|\n";
    lex(text);
    EXPECT_EQ(count_messages("Terminal not found:"), 50);
    EXPECT_EQ(count_messages("bad49"), 1);
    EXPECT_EQ(count_messages("bad50"), 0);
    EXPECT_EQ(count_messages("Total Words: 1. Number of Errors: 60"), 1);
    // A second file counts afresh.
    lex("\"x\"|X|\n");
    EXPECT_EQ(count_messages("Total Words: 0. Number of Errors: 1"), 1);
}

TEST_F(LexiconTest, AddingAFileKeepsTheLoadedEntries) {
    lex("\"a\"|N|\n");
    lex("\"b\"|N|\n");
    EXPECT_EQ(entries("N").size(), 2u);
    initdict();
    EXPECT_TRUE(entries("N").empty());
}

TEST_F(LexiconTest, FieldsAreFoundPastBinaryAttributeCodes) {
    // Type and value bytes that look like a field end or a blank.
    std::string rec = "\"w\"|N|" + code('|', ' ') + "." + code(1, '|') + " |0042|five|six|";
    EXPECT_EQ(std::string(getfieldptr(rec.c_str(), 1)), rec);
    EXPECT_EQ(std::string(getfieldptr(rec.c_str(), 4)), "0042|five|six|");
    EXPECT_EQ(std::string(getfieldptr(rec.c_str(), 6)), "six|");
    EXPECT_EQ(std::string(getfieldptr(rec.c_str(), 9)), "");
    EXPECT_EQ(std::string(getfieldptr(static_cast<const char*>(nullptr), 2)), "");
    // A text cut inside a code ends there.
    for (const std::string cut : {"\"w\"|N|\x19", "\"w\"|N|\x19\x01"})
        EXPECT_EQ(getfieldptr(cut.c_str(), 4), cut.c_str() + cut.size());
    EXPECT_EQ(getfrequency(rec.c_str()), 42);
    locate_comp(rec.c_str());
    ASSERT_EQ(lexatt_index, 1);
    EXPECT_EQ(lexatt[0].count, 2);
}

TEST_F(LexiconTest, FieldsOfStoredEntriesFollowEveryNewLexicon) {
    // Texts of one length whose field 4 starts at different places: a new
    // lexicon is likely stored where the last one was freed.
    const std::string one = "\"abc\"|N|sg|1|five|six|\n";
    const std::string two = "\"a\"|N|sg,masc|1|fiv|ix|\n";
    struct {
        const std::string& lexicon;
        const char* field4;
        const char* field6;
    } rounds[] = {{one, "0001|five|six|", "six|"},
                  {two, "0001|fiv|ix|", "ix|"},
                  {one, "0001|five|six|", "six|"},
                  {two, "0001|fiv|ix|", "ix|"}};
    for (const auto& r : rounds) {
        initdict();
        lex(r.lexicon);
        char* rec = dictionary[lookup_terminal("N")]->recordptr;
        EXPECT_EQ(std::string(getfieldptr(rec, 2)).substr(0, 3), "N|\x19");
        EXPECT_EQ(static_cast<unsigned char>(*getfieldptr(rec, 3)), ATTRCODE);
        EXPECT_STREQ(getfieldptr(rec, 4), r.field4);
        EXPECT_STREQ(getfieldptr(rec, 6), r.field6);
        EXPECT_STREQ(getfieldptr(rec, 9), "");
        apply_vf_single(rec, 123); // a new frequency keeps the fields in place
        EXPECT_STREQ(getfieldptr(rec, 6), r.field6);
        EXPECT_EQ(getfrequency(rec), 123);
    }
    // An entry of many fields: each one where a plain split puts it.
    lex("\"long\"|N||1|e|f|g|h|i|j|k|l|\n");
    const char* rec = dictionary[lookup_terminal("N")]->recordptr;
    std::vector<std::string> fields;
    for (size_t at = 0; at < std::strlen(rec);) {
        size_t bar = std::string(rec).find('|', at);
        fields.push_back(std::string(rec + at));
        at = bar + 1;
    }
    ASSERT_EQ(fields.size(), 12u);
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(getfieldptr(rec, n), fields[n - 1]) << n;
    EXPECT_STREQ(getfieldptr(rec, 13), "");
}

TEST_F(LexiconTest, ExactWordMatchesBetweenQuotesWithWildcard) {
    lex("\"chien\"|N|\n\"chat\"|N|\n\"cheval\"|N|\n");
    recnode* list = dictionary[lookup_terminal("N")];
    ASSERT_NE(exactword("\"chat\"", list), nullptr);
    EXPECT_STREQ(exactword("\"chat\"", list)->recordptr, "\"chat\"|N||0001|||");
    EXPECT_STREQ(exactword("\"chi*\"", list)->recordptr, "\"chien\"|N||0001|||");
    EXPECT_STREQ(exactword("\"ch*\"", list)->recordptr, "\"cheval\"|N||0001|||");
    EXPECT_EQ(exactword("\"cha\"", list), nullptr);
}

struct MatchCase {
    const char* attrs; // the entry's attribute field
    std::vector<std::vector<std::pair<int, int>>> required;
    bool match;
};

TEST_F(LexiconTest, AttributeMatching) {
    const MatchCase cases[] = {
        {"masc.sg", {{{GENDER, MASC}, {NUMBER, SG}}}, true},
        {"masc.sg", {{{GENDER, MASC}, {NUMBER, PL}}}, false},
        {"masc.sg", {{{GENDER, MASC}}}, false},               // lengths differ
        {"masc.sg", {{{NUMBER, SG}, {GENDER, MASC}}}, false}, // order differs
        {"masc.sg", {{{GENDER, -1}, {NUMBER, -1}}}, true},    // bare types required
        {"gender.sg", {{{GENDER, FEM}, {NUMBER, SG}}}, true}, // bare type in the entry
        {"sg,fem", {{{NUMBER, SG}}, {{GENDER, FEM}}}, true},
        {"sg,fem", {{{GENDER, FEM}}, {{NUMBER, SG}}}, true},
        {"sg,fem", {{{NUMBER, SG}}, {{GENDER, MASC}}}, false},
        {"fem", {{{NUMBER, SG}}}, false},
        {"<comp", {{{DEGREE, POS}}}, true}, // pos precedes comp
        {"<comp", {{{DEGREE, SUP}}}, false},
        {">comp", {{{DEGREE, SUP}}}, true},
        {">comp", {{{DEGREE, POS}}}, false},
        {"comp", {{{DEGREE, POS}}}, false},
        {"", {}, true},
    };
    for (const auto& c : cases) {
        initdict();
        lex(std::string("\"w\"|N|") + c.attrs + "|");
        auto e = entries("N");
        ASSERT_EQ(e.size(), 1u) << c.attrs;
        attr_list list = nullptr;
        for (const auto& comp : c.required) {
            comp_attr ca = nullptr;
            for (auto [type, value] : comp) {
                delayed[delayptr] = t_delay{type, value, value != -1};
                add_comp_attr(&ca, delayptr++);
            }
            add_attr_to_list(&list, ca);
        }
        EXPECT_EQ(match_attr(e[0].c_str(), list), c.match ? 1 : 0) << c.attrs;
        purge_attr_list(&list);
    }
}

TEST_F(LexiconTest, AnOpenRequiredValueTakesTheEntrysProposal) {
    lex("\"w\"|N|gender,pl|\n");
    std::string e = entries("N")[0];
    attr_index = 1;
    attr[0] = attr_row{NUMBER, -1, 0, 0, -1};
    EXPECT_EQ(match_single_attr(e.c_str()), 1);
    EXPECT_EQ(attr[0].lttmp, PL);
    attr[0] = attr_row{GENDER, -1, 0, 0, -1};
    EXPECT_EQ(match_single_attr(e.c_str()), 1);
    EXPECT_EQ(attr[0].lttmp, -1); // the entry offers no value of its own
}

class ChoiceTest : public LexiconTest {
  protected:
    dict_lookup lookup{};
    void SetUp() override {
        LexiconTest::SetUp();
        lookup = dict_lookup{};
        lookup.class_ = cls;
        lookup.vf = -1;
    }
    char cls[8] = "N";
};

TEST_F(ChoiceTest, ChoosesInProportionToFrequency) {
    lex("\"one\"|N|sg|1|\n\"three\"|N|sg|3|\n\"never\"|N|sg|0|\n\"plural\"|N|pl|50|\n");
    lookup.attributes = nullptr;
    comp_attr sg = compound({{NUMBER, SG}});
    add_attr_to_list(&lookup.attributes, sg);
    reseed(12345);
    int one = 0, three = 0, other = 0;
    const int draws = 40000;
    for (int i = 0; i < draws; ++i) {
        getdictent(&lookup);
        ASSERT_EQ(lookup.error, 0);
        std::string w = getfieldptr(lookup.dictionary, 1);
        if (w.rfind("\"one\"", 0) == 0)
            ++one;
        else if (w.rfind("\"three\"", 0) == 0)
            ++three;
        else
            ++other;
    }
    EXPECT_EQ(other, 0);
    EXPECT_EQ(numnodes, 3);
    EXPECT_EQ(prob_tot, 4);
    EXPECT_NEAR(static_cast<double>(three) / one, 3.0, 0.25);
    EXPECT_NEAR(one, draws / 4, draws / 40);
    purge_attr_list(&lookup.attributes);
}

TEST_F(ChoiceTest, FailuresSetTheErrorCode) {
    lex("\"a\"|N|sg|0|\n\"b\"|V|pl|5|\n");
    getdictent(&lookup); // the only candidate has frequency 0
    EXPECT_EQ(lookup.error, 3);
    EXPECT_EQ(lookup.dictionary, nullptr);
    char det[] = "DET";
    lookup.class_ = det; // a terminal without entries
    getdictent(&lookup);
    EXPECT_EQ(lookup.error, 3);
    char none[] = "NOUN";
    lookup.class_ = none;
    getdictent(&lookup);
    EXPECT_EQ(lookup.error, 1);
    EXPECT_EQ(lookup.dictionary, nullptr);
}

TEST_F(ChoiceTest, WordPatternAndFrequencyVariation) {
    lex("\"chien\"|N||2|\n\"chat\"|N||2|\n\"souris\"|N||2|\n");
    char pattern[] = "\"ch*t\"";
    lookup.preferredchoice = pattern;
    lookup.vf = 40;
    for (int i = 0; i < 20; ++i) {
        getdictent(&lookup);
        ASSERT_EQ(lookup.error, 0);
        EXPECT_STREQ(lookup.dictionary, "\"chat\"|N||0040|||");
    }
    EXPECT_EQ(numnodes, 1);
}

TEST_F(ChoiceTest, FieldRestrictionsFromFieldFour) {
    lex("\"a\"|N||1|anim|x|\n\"b\"|N||1|inanim|y|\n");
    char fields[] = "?|?|?|?|inanim|";
    lookup.fields = fields;
    getdictent(&lookup);
    ASSERT_EQ(lookup.error, 0);
    EXPECT_EQ(std::string(lookup.dictionary).substr(0, 3), "\"b\"");
    EXPECT_EQ(numnodes, 1);
}

TEST_F(ChoiceTest, CandidatesFollowNewEntriesAndChangedFrequencies) {
    lex("\"a\"|N||1|\n");
    getdictent(&lookup);
    EXPECT_EQ(numnodes, 1);
    lex("\"b\"|N||1|\n");
    getdictent(&lookup);
    EXPECT_EQ(numnodes, 2);
    EXPECT_EQ(prob_tot, 2);
    // Each chosen entry's frequency drops to 0, so both are used up.
    lookup.vf = 0;
    getdictent(&lookup);
    ASSERT_EQ(lookup.error, 0);
    std::string first = lookup.dictionary;
    getdictent(&lookup);
    ASSERT_EQ(lookup.error, 0);
    EXPECT_NE(std::string(lookup.dictionary), first);
    getdictent(&lookup);
    EXPECT_EQ(lookup.error, 3);
    EXPECT_EQ(prob_tot, 0);
    initdict();
    getdictent(&lookup);
    EXPECT_EQ(numnodes, 0);
}

// The candidates of a look-up are kept between look-ups; each case changes
// something a kept set depends on without loading a lexicon, and the next
// look-up must see the change.
TEST_F(ChoiceTest, KeptCandidatesFollowWhatTheyCameFrom) {
    lex("\"un\"|N|sg|1|anim|\n\"deux\"|N|pl|1|anim|\n\"trois\"|N|pl|1|inanim|\n"
        "\"verbe\"|V|sg|1|x|\n");
    comp_attr number = compound({{NUMBER, SG}});
    int slot = number->index;
    add_attr_to_list(&lookup.attributes, number);
    char pattern[16] = "\"*\"";
    char fields[24] = "?|?|?|?|*|";
    lookup.preferredchoice = pattern;
    lookup.fields = fields;
    struct {
        const char* what;
        std::function<void()> change;
        int candidates;
        std::string word; // the first candidate
    } cases[] = {
        {"start", [] {}, 1, "\"un\""},
        {"the compound's value in the delay table", [&] { delayed[slot].choice = PL; }, 2,
         "\"trois\""},
        {"a value beyond two bytes", [&] { delayed[slot].choice = SG + 0x10000; }, 0, ""},
        {"the word pattern, edited in place",
         [&] {
             delayed[slot].choice = PL;
             std::strcpy(pattern, "\"tr*\"");
         },
         1, "\"trois\""},
        {"the field restrictions, edited in place",
         [&] {
             std::strcpy(pattern, "\"*\"");
             std::strcpy(fields, "?|?|?|?|anim|");
         },
         1, "\"deux\""},
        {"the terminals read again in another order",
         [&] {
             delayed[slot].choice = SG;
             std::strcpy(fields, "?|?|?|?|*|");
             clear_terminals();
             read_terminals(file("term2", "V N DET").c_str()); // N now files V's entries
         },
         1, "\"verbe\""},
    };
    for (const auto& c : cases) {
        c.change();
        getdictent(&lookup);
        getdictent(&lookup); // the second look-up finds the set kept by the first
        EXPECT_EQ(numnodes, c.candidates) << c.what;
        if (c.candidates == 0) {
            EXPECT_EQ(lookup.error, 3) << c.what;
            continue;
        }
        ASSERT_EQ(lookup.error, 0) << c.what;
        std::string first = candnodes[0]->recordptr;
        EXPECT_EQ(first.substr(0, c.word.size()), c.word) << c.what;
    }
    purge_attr_list(&lookup.attributes);
}

TEST_F(ChoiceTest, KeptSumsFollowAFrequencyChangedFromOutside) {
    lex("\"a\"|N||1|\n\"b\"|N||1|\n");
    getdictent(&lookup);
    EXPECT_EQ(prob_tot, 2);
    apply_vf_single(dictionary[lookup_terminal("N")]->recordptr, 5);
    getdictent(&lookup);
    EXPECT_EQ(prob_tot, 6);
    EXPECT_EQ(candsums[0], 5); // the newest entry first
}

TEST_F(ChoiceTest, ManyDifferentLookUpsStayApart) {
    // More distinct look-ups than the kept sets have room for: every one
    // still finds its own word, the first time and again.
    const int words = 900;
    std::string text;
    for (int i = 0; i < words; ++i)
        text += "\"w" + std::to_string(i) + "\"|N||1|\n";
    lex(text);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < words; i += round + 1) {
            std::string pattern = "\"w" + std::to_string(i) + "\"";
            lookup.preferredchoice = pattern.data();
            getdictent(&lookup);
            ASSERT_EQ(lookup.error, 0) << i;
            ASSERT_EQ(std::string(lookup.dictionary).substr(0, pattern.size() + 1), pattern + "|")
                << i;
        }
    }
}

TEST_F(ChoiceTest, ManyLargeCandidateSetsStayRight) {
    // Look-ups that differ only after the closing quote of their pattern,
    // each matching every entry: more candidates than are ever kept at once.
    const int words = 400, lookups = 700;
    std::string text;
    for (int i = 0; i < words; ++i)
        text += "\"w" + std::to_string(i) + "\"|N||1|\n";
    lex(text);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < lookups; ++i) {
            std::string pattern = "\"*\"" + std::to_string(i);
            lookup.preferredchoice = pattern.data();
            getdictent(&lookup);
            ASSERT_EQ(lookup.error, 0) << i;
            ASSERT_EQ(numnodes, words) << i;
            ASSERT_EQ(prob_tot, words) << i;
            ASSERT_STREQ(candnodes[0]->recordptr, "\"w399\"|N||0001|||") << i;
        }
    }
}

TEST_F(ChoiceTest, ALookUpBeyondTheWorkingArrayIsReportedEachTime) {
    lex("\"a\"|N|sg|1|\n");
    std::vector<std::pair<int, int>> parts(MAXCOMP + 1, {NUMBER, SG});
    comp_attr c = nullptr;
    for (auto [type, value] : parts) {
        delayed[delayptr] = t_delay{type, value, 1};
        add_comp_attr(&c, delayptr++);
    }
    add_attr_to_list(&lookup.attributes, c);
    getdictent(&lookup);
    getdictent(&lookup);
    EXPECT_EQ(count_messages("Too many attribute components"), 2);
    EXPECT_EQ(lookup.error, 3);
    purge_attr_list(&lookup.attributes);
}

TEST_F(LexiconTest, ProgressEveryHundredEntries) {
    oxa::resetfrontend();
    oxatest::WireCapture::install();
    std::string text;
    for (int i = 0; i < 250; ++i)
        text += "\"w" + std::to_string(i) + "\"|N|\n";
    text += "\"bad\"|X|\n";
    lex(text);
    std::vector<std::string> progress;
    for (const auto& m : oxatest::WireCapture::msgs)
        if (m.find("Lexical Entries Processed") != std::string::npos) progress.push_back(m);
    EXPECT_EQ(progress, (std::vector<std::string>{"$mhLexical Entries Processed: 100",
                                                  "$mhLexical Entries Processed: 200"}));
    EXPECT_EQ(count_messages("Total Words: 250. Number of Errors: 1"), 1);
    oxa::resetfrontend();
}

TEST_F(LexiconTest, GetwordsLooksUpTheFilledRecordsFromStart) {
    lex("\"chat\"|N|sg|\n");
    char n[] = "N", v[] = "V", noun[] = "NOUN", empty[] = "";
    struct {
        char* cls;
        int pointed_at;
    } rows[] = {{n, 1}, {n, 1}, {v, 1}, {noun, 1}, {n, 0}, {empty, 1}};
    for (int i = 0; i < 6; ++i) {
        dict_table[i] = dict_lookup{};
        dict_table[i].class_ = rows[i].cls;
        dict_table[i].pointed_at = rows[i].pointed_at;
        dict_table[i].vf = -1;
        dict_table[i].error = 2;
    }
    d_table_count = 6;
    getwords(1);
    EXPECT_EQ(dict_table[0].error, 2); // below the start
    EXPECT_EQ(dict_table[1].error, 0);
    EXPECT_STREQ(dict_table[1].dictionary, "\"chat\"|N|"
                                           "\x19\x01\x01 |0001|||");
    EXPECT_EQ(dict_table[2].error, 3);
    EXPECT_EQ(dict_table[3].error, 1);
    EXPECT_EQ(dict_table[4].error, 2); // not filled by any leaf
    EXPECT_EQ(dict_table[5].error, 2); // no terminal named
    EXPECT_EQ(count_messages("No lexical entry found for V "), 1);
    EXPECT_EQ(count_messages("Terminal not found: NOUN "), 1);
    for (int i = 0; i < 6; ++i)
        dict_table[i] = dict_lookup{};
    d_table_count = 0;
}

TEST_F(LexiconTest, RestoredEntriesAreKeptApart) {
    openfile(file("restore", "\"a\"|N|sg|\n\"b\"|V|\n\"c\"|X|\n").c_str(), 1);
    EXPECT_EQ(readentry(0), 1);
    EXPECT_EQ(readentry(0), 1);
    EXPECT_EQ(readentry(0), 0); // unknown terminal
    ASSERT_EQ(lastrestored, 2);
    EXPECT_STREQ(restoredlexarray[0]->recordptr,
                 ("\"a\"|N|" + code(NUMBER, SG) + " |0001|||").c_str());
    EXPECT_STREQ(restoredlexarray[1]->recordptr, "\"b\"|V||0001|||");
    EXPECT_EQ(restoredlexarray[0]->previous, nullptr);
    EXPECT_EQ(restoredlexarray[1]->previous, restoredlexarray[0]);
    EXPECT_TRUE(entries("N").empty()); // not filed in the lexicon
    clearrecoveredlexicon();
    EXPECT_EQ(lastrestored, 0);
}

struct VfCase {
    const char* before;
    int n;
    const char* after;
};

TEST_F(LexiconTest, FrequencyVariation) {
    const VfCase cases[] = {
        {"0010", -1, "0010"},    {"0010", 20, "0020"}, {"0010", 0, "0000"},  {"0010", -2, "0015"},
        {"0010", -3, "0020"},    {"0011", -4, "0005"}, {"0010", -5, "0010"}, {"6000", -3, "9999"},
        {"0010", 12000, "9999"}, {"9997", -2, "9999"},
    };
    for (const auto& c : cases) {
        std::string rec = std::string("\"w\"|N||") + c.before + "|||";
        std::vector<char> buf(rec.begin(), rec.end());
        buf.push_back(0);
        apply_vf_single(buf.data(), c.n);
        EXPECT_EQ(std::string(buf.data()), std::string("\"w\"|N||") + c.after + "|||")
            << c.before << " " << c.n;
    }
}

TEST_F(LexiconTest, ListingWritesEachEntryWithAttributeNames) {
    lex("\"a\"|N|masc.sg|\n\"b\"|V|number|\n\"c\"|N|<comp|\n");
    printlex();
    auto m = messages();
    auto at = [&](const std::string& s) {
        for (size_t i = 0; i < m.size(); ++i)
            if (m[i] == s) return static_cast<int>(i);
        return -1;
    };
    int c = at("\"c\"|N|<comp |0001|||");
    int a = at("\"a\"|N|masc.sg |0001|||");
    int b = at("\"b\"|V|number |0001|||");
    ASSERT_GE(c, 0);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_LT(c, a); // newest first within a terminal
    EXPECT_LT(a, b); // terminal by terminal
}

struct ConvertCase {
    const char* text;
    std::string converted;
};

TEST_F(LexiconTest, NodeTextConversion) {
    const ConvertCase cases[] = {
        {"N [ sg ] / + 5", "N[sg]\x13"
                           "5 "},
        {"N/$2", "N\x13-2 "},
        {"N /4=a, b", "N/\x04=a,b "},
        {"N /\"le chat\"", "N\"le chat\" "},
        {"N /@5", "N@5 "},
        {"N /x", "N/x "},
        {"\"a b\" c", "\"a b\"c "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert_nodetext(c.text), c.converted) << c.text;
}

} // namespace lexicon_test
