// The input stream: the key map, the input stack and the procedure language.
#include "editor/input.hpp"
#include "editor/recovery.hpp"

#include "editor/editloop.hpp"
#include "editor/encoding.hpp"
#include "editor/frontend.hpp"
#include "editor/paint.hpp"
#include "editor/repaint.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"
#include "editor/typing.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace oxa {

// ---- The initial key map ------------------------------------------------------

constexpr KEYROW row(int code, std::initializer_list<int> keys) {
    KEYROW r{static_cast<int16_t>(code), 0, {}};
    for (int k : keys)
        r.keys[r.nkeys++] = static_cast<int16_t>(k);
    return r;
}

// columns: edit code, keys
constexpr std::array<KEYROW, NCODES> keytable = {{
    row(0, {}),
    row(1, {ctl('J'), ctl('M')}),
    row(2, {}),
    row(3, {}),
    row(4, {}),
    row(5, {ctl('H'), 127, numkey(3)}),
    row(6, {27, csikey('[')}),
    row(7, {esckey(27), esckey('['), csikey(27), csikey('E'), numkey(218)}),
    row(8, {csikey('0'), csikey('1'), csikey('2'), csikey('3'), csikey('4'), csikey('5'),
            csikey('6'), csikey('7'), csikey('8'), csikey('9')}),
    row(9, {esckey(ctl('O'))}),
    row(10, {ctl('F')}),
    row(11, {ctl('G')}),
    row(12, {ctl('_')}),
    row(13, {0, esckey(ctl('W'))}),
    row(14, {esckey(ctl('Y'))}),
    row(15, {esckey(ctl('V')), esckey(127)}),
    row(16, {esckey(ctl('X'))}),
    row(17, {csikey('D')}),
    row(18, {ctl('K'), esckey('B'), csikey('B')}),
    row(19, {ctl('X'), csikey('C'), numkey(23)}),
    row(20, {ctl('Z'), csikey('A'), numkey(43)}),
    row(21, {ctl('C'), numkey(13)}),
    row(22, {ctl('W'), numkey(2)}),
    row(23, {ctl('R')}),
    row(24, {esckey(ctl('N'))}),
    row(25, {ctl('E'), numkey(33)}),
    row(26, {ctl('T')}),
    row(27, {ctl('D')}),
    row(28, {ctl('P'), numkey(5), numkey(216)}),
    row(29, {csikey('F')}),
    row(30, {ctl('Q'), numkey(6), numkey(222)}),
    row(31, {esckey('n')}),
    row(32, {ctl('N')}),
    row(33, {ctl('V')}),
    row(34, {ctl('I')}),
    row(35, {ctl('B')}),
    row(36, {ctl('Y')}),
    row(37, {esckey(ctl('K'))}),
    row(38, {ctl('\\')}),
    row(39, {csikey('P')}),
    row(40, {esckey(ctl('T'))}),
    row(41, {esckey('X')}),
    row(42, {esckey('#')}),
    row(43, {esckey('+')}),
    row(44, {esckey('-')}),
    row(45, {esckey('*')}),
    row(46, {esckey('/')}),
    row(47, {esckey('@')}),
    row(48, {esckey('M')}),
    row(49, {esckey('&')}),
    row(50, {esckey('%')}),
    row(51, {esckey('$')}),
    row(52, {esckey('=')}),
    row(53, {esckey('b'), esckey('d'), esckey('f')}),
    row(54, {esckey('r')}),
    row(55, {esckey('p')}),
    row(56, {esckey('z')}),
    row(57, {esckey('t')}),
    row(58, {esckey('y')}),
    row(59, {esckey('x')}),
    row(60, {esckey(ctl('J'))}),
    row(61, {esckey(ctl('Z'))}),
    row(62, {}),
    row(63, {esckey('P')}),
    row(64, {esckey('R')}),
    row(65, {ctl('U')}),
    row(66, {esckey('D'), csikey('b')}),
    row(67, {esckey('F')}),
    row(68, {esckey('C'), csikey('f')}),
    row(69, {csikey(ctl('H')), csikey('d'), csikey(127)}),
    row(70, {csikey('L'), numkey(194)}),
    row(71, {csikey('R'), numkey(195)}),
    row(72, {csikey('l'), numkey(208)}),
    row(73, {csikey('r'), numkey(210)}),
    row(74, {csikey('c'), numkey(209)}),
    row(75, {csikey('s')}),
    row(76, {csikey('j')}),
    row(77, {csikey('t')}),
    row(78, {esckey(ctl('B'))}),
    row(79, {esckey(ctl('D'))}),
    row(80, {csikey('W')}),
    row(81, {csikey('n')}),
    row(82, {csikey('p')}),
    row(83, {csikey(ctl('E'))}),
    row(84, {csikey(ctl('D'))}),
    row(85, {csikey(ctl('T'))}),
    row(86, {csikey(ctl('B'))}),
    row(87, {csikey(ctl('F'))}),
    row(88, {csikey(ctl('O'))}),
    row(89, {csikey(ctl('C'))}),
    row(90, {csikey(ctl('M'))}),
    row(91, {csikey(ctl('S'))}),
    row(92, {ctl('L')}),
    row(93, {csikey('h')}),
    row(94, {csikey('g')}),
    row(95, {csikey('m')}),
    row(96, {csikey('k')}),
    row(97, {esckey('g')}),
    row(98, {esckey('l')}),
    row(99, {esckey('k')}),
    row(100, {}),
    row(101, {esckey('j')}),
    row(102, {esckey('m')}),
    row(103, {esckey('K')}),
    row(104, {esckey('L')}),
    row(105, {esckey('N')}),
    row(106, {esckey('H')}),
    row(107, {esckey('Y')}),
    row(108, {esckey('S')}),
    row(109, {}),
    row(110, {esckey('{')}),
    row(111, {esckey('|')}),
    row(112, {esckey('}')}),
    row(113, {esckey('~')}),
    row(114, {esckey('w')}),
    row(115, {esckey('q')}),
    row(116, {esckey('u')}),
    row(117, {esckey('V'), esckey('v')}),
    row(118, {esckey('0')}),
    row(119, {esckey('1'), numkey(224)}),
    row(120, {esckey('2'), numkey(225), csikey('Q')}),
    row(121, {esckey('3'), numkey(226)}),
    row(122, {esckey('4'), numkey(227), csikey('S')}),
    row(123, {esckey('5'), numkey(228), numkey(15)}),
    row(124, {esckey('6'), numkey(229), numkey(17)}),
    row(125, {esckey('7'), numkey(230), numkey(18)}),
    row(126, {esckey('8'), numkey(231), numkey(19)}),
    row(127, {esckey('9'), numkey(232), numkey(20)}),
}};
static_assert(keytable.size() == NCODES);

