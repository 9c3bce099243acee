// The text store: corefiles, line headers, the heap and its collector.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/corefiles.hpp"
#include "editor/editloop.hpp"
#include "editor/frontend.hpp"
#include "editor/lines.hpp"
#include "editor/paint.hpp"
#include "editor/resetall.hpp"
#include "editor/store.hpp"

namespace oxa {
namespace store_test {

std::string text(const LINE* l) {
    if (l->object == K_EMPTY || l->object == K_PICTURE) return "";
    return std::string(reinterpret_cast<const char*>(&textbase[l->index]),
                       static_cast<size_t>(l->length));
}

// Appends `s` to the current line.
void put(const char* s) {
    for (const char* p = s; *p; ++p)
        ASSERT_TRUE(cadd(static_cast<unsigned char>(*p)));
}

// Adds a new line below the cursor line holding `s`; it becomes current.
LINE* addline(const char* s) {
    EXPECT_TRUE(allocln(K_EMPTY, 0));
    put(s);
    return cur().lnptr;
}

bool inchain(const LINE* l) {
    for (const LINE* p = firstphys.nextphys; p != nullptr; p = p->nextphys)
        if (p == l) return true;
    return false;
}

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetall();
        xvsink = [](const char*, size_t) {};
    }
    void TearDown() override { EXPECT_EQ(checkstore(), ""); }
};

TEST_F(StoreTest, StartsWithOneEmptyLinePerCorefile) {
    EXPECT_EQ(corenum, 1);
    EXPECT_EQ(avail, 0);
    EXPECT_NE(reserve, nullptr);
    EXPECT_EQ(lastphys, &firstphys);
    for (int f = 0; f < NCORE; ++f) {
        const COREFILE& c = core[f];
        ASSERT_NE(c.header, nullptr);
        EXPECT_EQ(c.lncount, 1) << f;
        EXPECT_EQ(c.charcount, 0) << f;
        EXPECT_EQ(c.header->down, c.lnptr) << f;
        EXPECT_EQ(c.lnptr->down, c.header) << f;
        EXPECT_EQ(c.lnptr->object, K_EMPTY) << f;
        EXPECT_EQ(c.disln, c.lnptr) << f;
        EXPECT_EQ(c.curcol, 1) << f;
        EXPECT_EQ(c.curflag, 1) << f;
    }
    EXPECT_EQ(distance(cur().header, cur().lnptr), 1);
    EXPECT_EQ(checkstore(), "");
}

TEST_F(StoreTest, FirstByteGivesAnEmptyLineHeapSpaceAtTheTop) {
    addline("xy");
    LINE* l = cur().header->down; // the start-up empty line, still kind 5
    cur().lnptr = l;
    int64_t top = avail;
    ASSERT_TRUE(cadd('a'));
    EXPECT_EQ(l->object, K_TEXT);
    EXPECT_EQ(l->index, top);
    EXPECT_EQ(lastphys, l);
    EXPECT_EQ(avail, top + 1);
    EXPECT_EQ(cur().charcount, 3);
    EXPECT_EQ(checkstore(), "");
}

TEST_F(StoreTest, LineGrowsInPlaceOnlyIntoFreeBytesOrAtTheTop) {
    cur().lnptr->object = K_EMPTY;
    put("one");
    LINE* a = cur().lnptr;
    LINE* b = addline("two");
    // a's next byte is b's text: a moves to the top with a new header.
    cur().lnptr = a;
    int64_t oldindex = a->index;
    ASSERT_TRUE(cadd('!'));
    LINE* moved = cur().lnptr;
    EXPECT_NE(moved, a);
    EXPECT_EQ(a->object, K_DEAD);
    EXPECT_TRUE(inchain(a));
    EXPECT_EQ(moved->index, b->index + 3);
    EXPECT_EQ(text(moved), "one!");
    EXPECT_EQ(lastphys, moved);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(textbase[oldindex + i], FREEBYTE);
    EXPECT_EQ(cur().header->down, moved);
    EXPECT_EQ(moved->down, b);
    EXPECT_EQ(b->up, moved);
    EXPECT_EQ(checkstore(), "");

    // b is followed by moved's text; once that line is removed its bytes are
    // free and b grows in place.
    cur().lnptr = moved;
    removeline();
    cur().lnptr = b;
    int64_t bindex = b->index;
    ASSERT_TRUE(cadd('?'));
    EXPECT_EQ(cur().lnptr, b);
    EXPECT_EQ(b->index, bindex);
    EXPECT_EQ(text(b), "two?");
    EXPECT_EQ(checkstore(), "");
}

