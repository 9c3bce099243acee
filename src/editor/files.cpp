// File commands, the line reader and writer, and whole-file loads.
#include "editor/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <cstring>

#include "editor/checks.hpp"
#include "editor/commands.hpp"
#include "editor/encoding.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/lines.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/processes.hpp"
#include "editor/repaint.hpp"
#include "editor/safewrite.hpp"
#include "editor/store.hpp"

namespace oxa {

FILE* fptr = nullptr;
int32_t ioerr = 0;
int32_t linetype = 0;
LINE* curline = nullptr;
int32_t abortreq = 0;
char* tempbufptr = nullptr;
char* loadbufptr = nullptr;
char* mrgbufptr = nullptr;
int32_t loadtype = 0;

namespace {

constexpr const char* MSG_EMPTYNAME = "Empty filename";
constexpr const char* MSG_NOREAD = "File not found (or no read permission)";
constexpr const char* MSG_NOWRITE = "File not found (or no write permission)";
constexpr const char* MSG_EXISTS = "File already exists (or no write permission)";
constexpr const char* MSG_NOCREATE = "Cannot create %s: %s";
constexpr const char* MSG_NOWRITEWHY = "Cannot write %s: %s";
constexpr const char* MSG_NOEXEC = "Requested file cannot be located (or is not executable)!";
constexpr const char* MSG_TRUNCATED = " File Truncated ";
constexpr const char* MSG_BADPICTURE = " Bad Picture Encountered ";
constexpr const char* MSG_WRITEFAILED = " Write Failed (%s: %s) ";
constexpr const char* MSG_NODELETE = "Unable to delete file";
constexpr const char* MSG_CHECKNAME = " Check name, not file fetched ";
constexpr const char* MSG_CUTBACK = "File was truncated when fetched: writing it back loses its end";
constexpr const char* MSG_TOOLARGE = "File too large to load (more than 5119 characters)";

// The end marker that follows emitted text.
constexpr const char* EMITEND = "$$$\r\n";
static_assert(std::string_view(EMITEND).substr(0, 3) == wire::code(wire::kind::emitend));

// A byte of 255 marks free heap space and never stands in line text; it is
// read as this byte instead.
constexpr unsigned char FREEBYTE_SUBST = '?';

// The system's name of the file the command names.
std::string osfile;
const char* filename() {
    osfile = osname(curfile.data());
    return osfile.c_str();
}

// The name as the user gave it, for messages.
const char* username() { return curfile.data(); }

bool emptyname() { return curfile[0] == '\0'; }

void refuse(const char* msg) {
    if (msg != nullptr) diserr(msg);
    del = 2;
}

// The file opens for reading and is not a directory.
bool readable(const char* name) {
    int fd = ::open(name, O_RDONLY);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return ok;
}

// The line range of the command: param[2]..param[3], both 0 meaning all.
void linerange(int32_t& first, int32_t& last) {
    first = param[2];
    last = param[3];
    if (first == 0 && last == 0) {
        first = 1;
        last = MAXLINENUM;
    }
}

// The file being read: `data[pos..len)` is still to be read.  A regular file
// is read once: its start (all of it, or the first WHOLECAP bytes of a larger
// file) goes into `room` in one piece, which tells its encoding; what lies
// beyond is read in blocks into the same room only if the reader gets there,
// so a file larger than the heap is read no further than the heap holds.
constexpr size_t INBLOCK = size_t{1} << 16;
constexpr size_t WHOLECAP = HEAPSIZE + INBLOCK;
struct InBlock {
    int fd = -1;
    WorkBlock room;
    size_t roomsize = 0;
    unsigned char* data = nullptr;
    size_t pos = 0;
    size_t len = 0;
};
InBlock inblock;

// Reads up to `n` bytes at `to`; the count read, short only at end of file
// (or on a read error).
size_t readfully(int fd, unsigned char* to, size_t n) {
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, to + got, n - got);
        if (r > 0) {
            got += static_cast<size_t>(r);
        } else if (r < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return got;
}

// Makes the room hold at least `n` bytes.  False when there is no memory.
bool makeroom(size_t n) {
    InBlock& b = inblock;
    n = std::max(n, INBLOCK);
    if (b.roomsize < n) {
        b.room.reset();
        b.roomsize = 0;
        b.room = workblock(n);
        if (!b.room) return false;
        b.roomsize = n;
    }
    b.data = b.room.get();
    return true;
}

// Gives the room back once a read is done.
void endread() {
    InBlock& b = inblock;
    b.fd = -1;
    b.room.reset();
    b.roomsize = 0;
    b.data = nullptr;
    b.pos = b.len = 0;
}

// Refills the block; false at end of file (or on a read error).
bool refill() {
    InBlock& b = inblock;
    b.pos = 0;
    b.len = 0;
    if (b.fd < 0 || (b.data == nullptr && !makeroom(INBLOCK))) return false;
    for (;;) {
        ssize_t got = ::read(b.fd, b.data, std::min(b.roomsize, INBLOCK));
        if (got > 0) {
            b.len = static_cast<size_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        return false;
    }
}

// Bytes that need more than copying: line ends, carriage return, tab and the
// free-space byte.
constexpr std::array<uint8_t, 256> makespecial() {
    std::array<uint8_t, 256> t{};
    t['\n'] = t[11] = t['\r'] = t['\t'] = t[FREEBYTE] = 1;
    return t;
}
constexpr std::array<uint8_t, 256> special = makespecial();

// Length of the run of bytes at `p` (at most `n`) that need only copying;
// with `highstops` a byte above 127 (part of a UTF-8 sequence) ends it too.
inline size_t plainrun(const unsigned char* p, size_t n, bool highstops) {
    size_t i = 0;
#ifdef __SSE2__
    const __m128i nl = _mm_set1_epi8('\n'), vt = _mm_set1_epi8(11), cr = _mm_set1_epi8('\r'),
                  tab = _mm_set1_epi8('\t'), ff = _mm_set1_epi8(static_cast<char>(FREEBYTE));
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, nl), _mm_cmpeq_epi8(v, vt)),
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, tab)),
                         _mm_cmpeq_epi8(v, ff)));
        int mask = _mm_movemask_epi8(hit);
        if (highstops) mask |= _mm_movemask_epi8(v);
        if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (i < n && !special[p[i]] && !(highstops && p[i] >= 0x80)) ++i;
    return i;
}