// The keys that type an accented letter: each is bound to the letter code and
// types its character from `char_map`.
// columns: extended key, Latin-1 letter
constexpr std::array<std::array<int, 2>, 16> accentkeys = {{
    {esckey('a'), 225},
    {esckey('A'), 226},
    {esckey('E'), 234},
    {esckey('I'), 238},
    {esckey('O'), 244},
    {esckey('U'), 251},
    {esckey('c'), 231},
    {esckey('e'), 233},
    {esckey('i'), 237},
    {esckey('o'), 243},
    {csikey('N'), 241},
    {csikey('a'), 224},
    {csikey('e'), 232},
    {csikey('i'), 236},
    {csikey('o'), 242},
    {csikey('u'), 249},
}};
static_assert(accentkeys.size() == 16);

constexpr std::array<uint8_t, NKEYS> defaultintran() {
    std::array<uint8_t, NKEYS> t{};
    for (int c = 32; c < 127; c++) {
        if (c >= '0' && c <= '9')
            t[c] = C_DIGIT;
        else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '.' ||
                 c == '/' || c == '_' || c == '~')
            t[c] = C_LETTER;
        else
            t[c] = C_PRINT;
    }
    for (const KEYROW& r : keytable)
        for (int i = 0; i < r.nkeys; i++)
            t[r.keys[i]] = static_cast<uint8_t>(r.code);
    for (const auto& a : accentkeys)
        t[a[0]] = C_LETTER;
    return t;
}

constexpr std::array<unsigned char, NCHARMAP> defaultcharmap() {
    std::array<unsigned char, NCHARMAP> m{};
    for (int c : {9, 12, 23})
        m[c] = static_cast<unsigned char>(c);
    for (int c = 32; c <= 126; c++)
        m[c] = static_cast<unsigned char>(c);
    for (const auto& a : accentkeys)
        m[a[0]] = static_cast<unsigned char>(a[1]);
    for (int k = numkey(0); k < NCHARMAP; k++)
        m[k] = static_cast<unsigned char>(k - numkey(0) + 128);
    return m;
}