TEST_F(StoreTest, TailLineGrowsAtTheTopWithoutMoving) {
    put("abc");
    LINE* l = cur().lnptr;
    int64_t index = l->index;
    put("def");
    EXPECT_EQ(cur().lnptr, l);
    EXPECT_EQ(l->index, index);
    EXPECT_EQ(avail, 6);
    EXPECT_EQ(text(l), "abcdef");
}

TEST_F(StoreTest, ZeroLengthTailDoesNotGrowIntoAnotherLinesBytes) {
    // After a collection a stripped line keeps an index equal to the end of
    // the line before it; that line may grow first.
    put("ab");
    LINE* a = cur().lnptr;
    LINE* z = addline(" ");
    garbage(); // z is stripped to length 0 at offset 2
    ASSERT_EQ(z->length, 0);
    ASSERT_EQ(z->index, 2);
    cur().lnptr = a;
    put("c"); // grows in place at the top
    EXPECT_EQ(text(a), "abc");
    cur().lnptr = z;
    put("z");
    EXPECT_EQ(text(a), "abc");
    EXPECT_EQ(text(cur().lnptr), "z");
    EXPECT_EQ(checkstore(), "");
}

TEST_F(StoreTest, RemoveLineTextAndEmpty) {
    put("hello");
    LINE* t = cur().lnptr;
    LINE* e = nullptr;
    ASSERT_TRUE(allocln(K_EMPTY, 0));
    e = cur().lnptr;
    LINE* below = addline("x");
    cur().starA = t;
    cur().starcount = 1;
    cur().nextstar = 'B';

    cur().lnptr = t;
    int64_t index = t->index;
    removeline();
    EXPECT_EQ(t->object, K_DEAD);
    EXPECT_TRUE(inchain(t));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(textbase[index + i], FREEBYTE);
    EXPECT_EQ(cur().starA, nullptr);
    EXPECT_EQ(cur().starcount, 0);
    EXPECT_EQ(cur().nextstar, 'A');
    EXPECT_EQ(cur().lncount, 2);
    EXPECT_EQ(cur().charcount, 1);
    cur().lnptr = t->down; // the removed header is still readable
    EXPECT_EQ(cur().lnptr, e);

    removeline();              // the empty line: out of the list at once
    EXPECT_EQ(e->down, below); // readable until the next collection
    cur().lnptr = below;
    EXPECT_EQ(cur().lncount, 1);
    EXPECT_EQ(cur().header->down, below);
    EXPECT_EQ(checkstore(), "");
}

TEST_F(StoreTest, CollectionCompactsAndStripsEveryCorefile) {
    put("first   ");
    LINE* a = cur().lnptr;
    LINE* b = addline("second");
    LINE* c = addline("third  ");
    corenum = 3;
    put("other corefile  ");
    LINE* o = cur().lnptr;
    corenum = 1;
    cur().lnptr = b;
    removeline();
    cur().lnptr = a;
    put("x"); // a moves to the top
    a = cur().lnptr;
    cur().lnptr = c;

    garbage();
    EXPECT_EQ(checkstore(), "");
    EXPECT_EQ(corenum, 1);
    EXPECT_EQ(cur().lnptr, c);
    // Live text contiguous from 0 in chain order, no dead header left.
    int64_t pos = 0;
    for (const LINE* l = firstphys.nextphys; l != nullptr; l = l->nextphys) {
        EXPECT_NE(l->object, K_DEAD);
        EXPECT_EQ(l->index, pos);
        pos += l->length;
    }
    EXPECT_EQ(avail, pos);
    EXPECT_EQ(text(c), "third");
    EXPECT_EQ(text(o), "other corefile");
    EXPECT_EQ(text(a), "first   x");
    EXPECT_EQ(avail, 5 + 14 + 9);
    EXPECT_EQ(core[3].charcount, 14);
    EXPECT_EQ(full, 0);
}