// The encoding of the file being read, told before any of it is stored, and
// whether it begins with the UTF-8 byte-order mark (then skipped).
TextEncoding readenc = ENC_UNSET;
bool readbom = false;

// What the file being read holds that the corefile cannot give back as it
// was: counted while reading, told when the read is done.
struct ReadLosses {
    int64_t freebytes = 0; // bytes 255, read as FREEBYTE_SUBST
    int64_t vtabs = 0;     // vertical tabs, read as line ends
    int64_t lonecr = 0;    // carriage returns not before a line feed, dropped
};
ReadLosses losses;

// Tells the encoding of the open file `fd` (at its start) into readenc,
// reading its start into the block, where the reader goes on from (after the
// byte-order mark of a UTF-8 file).  For a UTF-8 file, returns the first
// character no store byte stands for on a line from first to last (lines end
// with a line feed, and a vertical tab when `vtends`) and how many there are,
// as far as the start read goes.  Only a regular file is told; anything else
// is taken byte for byte.
BeyondChar scanencoding(int fd, int32_t first, int32_t last, bool vtends) {
    readenc = ENC_UNSET;
    readbom = false;
    InBlock& b = inblock;
    b.fd = fd;
    b.pos = b.len = 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
    // One byte more than the file's size shows its end without another read.
    const size_t want = std::min(static_cast<size_t>(std::max<off_t>(st.st_size, 0)) + 1, WHOLECAP);
    if (!makeroom(want)) return {};
    b.len = readfully(fd, b.data, want);
    const bool whole = b.len < want;
    readbom = b.len >= sizeof BOM && std::memcmp(b.data, BOM, sizeof BOM) == 0;
    const size_t start = readbom ? sizeof BOM : 0;
    Utf8Scan scan;
    scan.feed(b.data + start, b.len - start);
    // A read cut short may end inside a character.
    if (whole) scan.finish();
    readenc = scan.encoding();
    // After the mark, a file of plain ASCII is UTF-8 too; one that is not
    // valid UTF-8 is read byte for byte, mark included.
    if (readbom && readenc == ENC_UNSET) readenc = ENC_UTF8;
    if (readbom && readenc != ENC_UTF8) readbom = false;
    b.pos = readbom ? sizeof BOM : 0;
    BeyondChar found;
    if (readenc == ENC_UTF8 && scan.beyond()) {
        BeyondFinder finder(first, last, vtends);
        finder.feed(b.data + b.pos, b.len - b.pos);
        found = finder.result();
    }
    return found;
}