constexpr std::array<uint8_t, NKEYS> initialintran = defaultintran();
constexpr std::array<unsigned char, NCHARMAP> initialcharmap = defaultcharmap();

// ---- State -----------------------------------------------------------------------

std::array<unsigned char*, FNSTACKSIZE> fnstack{};
int fnptr = 0;
FILE* inptr = nullptr;
std::array<std::array<char, FNKEYSIZE>, NFNKEYS> fn{};

std::array<uint8_t, NKEYS> intran = initialintran;
std::array<unsigned char, NCHARMAP> char_map = initialcharmap;
int escflg = 0;
int holdch = 0;
int type = 0;
int transb = 0;

std::array<unsigned char*, NLOOPS> loopstack{};
int loopptr = 0;
std::array<int32_t, NLEVELS> vl_result{};
int loopdepth = 0;
std::array<unsigned char, PATTSIZE> patt{};
std::array<std::array<unsigned char, CAPTSIZE>, NCAPTURES> unified{};
std::array<int64_t, MATCHSIZE> matcharray{};

drivercontrol driverctl = nullptr;

int transflag = 0;
int ctrlflag = 0;
int untransflag = 0;
int64_t procbudget = -1;

namespace {

// Each stacked string is copied into the slot's own buffer.
std::array<std::array<unsigned char, PROCBUFSIZE>, FNSTACKSIZE> fnbuf{};
// The stack slot whose string opened each loop.
std::array<int, NLOOPS> looplevel{};
// The value of a numeric prefix being read.
int numval = 0;
// `patt` was cut: the line was longer than the buffer.
bool pattcut = false;
// The pattern and the positions of the last successful `unify`, for
// `copywild` (a failed attempt afterwards leaves them); -1 ends the pattern.
std::array<int, MATCHSIZE> lastpattern{-1};
std::array<int64_t, MATCHSIZE> lastmatch{};

} // namespace

// ---- The input stack --------------------------------------------------------------

void pushfn(const char* str) {
    if (fnptr >= FNSTACKMAX) return;
    int slot = fnptr + 1;
    if (str == nullptr) {
        fnstack[slot] = nullptr;
    } else {
        auto& buf = fnbuf[slot];
        size_t n = 0;
        while (str[n] != 0 && n < buf.size() - 1) {
            buf[n] = static_cast<unsigned char>(str[n]);
            n++;
        }
        buf[n] = 0;
        fnstack[slot] = buf.data();
    }
    fnptr = slot;
}

// Takes the top string off the stack, with the loops it opened.
static void popfn() {
    if (fnptr == 0) return;
    fnptr--;
    while (loopptr > 0 && looplevel[loopptr] > fnptr)
        loopptr--;
}

// A procedure has gone beyond the limits of the loop or level stacks: every
// stacked string is given up and input returns to standard input.
static void abandonproc() {
    fnptr = 0;
    loopptr = 0;
    loopdepth = 0;
    escflg = 0;
}

static bool readingproc() {
    return fnptr > 0 && fnstack[fnptr] != nullptr;
}

bool keyboardnext() {
    for (int i = fnptr; i > 0; --i) {
        if (fnstack[i] == nullptr) break; // paused: the keyboard is read
        if (*fnstack[i] != 0) return false;
    }
    return inptr == nullptr || inptr == stdin;
}

// The next byte of the stream, or -1 when the read was interrupted (the stack
// may have changed meanwhile).  Sets fromproc when it came from a string.
static int readbyte(bool& fromproc) {
    for (;;) {
        if (!readingproc()) {
            // The redraws that signals asked for are made here, between keys.
            takesignals();
            // The front end must have every message before the editor waits.
            flushout();
            fromproc = false;
            if (inptr == nullptr) inptr = stdin;
            // A fatal signal while waiting writes the recovery files at once.
            waitinginput = 1;
            checkfatal();
            // A signal handler may switch `inptr` while the read waits.
            FILE* in = inptr;
            if (!waitforinput(in)) {
                waitinginput = 0;
                return -1;
            }
            int c = getc(in);
            waitinginput = 0;
            if (c != EOF) return c;
            if (ferror(in) && errno == EINTR) {
                clearerr(in);
                return -1;
            }
            if (in != stdin) {
                // The driver program has closed its output: back to the keyboard.
                clearerr(in);
                if (driverctl) driverctl(C_KILLPROG);
                inptr = stdin;
                continue;
            }
            eofexit();
        }
        unsigned char*& pos = fnstack[fnptr];
        if (*pos == 0) {
            popfn();
            continue;
        }
        if (procbudget == 0) {
            abandonproc();
            continue;
        }
        if (procbudget > 0) --procbudget;
        // A running procedure's messages reach the front end as time goes by,
        // not one write per byte.
        pacedflush();
        fromproc = true;
        return *pos++;
    }
}