TEST_F(StoreTest, ShiftRedirectsWindowStarsAndWalker) {
    put("aa");
    LINE* a = cur().lnptr;
    addline("bb");
    cur().lnptr = a;
    cur().disln = a;
    cur().starA = a;
    cur().starB = a;
    lp = a;
    shiftline();
    LINE* n = cur().lnptr;
    EXPECT_NE(n, a);
    EXPECT_EQ(cur().disln, n);
    EXPECT_EQ(cur().starA, n);
    EXPECT_EQ(cur().starB, n);
    EXPECT_EQ(lp, n);
    EXPECT_EQ(text(n), "aa");
    cur().starB = nullptr;
}

TEST_F(StoreTest, CreationRefusedWithoutReserveButGrowthStillWorks) {
    put("aa");
    LINE* a = cur().lnptr;
    addline("bb");
    LINE* spare = reserve;
    reserve = nullptr;
    LINE* before = cur().lnptr;
    int32_t lines = cur().lncount;
    int64_t top = avail;
    EXPECT_FALSE(allocln(K_EMPTY, 0));
    insline();
    EXPECT_EQ(cur().lnptr, before);
    EXPECT_EQ(cur().lncount, lines);
    EXPECT_EQ(avail, top);
    EXPECT_EQ(checkstore(), "");

    // A line that must move keeps its header and goes to the chain's tail.
    cur().lnptr = a;
    ASSERT_TRUE(cadd('!'));
    EXPECT_EQ(cur().lnptr, a);
    EXPECT_EQ(lastphys, a);
    EXPECT_EQ(text(a), "aa!");
    EXPECT_EQ(checkstore(), "");

    garbage(); // takes a new reserve
    EXPECT_NE(reserve, nullptr);
    EXPECT_EQ(full, 0);
    (void)spare; // dropped on purpose: the pool gives it back at the next reset
}

TEST_F(StoreTest, FreedHeadersAreReused) {
    std::set<LINE*> removed;
    for (const char* s : {"one", "two", "three"})
        addline(s);
    for (int i = 0; i < 3; ++i)
        addline("");
    const int32_t blocks = hdrblockcount();
    // Remove the six new lines: text lines die in place, empty ones wait in
    // limbo; the collection releases both.
    for (int i = 0; i < 6; ++i) {
        removed.insert(cur().lnptr);
        LINE* above = cur().lnptr->up;
        removeline();
        cur().lnptr = above;
    }
    garbage();
    EXPECT_EQ(checkstore(), "");
    // Six headers wait on the free list: five new lines and the new reserve
    // take them, and no new memory is needed.
    size_t reused = 0;
    for (int i = 0; i < 6; ++i)
        reused += removed.count(addline("x"));
    reused += removed.count(reserve);
    EXPECT_EQ(reused, 6u);
    EXPECT_EQ(hdrblockcount(), blocks);
    EXPECT_EQ(text(cur().lnptr), "x");
}

TEST_F(StoreTest, HeaderExhaustionLeavesNoReserve) {
    hdrblocklimit = hdrblockcount();
    int32_t added = 0;
    while (added < 2 * HDRBLOCK && allocln(K_EMPTY, 0))
        ++added;
    EXPECT_GT(added, 0);
    EXPECT_LT(added, HDRBLOCK);
    EXPECT_EQ(reserve, nullptr);
    EXPECT_EQ(hdrblockcount(), hdrblocklimit);
    const int32_t lines = cur().lncount;
    insline();
    EXPECT_EQ(cur().lncount, lines);
    garbage(); // nothing to free: memory stays full
    EXPECT_EQ(reserve, nullptr);
    EXPECT_EQ(full, 1);

    // Removing lines gives headers back to the next collection.
    LINE* above = cur().lnptr->up;
    removeline();
    cur().lnptr = above;
    garbage();
    EXPECT_NE(reserve, nullptr);
    EXPECT_EQ(full, 0);
    EXPECT_TRUE(allocln(K_EMPTY, 0));
    EXPECT_EQ(cur().lncount, lines);

    // A reset lifts the cap.
    resetstore();
    EXPECT_LT(hdrblocklimit, 0);
    EXPECT_NE(reserve, nullptr);
}