// The next byte of the file, left unread, or -1 at its end.
int peekbyte() {
    InBlock& b = inblock;
    if (b.pos == b.len && !refill()) return -1;
    return b.data[b.pos];
}

// Reads and drops one line of the file.  Returns false at end of file.
bool skipline() {
    InBlock& b = inblock;
    for (;;) {
        if (b.pos == b.len && !refill()) return false;
        while (b.pos < b.len) {
            unsigned char ch = b.data[b.pos++];
            if (ch == '\n' || ch == 11) return true;
        }
    }
}

// The kind a two-byte prefix gives a line (the prefix is "\" and `tag`), or
// -1 when the prefix is ordinary text.  Picture lines are kept as text: this
// system has no picture layer to hold their data.
int32_t prefixkind(unsigned char tag) {
    switch (tag) {
    case 'r': return K_RECORD;
    case 'm': return K_FORMULA;
    case 'h': return K_HLINE;
    case 'a': return K_ALINE;
    default: return -1;
    }
}

const char* prefixof(int32_t kind) {
    switch (kind) {
    case K_RECORD: return "\\r";
    case K_FORMULA: return "\\m";
    case K_HLINE: return "\\h";
    case K_ALINE: return "\\a";
    case K_PICTURE: return "\\l\n";
    default: return "";
    }
}