// After a lead byte of a two-byte UTF-8 sequence: takes the continuation byte
// that follows in the same source and returns it, or returns -1 and leaves the
// next byte unread when it is not one.
static int takecont(bool fromproc) {
    if (fromproc) {
        unsigned char*& pos = fnstack[fnptr];
        if (!utf8cont(*pos)) return -1;
        return *pos++;
    }
    for (;;) {
        int c = getc(inptr);
        if (c != EOF) {
            if (utf8cont(c)) return c;
            ungetc(c, inptr);
            return -1;
        }
        if (!(ferror(inptr) && errno == EINTR)) return -1;
        clearerr(inptr);
    }
}

// ---- Procedure constructs ------------------------------------------------------------

int fetchint() {
    if (!readingproc()) return 0;
    unsigned char*& pos = fnstack[fnptr];
    int n = 0;
    while (*pos >= '0' && *pos <= '9') {
        if (n < 100000000) n = 10 * n + (*pos - '0');
        pos++;
    }
    return n;
}

void fetchpatt() {
    size_t n = 0;
    pattcut = false;
    if (readingproc()) {
        unsigned char*& pos = fnstack[fnptr];
        while (*pos != 0) {
            unsigned char c = *pos++;
            if (c == '\r') break;
            if (n < patt.size() - 1)
                patt[n++] = c;
            else
                pattcut = true;
        }
    }
    patt[n] = 0;
}

static void skipblank() {
    if (readingproc() && *fnstack[fnptr] == ' ') fnstack[fnptr]++;
}

// Skips forward to the else or the end-if of the current conditional (only to
// the end-if when elsetoo is false), counting nested conditionals.
static void skipcond(bool elsetoo) {
    int level = 0;
    while (readingproc()) {
        unsigned char*& pos = fnstack[fnptr];
        if (*pos == 0) {
            popfn();
            return;
        }
        unsigned char c = *pos++;
        if (c == P_OPENER || c == P_IFPOS) {
            level++;
        } else if (c == P_ENDIF) {
            if (level == 0) return;
            level--;
        } else if (c == P_ELSE && elsetoo && level == 0) {
            return;
        }
    }
}

// Skips past the loop end that matches the loop being left.
static void skiploop() {
    int level = 0;
    while (readingproc()) {
        unsigned char*& pos = fnstack[fnptr];
        if (*pos == 0) {
            popfn();
            return;
        }
        unsigned char c = *pos++;
        if (c == P_LOOPSTART) {
            level++;
        } else if (c == P_LOOPEND) {
            if (level == 0) return;
            level--;
        }
    }
}

static bool pattmatches(int slot) {
    if (pattcut) return false;
    const unsigned char* cap = (slot >= 1 && slot < NCAPTURES)
                                   ? unified[slot].data()
                                   : reinterpret_cast<const unsigned char*>("");
    return std::strcmp(reinterpret_cast<const char*>(patt.data()),
                       reinterpret_cast<const char*>(cap)) == 0;
}