TEST_F(StoreTest, HeapEndIsNeverPassed) {
    // Pretend the heap is nearly used up by free bytes.
    std::memset(textbase.data(), FREEBYTE, static_cast<size_t>(HEAPSIZE - 2));
    avail = HEAPSIZE - 2;
    EXPECT_TRUE(cadd('a'));
    EXPECT_TRUE(cadd('b'));
    EXPECT_FALSE(cadd('c'));
    EXPECT_EQ(cur().lnptr->length, 2);
    EXPECT_EQ(avail, HEAPSIZE);
    EXPECT_FALSE(allocln(K_TEXT, 1)); // a reader's text would not fit
    EXPECT_EQ(cur().lncount, 1);
    cur().curcol = 1000;
    extline(); // makes room by a collection first
    EXPECT_EQ(cur().lnptr->length, 1000);
    EXPECT_EQ(avail, 1000);
    EXPECT_EQ(checkstore(), "");
    garbage();
    EXPECT_EQ(avail, 2);
}

TEST_F(StoreTest, FullIsSetWhenAboveTheMarkAfterCollection) {
    put("abc");
    hiaddr = 2;
    garbage();
    EXPECT_EQ(full, 1);
    hiaddr = HIADDR;
    garbage();
    EXPECT_EQ(full, 0);
}

TEST_F(StoreTest, ClearLeavesOneEmptyLineAndTheWindowAtTheTop) {
    put("a");
    addline("b");
    addline("c");
    std::strcpy(cur().filname.data(), "name");
    cur().edited = 1;
    clrfile();
    EXPECT_EQ(cur().lncount, 1);
    EXPECT_EQ(cur().charcount, 0);
    EXPECT_EQ(cur().lnptr, cur().header->down);
    EXPECT_EQ(cur().lnptr->object, K_EMPTY);
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(cur().filname[0], '\0');
    EXPECT_EQ(cur().edited, 0);
    EXPECT_EQ(redisplay, RP_ALL);
    EXPECT_EQ(avail, 0);
    EXPECT_EQ(firstphys.nextphys, nullptr);
}

TEST_F(StoreTest, ClearInRecordCorefileMakesARecordLine) {
    cur().viewtype = 1;
    clrfile();
    EXPECT_EQ(cur().lnptr->object, K_RECORD);
    EXPECT_EQ(text(cur().lnptr), std::string(static_cast<size_t>(numfields), '|'));
}

TEST_F(StoreTest, NewLineTakesTheShapeAndMargin) {
    struct Case {
        int32_t viewtype;
        int32_t lmarg;
        int32_t kind;
        int32_t col;
        int32_t flag;
    } cases[] = {
        {0, 5, K_EMPTY, 5, 1},
        {1, 5, K_RECORD, 1, 1},
        {4, 5, K_PICTURE, 1, 1},
    };
    for (const Case& k : cases) {
        resetstore();
        cur().viewtype = k.viewtype;
        lmargin = k.lmarg;
        LINE* first = cur().lnptr;
        nuline();
        EXPECT_NE(cur().lnptr, first) << k.viewtype;
        EXPECT_EQ(first->down, cur().lnptr) << k.viewtype;
        EXPECT_EQ(cur().lnptr->object, k.kind) << k.viewtype;
        EXPECT_EQ(cur().curcol, k.col) << k.viewtype;
        EXPECT_EQ(cur().curflag, k.flag) << k.viewtype;
        EXPECT_EQ(cur().edited, 1) << k.viewtype;
        EXPECT_EQ(cur().lncount, 2) << k.viewtype;
        EXPECT_EQ(checkstore(), "") << k.viewtype;
    }
}