char*& loadbuffer(int32_t type) {
    if (type == 1) return tempbufptr;
    if (type == 3) return mrgbufptr;
    return loadbufptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Checkers.

void fpr() {
    if (emptyname()) return refuse(MSG_EMPTYNAME);
    if (!readable(filename())) refuse(MSG_NOREAD);
}

void fprs() {
    if (emptyname() || !readable(filename())) refuse(nullptr);
}

void fpw() {
    if (emptyname()) return refuse(MSG_EMPTYNAME);
    // Without waiting for a reader when the name is a FIFO.
    int fd = ::open(filename(), O_WRONLY | O_NONBLOCK);
    if (fd < 0 && errno != ENXIO) {
        if (errno == ENOENT || errno == ENOTDIR || errno == EISDIR || errno == EACCES ||
            errno == EPERM)
            return refuse(MSG_NOWRITE);
        // Any other failure says what went wrong (a read-only file system).
        std::array<char, 256> msg{};
        std::snprintf(msg.data(), msg.size(), MSG_NOWRITEWHY, username(), std::strerror(errno));
        return refuse(msg.data());
    }
    ::close(fd);
}

void faw() {
    if (emptyname()) return refuse(MSG_EMPTYNAME);
    int fd = ::open(filename(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW, 0666);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno == EEXIST) return refuse(MSG_EXISTS);
    // Any other failure says what went wrong (a missing folder, no room).
    std::array<char, 256> msg{};
    std::snprintf(msg.data(), msg.size(), MSG_NOCREATE, username(), std::strerror(errno));
    refuse(msg.data());
}

void fpx() {
    if (emptyname()) return refuse(MSG_EMPTYNAME);
    struct stat st {};
    if (::stat(filename(), &st) != 0 || S_ISDIR(st.st_mode)) refuse(MSG_NOEXEC);
}

// ---------------------------------------------------------------------------
// Reading.

// Reads one line into the heap from `avail` onwards and adopts it below the
// cursor line.  Sets ioerr 1 when the heap's mark is reached (the line is not
// adopted) and 2 at end of file with nothing read since the last line end.
// A byte of 255 (free heap space) never stands in line text: it is read as
// FREEBYTE_SUBST.
// The store form of the UTF-8 character that `lead` opens, its continuation
// bytes taken from the file: one byte, or a placeholder.  Returns its length.
static size_t readchar(unsigned char lead, unsigned char* out) {
    InBlock& b = inblock;
    unsigned char seq[4] = {lead};
    const int len = utf8length(lead);
    int n = 1;
    for (int c; n < len && (c = peekbyte()) >= 0 && utf8cont(c); ++n) {
        seq[n] = static_cast<unsigned char>(c);
        ++b.pos;
    }
    uint32_t cp = 0;
    if (len < 2 || utf8decode(seq, static_cast<size_t>(n), cp) != len) {
        out[0] = FREEBYTE_SUBST;
        return 1;
    }
    const int sb = storebyte(cp);
    if (sb >= 0) {
        out[0] = static_cast<unsigned char>(sb);
        return 1;
    }
    return placeholder(cp, out);
}

static void gline() {
    InBlock& b = inblock;
    int64_t pos = avail;  // next heap byte of the line
    bool any = false;
    for (;;) {
        if (b.pos == b.len && !refill()) {
            // A last line without a line end is kept.
            if (!any) ioerr = 2;
            break;
        }
        // Copy the run of ordinary bytes, then deal with the byte after it.
        const unsigned char* p = b.data + b.pos;
        size_t n = b.len - b.pos, i = plainrun(p, n, readenc == ENC_UTF8);
        if (i > 0) {
            any = true;
            if (pos + static_cast<int64_t>(i) - 1 > hiaddr) {
                ioerr = 1;
                return;
            }
            std::memcpy(&textbase[pos], p, i);
            pos += static_cast<int64_t>(i);
            b.pos += i;
        }
        if (i == n) continue;
        unsigned char ch = b.data[b.pos++];
        if (ch == '\r') {
            if (peekbyte() != '\n') ++losses.lonecr;
            continue;
        }
        any = true;
        if (ch == 11) ++losses.vtabs;
        if (ch == '\n' || ch == 11) break;
        if (ch == '\t' && octflag == 0) {
            int32_t col = static_cast<int32_t>(pos - avail) + 1;
            do {
                if (pos > hiaddr) {
                    ioerr = 1;
                    return;
                }
                textbase[pos++] = ' ';
                ++col;
            } while (!tabcol(col));
            continue;
        }
        if (pos > hiaddr) {
            ioerr = 1;
            return;
        }
        if (ch >= 0x80 && readenc == ENC_UTF8) {
            // The file was found valid, so a lead byte here opens a character;
            // one no byte stands for is kept as a placeholder.  Should the file
            // have changed since, a byte that is no sequence is read as
            // FREEBYTE_SUBST.
            unsigned char seq[PLACEMAX];
            const size_t k = readchar(ch, seq);
            if (pos + static_cast<int64_t>(k) - 1 > hiaddr) {
                ioerr = 1;
                return;
            }
            std::memcpy(&textbase[pos], seq, k);
            pos += static_cast<int64_t>(k);
            continue;
        }
        if (ch == FREEBYTE) {
            ++losses.freebytes;
            ch = FREEBYTE_SUBST;
        }
        textbase[pos++] = ch;
    }
    if (ioerr != 0) return;

    int64_t start = avail;
    int64_t len = pos - avail;
    while (len > 0 && textbase[start + len - 1] == ' ') --len;
    linetype = len == 0 ? K_EMPTY : K_TEXT;
    if (fetchstyle == 1 && len >= 2 && textbase[start] == '\\') {
        int32_t kind = prefixkind(textbase[start + 1]);
        if (kind >= 0) {
            // The prefix bytes stay behind in the heap as free space.
            textbase[start] = FREEBYTE;
            textbase[start + 1] = FREEBYTE;
            avail += 2;
            len -= 2;
            linetype = kind;
        }
    }
    if (!allocln(linetype, static_cast<int32_t>(len))) {
        ioerr = 1;
        return;
    }
    if (linetype != K_EMPTY) linkphys();
}

static void gfile(int32_t first, int32_t last) {
    int32_t n = 1;
    while (last > 0 && ioerr == 0) {
        if (n < first) {
            if (!skipline()) ioerr = 2;
        } else {
            const int64_t mark = avail;
            LINE* const tail = lastphys;
            gline();
            if (ioerr == 0) recfilter(mark, tail);
        }
        ++n;
        --last;
        if (abortreq == 1 || reserve == nullptr) ioerr = 1;
    }
}

// Opens `curfile` for reading and tells its encoding.  Refuses, after telling
// the user, a file that went away after its check; nothing is open then.  The
// user is told of characters to be kept as placeholders.
static bool openinput() {
    int32_t first = 0, last = 0;
    linerange(first, last);
    fptr = std::fopen(filename(), "rb");
    if (fptr == nullptr) {
        diserr(MSG_NOREAD);
        return false;
    }
    const BeyondChar kept = scanencoding(fileno(fptr), first, last, true);
    if (kept.line != 0) progress(keptmessage(username(), kept).c_str());
    return true;
}

// Tells the user what of the file just read will not be written back as it
// was, if anything.
static void tellosses() {
    std::string what;
    const auto add = [&what](int64_t n, const char* one, const char* many) {
        if (n == 0) return;
        if (!what.empty()) what += ", ";
        what += std::to_string(n) + " " + (n == 1 ? one : many);
    };
    add(losses.freebytes, "byte 255 read as '?'", "bytes 255 read as '?'");
    add(losses.vtabs, "vertical tab read as a line end", "vertical tabs read as line ends");
    add(losses.lonecr, "carriage return dropped", "carriage returns dropped");
    if (what.empty()) return;
    progress((std::string(username()) + ": " + what + "; a write gives them back changed").c_str());
}

void getfile() {
    if (fptr == nullptr && !openinput()) return;
    int32_t first = 0, last = 0;
    linerange(first, last);
    startrecfilter();
    losses = ReadLosses{};
    ioerr = 0;
    abortreq = 0;
    gfile(first, last);
    endread();
    std::fclose(fptr);
    fptr = nullptr;
    tellosses();
    if (ioerr == 1) {
        const FileId id = fileid(filename());
        cur().cutdev = id.dev;
        cur().cutino = id.ino;
        diserr(MSG_TRUNCATED);
    }
    if (ioerr == 3) diserr(MSG_BADPICTURE);
}

// FETCH, APPEND and INSERT open the file first: a refused file changes nothing.
// The corefile is written back in the encoding of the file fetched into it, or
// of the first file read into it that decided one.
void fetchfile() {
    if (!openinput()) return;
    COREFILE& c = cur();
    removefile();
    initfile();
    garbage();
    getfile();
    c.encoding = readenc;
    c.bom = readbom ? 1 : 0;
    if (c.lncount == 0) allocln(K_EMPTY, 0);
    nmeset();
    wrwholescreen();
    c.edited = 0;
}

void appendfile() {
    if (!openinput()) return;
    COREFILE& c = cur();
    LINE* keep = c.lnptr;
    c.lnptr = c.header->up;
    getfile();
    if (c.encoding == ENC_UNSET) c.encoding = readenc;
    c.lnptr = keep;
    c.edited = 1;
    redisplay = RP_ALL;
}

void insrtfile() {
    if (!openinput()) return;
    COREFILE& c = cur();
    LINE* keep = c.lnptr;
    getfile();
    if (c.encoding == ENC_UNSET) c.encoding = readenc;
    c.lnptr = keep;
    c.edited = 1;
    redisplay = RP_ALL;
}

// ---------------------------------------------------------------------------
// Writing.

// Output gathered in blocks before it goes to the stream.
struct OutBlock {
    FILE* out;
    std::array<unsigned char, 1 << 16> buf;
    size_t len;
    bool ok;
};
static OutBlock outblock;

static void flushblock() {
    OutBlock& o = outblock;
    if (o.len > 0 && std::fwrite(o.buf.data(), 1, o.len, o.out) != o.len) o.ok = false;
    o.len = 0;
}

static void putbytes(const unsigned char* p, size_t n) {
    OutBlock& o = outblock;
    if (o.len + n > o.buf.size()) {
        flushblock();
        if (n > o.buf.size()) {
            if (std::fwrite(p, 1, n, o.out) != n) o.ok = false;
            return;
        }
    }
    std::memcpy(o.buf.data() + o.len, p, n);
    o.len += n;
}

// EMIT sends the store's single bytes; a file gets the corefile's encoding.
static bool emitting = false;

// Line text in UTF-8: runs of ASCII as they are, every other byte as its
// character, a placeholder as the character it keeps.
static void pututf8(const unsigned char* p, size_t n) {
    const size_t run = asciirun(p, n);
    putbytes(p, run);
    if (run == n) return;
    static std::string line;
    line.clear();
    utf8text(p + run, n - run, line);
    putbytes(reinterpret_cast<const unsigned char*>(line.data()), line.size());
}

// Writes one line in the file format; trailing blanks are left out.
static void pline(const LINE* l) {
    const char* prefix = prefixof(l->object);
    putbytes(reinterpret_cast<const unsigned char*>(prefix), std::strlen(prefix));
    if (l->object == K_PICTURE) return;  // the picture layer writes no data
    if (l->object != K_EMPTY) {
        const unsigned char* text = &textbase[l->index];
        size_t len = static_cast<size_t>(l->length);
        while (len > 0 && text[len - 1] == ' ') --len;
        if (!emitting && cur().encoding != ENC_LATIN1) {
            pututf8(text, len);
        } else {
            putbytes(text, len);
        }
    }
    static const unsigned char crlf[] = {'\r', '\n'};
    if (lfonly == 0) {
        putbytes(crlf, 2);
    } else {
        putbytes(crlf + 1, 1);
    }
}

// One walk both detrails and writes: after a sort the lines are linked in an
// order far from their place in memory, and each step of a walk waits for
// memory.
bool pfile(FILE* out, int32_t first, int32_t last, bool detrail) {
    COREFILE& c = cur();
    outblock.out = out;
    outblock.len = 0;
    outblock.ok = true;
    LINE* const saved = c.lnptr;
    int32_t n = 1;
    for (LINE* l = c.header->down; l != c.header && (detrail || n <= last); l = l->down, ++n) {
        if (detrail) {
            c.lnptr = l;
            detrline();
        }
        if (n > last) continue;
        curline = l;
        if (n >= first && l->object != K_DEAD) pline(l);
    }
    c.lnptr = saved;
    flushblock();
    curline = nullptr;
    outblock.out = nullptr;
    return outblock.ok && std::ferror(out) == 0;
}

// A corefile that was cut short when read remembers the file it came from;
// writing it back over that file asks first.  False when the user cancels.
static bool writebackagreed() {
    const COREFILE& c = cur();
    if (c.cutino == 0) return true;
    const FileId id = fileid(filename());
    if (id.dev != c.cutdev || id.ino != c.cutino) return true;
    return diserr(MSG_CUTBACK) != 2;
}

void putfile(bool appending, const char* backup) {
    int32_t first = 0, last = 0;
    linerange(first, last);
    ioerr = 0;
    // Every line loses its trailing blanks, written or not: while it is
    // written, or here when nothing is.
    if (!writebackagreed()) {
        detrfile();
        ioerr = 1;
        return;
    }
    SafeFile sf;
    if (!safeopen(sf, filename(), appending)) {
        detrfile();
        ioerr = 1;
    } else {
        // A UTF-8 file that began with the byte-order mark keeps it.
        const COREFILE& c = cur();
        bool ok = true;
        if (!appending && c.bom != 0 && c.encoding != ENC_LATIN1)
            ok = std::fwrite(BOM, 1, sizeof BOM, sf.out) == sizeof BOM;
        ok = pfile(sf.out, first, last, true) && ok;
        if (!safeclose(sf, ok, backup)) ioerr = 1;
    }
    if (ioerr != 0) {
        std::array<char, 256> msg{};
        std::snprintf(msg.data(), msg.size(), MSG_WRITEFAILED, username(),
                      failreason(sf.error).c_str());
        diserr(msg.data());
    }
}

// A corefile counts as saved only when its text reached the file.  The empty
// file that the name check created is taken away again when nothing could be
// written to it, so that the same SAVE can be tried again.
void savefile() {
    putfile(false);
    if (ioerr == 0) {
        cur().edited = 0;
        return;
    }
    struct stat st {};
    if (::stat(filename(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        ::unlink(filename());
}

void ovrwritefile() {
    COREFILE& c = cur();
    if (std::strncmp(curfile.data(), c.filname.data(), FILNAMESIZE) != 0) {
        if (diserr(MSG_CHECKNAME) == 2) return;
    }
    putfile(false);
    if (ioerr == 0) c.edited = 0;
}

void join() { putfile(true); }

void deletefile() {
    if (::unlink(filename()) != 0) diserr(MSG_NODELETE);
}

void emit() {
    const int32_t flag = param[4];
    // Text for the driver program needs a running one.
    if (flag != 0 && progstate != PROG_RUNNING) return;
    FILE* out = flag != 0 ? oxaoutput : stdout;
    const int32_t keep = corenum;
    if (param[1] >= 1 && param[1] <= 18) corenum = param[1];
    int32_t first = 0, last = 0;
    linerange(first, last);
    emitting = true;
    if (flag == 0 && wirefull) {
        // The full stream frames each line, so that no text passes for a
        // message.
        char* text = nullptr;
        size_t size = 0;
        if (FILE* mem = open_memstream(&text, &size); mem != nullptr) {
            pfile(mem, first, last);
            std::fclose(mem);
            putoutput(text, size);
            endoutput();
        }
        std::free(text);
        xvsink(EMITEND, std::strlen(EMITEND));
    } else {
        pfile(out, first, last);
        std::fputs(EMITEND, out);
    }
    emitting = false;
    std::fflush(out);
    corenum = keep;
    if (flag != 0) checkprogoutput();
}

// ---------------------------------------------------------------------------
// Whole-file loads.

bool readfile() {
    FILE* in = std::fopen(filename(), "rb");
    if (in == nullptr) {
        diserr(MSG_NOREAD);
        return false;
    }
    // A UTF-8 file is decoded, except a procedure: its sequences stay, and the
    // input stream reads each as one letter key.
    const BeyondChar bad = scanencoding(fileno(in), 1, MAXLINENUM, false);
    if (bad.line != 0) {
        endread();
        std::fclose(in);
        diserr(beyondmessage(username(), bad).c_str());
        return false;
    }
    const bool decode = readenc == ENC_UTF8 && loadtype != 2;
    char* buf = static_cast<char*>(std::malloc(LOADBUFSIZE));
    if (buf == nullptr) {
        endread();
        std::fclose(in);
        return false;
    }
    // The brace notation starts with translation and control mode off.
    const int savetrans = transflag, savectrl = ctrlflag;
    transflag = 0;
    ctrlflag = 0;
    int32_t n = 0;
    bool toolarge = false;
    InBlock& b = inblock;
    for (int ch; !toolarge && (ch = peekbyte()) >= 0;) {
        ++b.pos;
        unsigned char out = 0;
        if (ch == '\r') continue;
        if (ch == '~') {
            transflag = !transflag;
            continue;
        }
        if (decode && ch >= 0x80) {
            unsigned char seq[4] = {static_cast<unsigned char>(ch)};
            const int len = utf8length(seq[0]);
            int k = 1;
            for (int c; k < len && (c = peekbyte()) >= 0 && utf8cont(c); ++k) {
                seq[k] = static_cast<unsigned char>(c);
                ++b.pos;
            }
            uint32_t cp = 0;
            const int sb = len >= 2 && utf8decode(seq, static_cast<size_t>(k), cp) == len ? storebyte(cp) : -1;
            ch = sb >= 0 ? sb : FREEBYTE_SUBST;
        }
        if (ch == '\n') {
            out = '\r';
        } else if (transchar(ch, &out) == 0) {
            continue;
        }
        if (n >= LOADBUFSIZE - 1) {
            toolarge = true;
        } else {
            buf[n++] = static_cast<char>(out);
        }
    }
    endread();
    std::fclose(in);
    transflag = savetrans;
    ctrlflag = savectrl;
    if (toolarge) {
        std::free(buf);
        diserr(MSG_TOOLARGE);
        return false;
    }
    buf[n++] = loadtype == 1 ? 4 : 0;
    char* shrunk = static_cast<char*>(std::realloc(buf, static_cast<size_t>(n)));
    if (shrunk != nullptr) buf = shrunk;
    char*& target = loadbuffer(loadtype);
    std::free(target);
    target = buf;
    return true;
}

void loadfile() {
    loadtype = 2;
    if (readfile()) pushfn(loadbufptr);
}

void resetfiles() {
    std::free(tempbufptr);
    std::free(loadbufptr);
    std::free(mrgbufptr);
    tempbufptr = loadbufptr = mrgbufptr = nullptr;
    if (fptr != nullptr) std::fclose(fptr);
    fptr = nullptr;
    ioerr = 0;
    linetype = 0;
    curline = nullptr;
    abortreq = 0;
    loadtype = 0;
}

}  // namespace oxa