static void construct(int code) {
    switch (code) {
    case C_PATTTEST: {
        int n = fetchint();
        skipblank();
        fetchpatt();
        if (!pattmatches(n)) skipcond(true);
        break;
    }
    case C_RESTEST: {
        int n = fetchint();
        skipblank();
        if (n != result()) skipcond(true);
        break;
    }
    case C_LOOPSTART:
        if (loopptr >= NLOOPS - 1) {
            abandonproc();
        } else {
            loopptr++;
            loopstack[loopptr] = fnstack[fnptr];
            looplevel[loopptr] = fnptr;
        }
        break;
    case C_LOOPEND:
        if (loopptr > 0 && looplevel[loopptr] == fnptr) fnstack[fnptr] = loopstack[loopptr];
        break;
    case C_LOOPTEST:
        if (result() > 0) {
            result()--;
        } else {
            if (loopptr > 0 && looplevel[loopptr] == fnptr) loopptr--;
            skiploop();
        }
        break;
    case C_COUNTER: {
        int n = fetchint();
        if (loopdepth >= NLEVELS - 1) {
            abandonproc();
        } else {
            loopdepth++;
            vl_result[loopdepth] = n;
        }
        break;
    }
    case C_CLOSELEVEL:
        if (loopdepth > 0) loopdepth--;
        break;
    case C_IFPOS:
        if (result() <= 0) skipcond(true);
        break;
    case C_ELSE:
        skipcond(false);
        break;
    default: // end-if, conditional opener
        break;
    }
}

// The rest of the size report ESC [ 8 ; rows ; cols t after its first ';'.
// A report broken by any other byte is dropped whole, that byte with it.
static void readsizereport() {
    std::array<int, 2> size{0, 0};
    for (int part = 0; part < 2;) {
        bool fromproc = false;
        const int b = readbyte(fromproc);
        if (b < 0) continue;
        if (b >= '0' && b <= '9') {
            size[part] = std::min(10 * size[part] + (b - '0'), 100000);
        } else if ((part == 0 && b == ';') || (part == 1 && b == 't')) {
            ++part;
        } else {
            return;
        }
    }
    sizereport(size[0], size[1]);
}

// ---- fetchchar ------------------------------------------------------------------------

void fetchchar() {
    for (;;) {
        termrefresh();
        bool fromproc = false;
        int b = readbyte(fromproc);
        if (b < 0) continue;
        // A character that a store byte stands for, sent as UTF-8, is one
        // letter key, whatever the key map says of its bytes; any other
        // character is dropped with the bell.
        if (escflg == 0 && b >= 0xC2 && b <= 0xF4) {
            unsigned char seq[4] = {static_cast<unsigned char>(b)};
            const int len = utf8length(seq[0]);
            int n = 1;
            for (int c; n < len && (c = takecont(fromproc)) >= 0; ++n)
                seq[n] = static_cast<unsigned char>(c);
            uint32_t cp = 0;
            if (n > 1 && n == len && utf8decode(seq, static_cast<size_t>(n), cp) == n) {
                const int sb = storebyte(cp);
                if (sb >= 0) {
                    type = C_LETTER;
                    holdch = sb;
                    return;
                }
                ibeep();
                continue;
            }
            if (n > 1) continue;
        }
        int k;
        if (escflg == NUMKEY) {
            if (b >= '0' && b <= '9') {
                numval = std::min(10 * numval + (b - '0'), MAXKEYNUM + 1);
                continue;
            }
            if (wirefull && numval == 8 && b == ';') {
                escflg = 0;
                readsizereport();
                continue;
            }
            k = std::min(numval, MAXKEYNUM);
        } else {
            k = b;
        }
        k += escflg;
        escflg = 0;
        holdch = k & 255;
        type = intran[k];

        if (type >= C_FNKEY0) {
            pushfn(fn[type - C_FNKEY0].data());
            continue;
        }
        if (type >= C_PATTTEST) {
            if (fromproc) construct(type);
            continue;
        }
        if (type >= 17) return;
        switch (type) {
        case C_PRINT:
        case C_DIGIT:
            holdch = k < NCHARMAP ? char_map[k] : 0;
            if (holdch == 0 && k != 0) continue; // a key with no character types nothing
            return;
        case C_LETTER:
            holdch = k < NCHARMAP ? char_map[k] : 0;
            if (holdch == 0 && k != 0) continue;
            if (transb && holdch >= 'a' && holdch <= 'z') holdch -= 'a' - 'A';
            return;
        case C_ESC:
            escflg = ESCKEY;
            continue;
        case C_CSI:
            escflg = CSIKEY;
            continue;
        case C_NUMERIC:
            escflg = NUMKEY;
            numval = (k >= csikey('0') && k <= csikey('9')) ? k - csikey('0') : 0;
            continue;
        case C_RESUME:
            if (fnptr > 0 && fnstack[fnptr] == nullptr)
                popfn();
            else if (driverctl)
                driverctl(C_RESUME);
            continue;
        case C_PAUSE:
            if (fromproc)
                pushfn(nullptr);
            else if (driverctl)
                driverctl(C_PAUSE);
            continue;
        case C_KILLPROG:
        case C_ACK:
            if (driverctl) driverctl(type);
            continue;
        case 0:
        case C_IGNORE:
            continue;
        default: // return, rubout, 10, 11, 12
            return;
        }
    }
}