TEST_F(StoreTest, CoreSelectsOnlyOtherCorefilesBelowNineteen) {
    struct Case {
        int32_t n;
        int32_t expect;
    } cases[] = {{0, 0}, {18, 18}, {19, 1}, {25, 1}, {1, 1}, {-1, 1}};
    for (const Case& k : cases) {
        corenum = 1;
        redisplay = RP_NONE;
        core[k.n >= 0 && k.n < NCORE ? k.n : 0].curflag = 2;
        param[1] = k.n;
        coreset();
        EXPECT_EQ(corenum, k.expect) << k.n;
        if (k.expect != 1) {
            EXPECT_EQ(redisplay, RP_ALL) << k.n;
            EXPECT_EQ(cur().curflag, 1) << k.n;
            EXPECT_EQ(cureditmask, editmask[cur().viewtype]);
        } else {
            EXPECT_EQ(redisplay, RP_NONE) << k.n;
        }
    }
}

TEST_F(StoreTest, NameCopiesTheFileNameCutAt48) {
    std::strcpy(curfile.data(), "letters.txt");
    nmeset();
    EXPECT_STREQ(cur().filname.data(), "letters.txt");
    std::memset(curfile.data(), 'x', curfile.size()); // no terminator at all
    nmeset();
    EXPECT_EQ(std::strlen(cur().filname.data()), 48u);
}

TEST_F(StoreTest, BeginGoesToTheFirstLine) {
    put("a");
    addline("b");
    cur().curcol = 7;
    wrwholescreen();
    EXPECT_EQ(cur().lnptr, cur().header->down);
    EXPECT_EQ(cur().curcol, 1);
    EXPECT_EQ(cur().curline, 1);
    EXPECT_EQ(cur().disln, cur().lnptr);
    EXPECT_EQ(redisplay, RP_ALL);
}

TEST_F(StoreTest, DistanceCountsDownSteps) {
    LINE* first = cur().lnptr;
    addline("b");
    LINE* third = addline("c");
    EXPECT_EQ(distance(first, first), 0);
    EXPECT_EQ(distance(first, third), 2);
    EXPECT_EQ(distance(cur().header, third), 3);
}

TEST_F(StoreTest, RemoveFileKillsEveryLine) {
    put("abc");
    LINE* a = cur().lnptr;
    ASSERT_TRUE(allocln(K_EMPTY, 0));
    int64_t index = a->index;
    removefile();
    initfile();
    EXPECT_EQ(a->object, K_DEAD);
    EXPECT_EQ(textbase[index], FREEBYTE);
    EXPECT_EQ(cur().lncount, 0);
    ASSERT_TRUE(allocln(K_EMPTY, 0));
    EXPECT_EQ(checkstore(), "");
    garbage();
    EXPECT_EQ(firstphys.nextphys, nullptr);
    EXPECT_EQ(lastphys, &firstphys);
}

TEST_F(StoreTest, ReaderAdoptsPreparedText) {
    const char* s = "read";
    std::memcpy(&textbase[avail], s, 4);
    ASSERT_TRUE(allocln(K_HLINE, 4));
    linkphys();
    linkphys(); // a second call does not link it twice
    EXPECT_EQ(text(cur().lnptr), "read");
    EXPECT_EQ(cur().lnptr->object, K_HLINE);
    EXPECT_EQ(avail, 4);
    EXPECT_EQ(cur().charcount, 4);
    EXPECT_EQ(checkstore(), "");
}

