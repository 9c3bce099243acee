// Recovery files on a fatal signal.  Everything here runs inside a signal
// handler: no allocation, no stdio, only open/write/fsync/close/unlink and
// text built by hand in fixed buffers.
#include "editor/recovery.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "editor/encoding.hpp"
#include "editor/fileformat.hpp"
#include "editor/params.hpp"
#include "editor/safewrite.hpp"
#include "editor/store.hpp"
#include "editor/terminal.hpp"

namespace oxa {

volatile sig_atomic_t fatalsig = 0;
volatile sig_atomic_t waitinginput = 0;

namespace {

constexpr const char* SUFFIX = ".oxa-save";
constexpr size_t PATHSIZE = 4096;
// Seconds an operation under way is given to end after a fatal signal.
constexpr unsigned GRACE = 2;

std::array<char, PATHSIZE> homedir{}; // $HOME at start-up, "" when unset or too long
std::array<char, PATHSIZE> workdir{}; // the working directory, "" when unknown

// Numbered names tried after the plain one when it is taken.
constexpr int MAXNUMBERED = 999;

// Appends `s` to the NUL-ended text in buf (of `size` bytes); false when it
// does not fit.
bool append(char* buf, size_t size, const char* s) {
    size_t n = std::strlen(buf);
    size_t m = std::strlen(s);
    if (n + m + 1 > size) return false;
    std::memcpy(buf + n, s, m + 1);
    return true;
}

bool appendnum(char* buf, size_t size, long v) {
    char digits[24];
    int i = static_cast<int>(sizeof digits) - 1;
    digits[i] = '\0';
    bool neg = v < 0;
    unsigned long u = neg ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
    do {
        digits[--i] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0 && i > 1);
    if (neg) digits[--i] = '-';
    return append(buf, size, digits + i);
}

void say(const char* s) {
    size_t n = std::strlen(s);
    while (n > 0) {
        ssize_t w = ::write(2, s, n);
        if (w <= 0) return;
        s += w;
        n -= static_cast<size_t>(w);
    }
}

// The recovery file's name in the file's own directory (`inhome` false) or
// in $HOME, as a full path; `number` above 1 is put before the suffix
// ("notes.txt.2.oxa-save").
bool recoveryname(int n, bool inhome, int number, char* buf, size_t size) {
    buf[0] = '\0';
    const char* name = core[static_cast<size_t>(n)].filname.data();
    const size_t namelen = strnlen(name, FILNAMESIZE);
    char given[FILNAMESIZE + 32] = "";
    if (namelen == 0) {
        append(given, sizeof given, "oxa-corefile-");
        appendnum(given, sizeof given, n);
    } else {
        std::memcpy(given, name, namelen);
        given[namelen] = '\0';
    }
    char base[2 * FILNAMESIZE + 64];
    if (!osnameinto(given, base, sizeof base)) return false;
    bool ok = true;
    if (inhome) {
        if (homedir[0] == '\0') return false;
        const char* slash = std::strrchr(base, '/');
        ok = append(buf, size, homedir.data()) && append(buf, size, "/") &&
             append(buf, size, slash ? slash + 1 : base);
    } else {
        if (base[0] != '/' && workdir[0] != '\0')
            ok = append(buf, size, workdir.data()) && append(buf, size, "/");
        ok = ok && append(buf, size, base);
    }
    if (ok && number > 1) ok = append(buf, size, ".") && appendnum(buf, size, number);
    return ok && append(buf, size, SUFFIX);
}

// Output gathered for write(2).
struct Out {
    int fd;
    std::array<unsigned char, 1 << 15> buf;
    size_t len;
    bool ok;
};
Out out;

void flushout(Out& o) {
    size_t done = 0;
    while (done < o.len && o.ok) {
        ssize_t w = ::write(o.fd, o.buf.data() + done, o.len - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) o.ok = false;
        else done += static_cast<size_t>(w);
    }
    o.len = 0;
}

void put(Out& o, const unsigned char* p, size_t n) {
    while (n > 0) {
        if (o.len == o.buf.size()) flushout(o);
        size_t m = std::min(n, o.buf.size() - o.len);
        std::memcpy(o.buf.data() + o.len, p, m);
        o.len += m;
        p += m;
        n -= m;
    }
}

// Line text in the corefile's encoding: as it is for a Latin-1 file, else in
// UTF-8 (runs of ASCII as they are, a placeholder as its character), as SAVE
// writes it.
void puttext(Out& o, const unsigned char* p, size_t n, uint8_t encoding) {
    if (encoding == ENC_LATIN1) {
        put(o, p, n);
        return;
    }
    const size_t run = asciirun(p, n);
    put(o, p, run);
    if (run == n) return;
    std::string line;
    utf8text(p + run, n - run, line);
    put(o, reinterpret_cast<const unsigned char*>(line.data()), line.size());
}

void putstr(Out& o, const char* s) {
    put(o, reinterpret_cast<const unsigned char*>(s), std::strlen(s));
}

// Writes corefile n in the file format to the open descriptor.  The walk is
// bounded by the line count, and no text outside the heap is read, so even a
// store caught in the middle of a change gives a file.
bool writecore(int n, int fd) {
    const COREFILE& c = core[static_cast<size_t>(n)];
    out.fd = fd;
    out.len = 0;
    out.ok = true;
    if (c.header == nullptr) return true;
    if (c.bom != 0 && c.encoding != ENC_LATIN1) put(out, BOM, sizeof BOM);
    int64_t left = static_cast<int64_t>(c.lncount) + 1;
    for (const LINE* l = c.header->down; l != nullptr && l != c.header && left > 0;
         l = l->down, --left) {
        if (l->object == K_DEAD) continue;
        putstr(out, kindprefix(l->object));
        if (l->object == K_PICTURE) continue;
        if (l->object != K_EMPTY && l->length > 0 && l->index >= 0 &&
            l->index + l->length <= HEAPSIZE) {
            size_t len = static_cast<size_t>(l->length);
            const unsigned char* text = &textbase[static_cast<size_t>(l->index)];
            while (len > 0 && text[len - 1] == ' ') --len;
            puttext(out, text, len, c.encoding);
        }
        putstr(out, lfonly == 0 ? "\r\n" : "\n");
    }
    flushout(out);
    return out.ok;
}

} // namespace

bool writerecovery(int n, char* path, size_t size) {
    for (bool inhome : {false, true}) {
        // Never into a file that is there already, nor through a link: an
        // earlier recovery file is kept, and the next number is taken.
        for (int number = 1; number <= MAXNUMBERED; ++number) {
            if (!recoveryname(n, inhome, number, path, size)) break;
            const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0) {
                if (errno == EEXIST) continue;
                break;
            }
            bool ok = writecore(n, fd);
            if (::fsync(fd) != 0) ok = false;
            if (::close(fd) != 0) ok = false;
            if (ok) return true;
            ::unlink(path);
            break;
        }
    }
    path[0] = '\0';
    return false;
}