int gcr() {
    for (;;) {
        fetchchar();
        if (type == C_RETURN) {
            del = 1;
            return del;
        }
        if (type == C_RUBOUT) {
            del = 2;
            return del;
        }
    }
}

int gnum() {
    int n = 0;
    for (;;) {
        fetchchar();
        if (type != C_DIGIT) return n;
        if (holdch >= '0' && holdch <= '9' && n < 100000000) n = 10 * n + (holdch - '0');
    }
}

int glett() {
    do {
        fetchchar();
    } while (type < C_PRINT || type > C_LETTER);
    return holdch;
}

// Types capture slot n (read from the input) as if its characters were keyed.
// Each character goes with the code of its class (2 other, 3 digit, 4 letter),
// as the key map would give it, since record fields accept by class.  `type`
// is left as it was (the code of the operation).
static void typewild(void (*build)()) {
    const int savetype = type;
    int n = gnum();
    type = savetype;
    if (n < 1 || n >= NCAPTURES) return;
    std::array<unsigned char, CAPTSIZE> text = unified[n];
    for (size_t i = 0; i < text.size() && text[i] != 0; i++) {
        const unsigned char c = text[i];
        if (c >= '0' && c <= '9')
            type = C_DIGIT;
        else if ((charkind[c] & WORDCH) || std::strchr("-./_~", c) != nullptr)
            type = C_LETTER;
        else
            type = C_PRINT;
        holdch = c;
        build();
    }
    type = savetype;
}

void wildtxt() {
    typewild(bldtxt);
    redisplay = RP_ROW;
}

void wildrec() {
    typewild(bldrec);
    redisplay = RP_FIELD;
}

int setkey(int key, int code) {
    if (key < 0 || key >= NKEYS || code < 0 || code >= NCODES) return 0;
    intran[key] = static_cast<uint8_t>(code);
    return 1;
}

// ---- Brace notation ---------------------------------------------------------------------

// columns: character inside braces, byte it stands for
constexpr std::array<std::array<unsigned char, 2>, 16> bracetable = {{
    {'!', '|'},
    {'$', P_COUNTER},
    {'%', P_CLOSELEVEL},
    {'&', P_OPENER},
    {'(', '{'},
    {')', '}'},
    {'-', P_PATTTEST},
    {'.', P_ENDIF},
    {'/', 127},
    {':', P_ELSE},
    {'<', P_LOOPSTART},
    {'=', P_RESTEST},
    {'>', P_LOOPEND},
    {'?', P_IFPOS},
    {'^', P_LOOPTEST},
    {'`', '~'},
}};
static_assert(bracetable.size() == 16);

int transchar(int ch, unsigned char* dest) {
    ch &= 255;
    if (!transflag) {
        *dest = static_cast<unsigned char>(ch);
        return 1;
    }
    if (ch == '{') {
        ctrlflag = 1;
        return 0;
    }
    if (ch == '}') {
        ctrlflag = 0;
        return 0;
    }
    if (!ctrlflag) {
        *dest = static_cast<unsigned char>(ch);
        return 1;
    }
    for (const auto& r : bracetable) {
        if (r[0] == ch) {
            *dest = r[1];
            return 1;
        }
    }
    // A NUL would end the text early and could never be read: dropped.
    if ((ch & ctrlmask) == 0) return 0;
    *dest = static_cast<unsigned char>(ch & ctrlmask);
    return 1;
}

int transstring(const char* src, char* dest, int size) {
    if (size <= 0) return 0;
    int saveflag = transflag;
    transflag = 1;
    ctrlflag = 0;
    int n = 0;
    for (; *src != 0 && n < size - 1; src++) {
        unsigned char b;
        if (transchar(static_cast<unsigned char>(*src), &b)) dest[n++] = static_cast<char>(b);
    }
    dest[n] = 0;
    ctrlflag = 0;
    transflag = saveflag;
    return n;
}