TEST_F(StoreTest, CheckerFindsCorruption) {
    struct Case {
        const char* what;
        void (*spoil)();
    } cases[] = {
        {"free byte in text", [] { textbase[cur().lnptr->index] = FREEBYTE; }},
        {"lncount", [] { cur().lncount += 1; }},
        {"charcount", [] { cur().charcount -= 1; }},
        {"leaked byte", [] { avail += 1; }},
        {"unlinked text line",
         [] {
             allocln(K_EMPTY, 0);
             cur().lnptr->object = K_TEXT;
         }},
        {"empty line with text", [] { cur().lnptr->object = K_EMPTY; }},
        {"broken up link", [] { cur().lnptr->up = cur().lnptr; }},
        {"overlap",
         [] {
             LINE* a = cur().lnptr;
             allocln(K_EMPTY, 0);
             cadd('q');
             cur().lnptr->index = a->index;
         }},
        {"no line",
         [] {
             corenum = 5;
             removeline();
             corenum = 1;
         }},
    };
    for (const Case& k : cases) {
        resetstore();
        put("abc");
        ASSERT_EQ(checkstore(), "");
        k.spoil();
        EXPECT_NE(checkstore(), "") << k.what;
        resetstore(); // leave a sound store behind
    }
}

TEST_F(StoreTest, ACollectionThatFreesNothingIsNotRepeatedUntilTheStoreChanges) {
    LINE* a = addline("alpha");
    addline("beta  ");
    garbage(); // strips the blanks: it freed something
    EXPECT_EQ(checkstore(), "");
    const uint64_t ran = collections;
    const int64_t top = avail;
    garbage(); // frees nothing
    EXPECT_EQ(collections, ran + 1);
    for (int i = 0; i < 5; ++i) garbage();
    EXPECT_EQ(collections, ran + 1);
    EXPECT_EQ(avail, top);
    EXPECT_EQ(checkstore(), "");
    // The mark still decides `full` on a skipped call.
    hiaddr = 2;
    garbage();
    EXPECT_EQ(full, 1);
    hiaddr = HIADDR;
    garbage();
    EXPECT_EQ(full, 0);
    EXPECT_EQ(collections, ran + 1);

    struct Case {
        const char* name;
        void (*change)(LINE* a);
        int64_t freed;
    };
    const Case cases[] = {
        {"text added at the top", [](LINE*) { addline("gamma"); }, 0},
        {"a line removed",
         [](LINE* l) {
             LINE* up = l->up;
             cur().lnptr = l;
             removeline();
             cur().lnptr = up;
         },
         5},
    };
    for (const Case& k : cases) {
        garbage();
        const uint64_t before = collections;
        const int64_t was = avail;
        k.change(a);
        garbage();
        EXPECT_EQ(collections, before + 1) << k.name;
        if (k.freed > 0) {
            EXPECT_EQ(avail, was - k.freed) << k.name;
        }
        EXPECT_EQ(checkstore(), "") << k.name;
    }
}

TEST_F(StoreTest, CheckerFindsStrayBytesAndFreeBytesInText) {
    struct Case {
        const char* what;
        int64_t at;        // the line's text starts here, after free bytes
        int64_t stray;     // a byte set to 'q' (-1: none)
        int64_t freed;     // a byte of the text set free (-1: none)
        const char* found; // what the checker says
    };
    const Case cases[] = {
        {"sound", 5, -1, -1, ""},
        {"stray byte before the text", 5, 2, -1, "byte below avail neither live nor free at offset 2"},
        {"stray byte after the text", 0, 9000, -1,
         "byte below avail neither live nor free at offset 9000"},
        {"free byte inside the text", 0, -1, 1, "free byte inside live text"},
    };
    for (const Case& k : cases) {
        resetstore();
        std::memset(textbase.data(), FREEBYTE, static_cast<size_t>(k.at));
        avail = k.at;
        for (char ch : std::string("abc"))
            ASSERT_TRUE(cadd(ch)) << k.what;
        std::memset(&textbase[static_cast<size_t>(avail)], FREEBYTE, 10000);
        avail += 10000;
        if (k.stray >= 0) textbase[static_cast<size_t>(k.stray)] = 'q';
        if (k.freed >= 0) textbase[static_cast<size_t>(k.at + k.freed)] = FREEBYTE;
        EXPECT_EQ(checkstore(), k.found) << k.what;
    }
    resetstore();
}

} // namespace store_test
} // namespace oxa