int saveunsaved() {
    int unsaved = 0;
    for (int n = 0; n < NCORE; ++n) {
        if (!core[static_cast<size_t>(n)].edited) continue;
        ++unsaved;
        char path[PATHSIZE];
        char msg[PATHSIZE + 64] = "oxa: corefile ";
        appendnum(msg, sizeof msg, n);
        if (writerecovery(n, path, sizeof path)) {
            append(msg, sizeof msg, " saved in ");
            append(msg, sizeof msg, path);
            append(msg, sizeof msg, "\n");
        } else {
            append(msg, sizeof msg, " could not be saved\n");
        }
        say(msg);
    }
    return unsaved;
}

void recoverexit(int sig) {
    reseterm();
    if (safetempname[0] != '\0') ::unlink(safetempname);
    saveunsaved();
    ::_exit(128 + sig);
}

void noteworkdir() {
    if (::getcwd(workdir.data(), workdir.size()) == nullptr) workdir[0] = '\0';
}

void FatalHandler(int sig) {
    // At rest (waiting for input), or asked twice: leave now.  Otherwise the
    // input layer leaves before it next waits, or the alarm ends the program
    // when the operation under way does not end soon.
    if (sig == SIGALRM) {
        if (fatalsig != 0) recoverexit(fatalsig);
        return;
    }
    if (waitinginput != 0 || fatalsig != 0) recoverexit(sig);
    fatalsig = sig;
    ::alarm(GRACE);
}

void setfatalsig() {
    const char* home = std::getenv("HOME");
    homedir[0] = '\0';
    if (home != nullptr && std::strlen(home) < homedir.size())
        std::memcpy(homedir.data(), home, std::strlen(home) + 1);
    noteworkdir();
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sigaddset(&sa.sa_mask, SIGTERM);
    sigaddset(&sa.sa_mask, SIGHUP);
    sigaddset(&sa.sa_mask, SIGQUIT);
    sigaddset(&sa.sa_mask, SIGALRM);
    // No restart: a waiting read is broken off.
    sa.sa_flags = 0;
    sa.sa_handler = FatalHandler;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGQUIT, &sa, nullptr);
    sigaction(SIGALRM, &sa, nullptr);
}

} // namespace oxa