int untranschar(int ch, char* dest) {
    ch &= 255;
    int special = 0;
    for (const auto& r : bracetable)
        if (r[1] == ch) special = r[0];
    int n = 0;
    if (ch < 32 || special) {
        if (!untransflag) dest[n++] = '{';
        untransflag = 1;
        dest[n++] = static_cast<char>(special ? special : ch + 64);
    } else {
        if (untransflag) dest[n++] = '}';
        untransflag = 0;
        dest[n++] = static_cast<char>(ch);
    }
    return n;
}

int untransstring(const char* src, char* dest, int size) {
    if (size <= 0) return 0;
    untransflag = 0;
    int n = 0;
    for (; *src != 0; src++) {
        char tmp[2];
        int before = untransflag;
        int m = untranschar(static_cast<unsigned char>(*src), tmp);
        // Room for the characters, a closing brace and the NUL.
        if (n + m + (untransflag ? 1 : 0) > size - 1) {
            untransflag = before;
            break;
        }
        std::memcpy(dest + n, tmp, m);
        n += m;
    }
    if (untransflag && n < size - 1) dest[n++] = '}';
    untransflag = 0;
    dest[n] = 0;
    return n;
}

// ---- Wildcard matching --------------------------------------------------------------------

int unify(const char* pattern, int64_t start, int terminator, int64_t length) {
    std::array<int, MATCHSIZE> pat{};
    terminator &= 255;
    int plen = 0;
    for (;;) {
        if (plen >= MATCHSIZE - 1) return 0; // no terminator within the pattern buffer
        int c = static_cast<unsigned char>(pattern[plen]);
        if (c == terminator || c == 0) break;
        pat[plen++] = c;
    }
    pat[plen] = -1;
    if (start < 0 || length < 0 || start + length > HEAPSIZE) return 0;

    matcharray.fill(0);
    const int64_t end = start + length;
    int p = 0;
    int64_t s = start;
    bool patdone = false, textdone = false, instar = false;
    int resume = -1; // pattern position after the last star
    int64_t starpos = start;
    while ((!patdone && !textdone) || pat[p] == '*') {
        matcharray[p] = s;
        if (pat[p] == '*') {
            p++;
            resume = p;
            instar = true;
            matcharray[p] = s;
        }
        bool match = pat[p] == -1 ? s == end : (pat[p] != '*' && s < end && pat[p] == textbase[s]);
        if (match) {
            if (pat[p] == -1)
                patdone = true;
            else
                p++;
            if (instar) {
                instar = false;
                starpos = s;
            }
        } else if (!instar) {
            if (resume < 0) return 0;
            p = resume;
            s = starpos;
            instar = true;
        }
        if (s < end)
            s++;
        else
            textdone = true;
    }
    if (pat[p] != -1 || !(textdone || instar)) return 0;
    std::copy(pat.begin(), pat.begin() + plen + 1, lastpattern.begin());
    lastmatch = matcharray;
    return 1;
}

void copywild() {
    for (auto& u : unified)
        u.fill(0);
    int star = 0;
    for (int p = 0; lastpattern[p] != -1 && p < MATCHSIZE - 1; p++) {
        if (lastpattern[p] != '*') continue;
        star++;
        auto& slot = unified[std::min(star, NCAPTURES - 1)];
        slot.fill(0);
        int64_t from = lastmatch[p];
        int64_t len = std::clamp<int64_t>(lastmatch[p + 1] - from, 0, CAPTSIZE - 1);
        if (from < 0 || from + len > HEAPSIZE) continue;
        std::copy(textbase.begin() + from, textbase.begin() + from + len, slot.begin());
    }
}

// ---- End of input and reset ----------------------------------------------------------------

void resetinput() {
    fnstack.fill(nullptr);
    fnptr = 0;
    inptr = stdin;
    for (auto& f : fn)
        f.fill(0);
    intran = initialintran;
    char_map = initialcharmap;
    escflg = 0;
    numval = 0;
    holdch = 0;
    type = 0;
    transb = 0;
    loopstack.fill(nullptr);
    looplevel.fill(0);
    loopptr = 0;
    vl_result.fill(0);
    loopdepth = 0;
    patt.fill(0);
    pattcut = false;
    for (auto& u : unified)
        u.fill(0);
    matcharray.fill(0);
    lastpattern.fill(-1);
    lastmatch.fill(0);
    transflag = 0;
    ctrlflag = 0;
    untransflag = 0;
    procbudget = -1;
}

} // namespace oxa
