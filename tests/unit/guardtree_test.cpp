// Guards read into trees: the tree of every guard of the example packs and of
// the pack-shaped fuzzing seeds, evaluated for every leaf and node of seeded
// generations, gives what reading the text left to right gives: the same
// truth, the same end, the same messages.
#include "generation_fixture.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "bormo/attrcodes.hpp"

extern const char* const oxa_unit_source_dir;

namespace guardtree_test {

using namespace bormo;
namespace fs = std::filesystem;

const char* const SECTIONS[6] = {"attributes", "terminals", "lexicon", "morphology", "tables", "syntax"};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class GuardTreeTest : public GenerationTest {
  protected:
    // Loads the six files of a pack given as texts.
    void load(const std::vector<std::string>& texts) {
        readattr(file("attributes", texts[0]).c_str());
        read_terminals(file("terminals", texts[1]).c_str());
        initdict();
        readdict(file("lexicon", texts[2]).c_str());
        new_readmorph(file("morphology", texts[3]).c_str());
        new_readtables(file("tables", texts[4]).c_str());
        read_syntax(file("syntax", texts[5]).c_str());
    }

    // The last n lines of the message corefile.
    static std::vector<std::string> last_messages(int n) {
        std::vector<std::string> out;
        const oxa::COREFILE& c = oxa::core[MSGCORE];
        for (oxa::LINE* l = c.header->up; l != c.header && n > 0; l = l->up, --n)
            out.emplace_back(reinterpret_cast<const char*>(&oxa::textbase[l->index]),
                             static_cast<size_t>(l->length));
        return out;
    }

    // Evaluates `text` both ways for `node`; `tree` evaluates the index's tree.
    template <class Tree> void compare(const char* text, t_treenode* node, Tree tree) {
        current_node = node;
        const int before = oxa::core[MSGCORE].lncount;
        const int walked = walk_guard(text);
        const char* walkedend = end_guard;
        const int between = oxa::core[MSGCORE].lncount;
        const std::vector<std::string> walkedsaid = last_messages(between - before);
        current_node = node;
        const int indexed = tree();
        const int after = oxa::core[MSGCORE].lncount;
        ++compared;
        if (walked != indexed || walkedend != end_guard || after - between != between - before ||
            last_messages(after - between) != walkedsaid) {
            ADD_FAILURE() << "guard " << ::testing::PrintToString(std::string(text)) << ": text " << walked << ", tree " << indexed;
        }
    }

    // Every morphology guard for every leaf, and every syntax guard for every
    // node, of the trees of the last generation, without and with the
    // lexicon's attribute lists.
    void compare_all(t_treenode* top) {
        for (int mstate = 0; mstate < 2; ++mstate) {
            for (t_treenode* leaf = top; leaf; leaf = leaf->right) {
                for (int k = 0; k <= numrules; ++k)
                    for (subrule* s = ruleheader[static_cast<size_t>(k)]; s; s = s->nextsub) {
                        MState = mstate;
                        compare(s->guard, leaf, [&] {
                            MState = mstate;
                            return subrule_guard(s);
                        });
                    }
            }
        }
        MState = 0;
        std::vector<t_treenode*> nodes{top};
        while (!nodes.empty()) {
            t_treenode* n = nodes.back();
            nodes.pop_back();
            for (t_treenode* s = n->son; s; s = s->sibling)
                nodes.push_back(s);
            for (const char* at : currentindex().syntaxguardat)
                compare(at, n, [&] { return syntax_guard(at); });
        }
    }

    void run(const std::vector<std::string>& texts) {
        load(texts);
        ASSERT_EQ(checkpack(), "");
        for (long seed : {1L, 7L, 12345L}) {
            reseed(seed);
            interpret();
            if (root) compare_all(root);
            for (t_treenode* t : rootPtrs)
                if (t) compare_all(t);
        }
    }

    int compared = 0;
};

TEST_F(GuardTreeTest, EveryGuardOfThePacksEvaluatesAsItsText) {
    std::vector<std::vector<std::string>> packs;
    const fs::path src = oxa_unit_source_dir;
    for (const char* lang : {"english", "french"}) {
        std::vector<std::string> texts;
        for (const char* s : SECTIONS)
            texts.push_back(slurp(src / "examples" / lang / s));
        packs.push_back(texts);
    }
    for (const auto& seed : fs::directory_iterator(src / "fuzz" / "corpus" / "generation")) {
        // Sections separated by a line "@@@@"; a seventh (a frequency change) is not used.
        std::istringstream in(slurp(seed.path()));
        std::vector<std::string> texts(1);
        for (std::string line; std::getline(in, line);) {
            if (line == "@@@@")
                texts.emplace_back();
            else
                texts.back() += line + "\n";
        }
        texts.resize(6);
        packs.push_back(texts);
    }
    for (const auto& texts : packs) {
        clean();
        run(texts);
    }
    EXPECT_GT(compared, 0);
}

TEST_F(GuardTreeTest, TreeHoldsWhatTheTextSays) {
    // Terms of every kind, with the quirks of the text: a stray ')' reads as
    // more alternatives, junk after a term makes it false, a group nested too
    // deep is false.
    const std::string deep = std::string(20, '(') + "a" + std::string(20, ')') + ":";
    guardtree g = read_guard("1'(\"x*\"|*),<5.2=y>)b?:rest");
    ASSERT_EQ(g.top.size(), 2u);
    EXPECT_EQ(g.length, std::string("1'(\"x*\"|*),<5.2=y>)b?").size());
    const guardalternative& first = g.groups[static_cast<size_t>(g.top[0])][0];
    ASSERT_EQ(first.size(), 2u);
    EXPECT_TRUE(first[0].hasdes);
    EXPECT_EQ(first[0].des, 1);
    EXPECT_EQ(first[0].what, guardterm::kind::group);
    const guardgroup& inner = g.groups[static_cast<size_t>(first[0].group)];
    ASSERT_EQ(inner.size(), 2u);
    EXPECT_EQ(inner[0][0].what, guardterm::kind::pattern);
    EXPECT_EQ(inner[0][0].wild, 0);
    EXPECT_EQ(inner[1][0].what, guardterm::kind::any);
    EXPECT_EQ(first[1].what, guardterm::kind::lexical);
    EXPECT_EQ(first[1].field, 5);
    EXPECT_EQ(first[1].leaf, 2);
    EXPECT_TRUE(first[1].wellformed);
    const guardterm& junk = g.groups[static_cast<size_t>(g.top[1])][0][0];
    EXPECT_EQ(junk.what, guardterm::kind::attribute);
    EXPECT_TRUE(junk.junk);

    guardtree d = read_guard(deep.c_str());
    int toodeep = 0;
    for (const guardgroup& alts : d.groups)
        for (const guardalternative& terms : alts)
            for (const guardterm& t : terms)
                toodeep += t.toodeep;
    EXPECT_EQ(toodeep, 1);
    EXPECT_TRUE(same_guard(read_guard("a,b|c:"), read_guard("a,b|c:")));
    std::string other = "a,b|c:";
    EXPECT_FALSE(same_guard(read_guard("a,b|c:"), read_guard(other.c_str()))); // other texts
    EXPECT_FALSE(same_guard(read_guard(other.c_str()), read_guard(other.substr(0, 3).c_str())));
}

} // namespace guardtree_test
