// The recovery offer and the form notice after a fetch.
#include "editor/fetchnotes.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/params.hpp"
#include "editor/corefiles.hpp"
#include "editor/encoding.hpp"
#include "editor/files.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/store.hpp"

namespace oxa {

namespace {

constexpr const char* SUFFIX = ".oxa-save";
// Numbered recovery files are looked for while they follow on.
constexpr int MAXNUMBERED = 999;

// What the last fetch left to tell.
struct fetchnote {
    int32_t core = -1; // the corefile fetched into; -1: nothing to tell
    std::string name;  // the file's name as the editor holds it
    std::string recovery;
    bool recoverynewer = false; // not older than the file itself
    std::string form;
};
fetchnote pending;

struct stat statof(const std::string& osname, bool& there) {
    struct stat st {};
    there = ::stat(osname.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    return st;
}

// A recovery file as the recovery writer makes one: a plain file (never a
// link), the user's own, that no one else may write.  Any other file of
// such a name is not offered.
struct stat recoverystat(const std::string& osname, bool& there) {
    struct stat st {};
    there = ::lstat(osname.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            (st.st_mode & 022) == 0;
    return st;
}

// Whether a was changed after b (`orsame`: or at the same time).
bool newer(const struct stat& a, const struct stat& b, bool orsame = false) {
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec) return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
    return orsame ? a.st_mtim.tv_nsec >= b.st_mtim.tv_nsec : a.st_mtim.tv_nsec > b.st_mtim.tv_nsec;
}

void loadrecovery() {
    const std::string name = pending.name;
    const std::string rec = pending.recovery;
    pending = fetchnote{};
    std::snprintf(curfile.data(), curfile.size(), "%s", rec.c_str());
    param[2] = 1;
    param[3] = MAXLINENUM;
    recboolcheck[0] = '\0';
    fetchfile();
    pending = fetchnote{}; // the recovery file's own notes are not told
    std::snprintf(curfile.data(), curfile.size(), "%s", name.c_str());
    nmeset();
    cur().edited = 1;
    fixcursor();
    display();
    putstats();
    putfname();
    progress(("Loaded " + rec + ": OV * writes it over " + name + "; delete " + rec + " when done")
                 .c_str());
}

} // namespace

FileForm scanform(int fd) {
    FileForm f;
    std::array<unsigned char, 1 << 16> buf;
    // The two bytes before the block being read.
    unsigned char prev1 = '\n', prev2 = '\n';
    bool any = false;
    for (;;) {
        const ssize_t got = ::read(fd, buf.data(), buf.size());
        if (got <= 0) break;
        const auto n = static_cast<size_t>(got);
        any = true;
        const unsigned char* p = buf.data();
        if (!f.tabs && std::memchr(p, '\t', n) != nullptr) f.tabs = true;
        auto before = [&](const unsigned char* at, size_t back) -> unsigned char {
            const size_t i = static_cast<size_t>(at - p);
            if (i >= back) return at[-static_cast<ptrdiff_t>(back)];
            return back - i == 1 ? prev1 : prev2;
        };
        for (const unsigned char* at = p; (at = static_cast<const unsigned char*>(
                                               std::memchr(at, '\n', n - static_cast<size_t>(at - p)))) != nullptr;
             ++at) {
            unsigned char last = before(at, 1);
            if (last == '\r') {
                f.crlf = true;
                last = before(at, 2);
            } else {
                f.lf = true;
            }
            if (last == ' ' || last == '\t') f.trailing = true;
            if (static_cast<size_t>(at - p) + 1 == n) break;
        }
        prev2 = n >= 2 ? p[n - 2] : prev1;
        prev1 = p[n - 1];
    }
    if (any && prev1 != '\n') {
        f.nofinalend = true;
        if (prev1 == ' ' || prev1 == '\t') f.trailing = true;
    }
    return f;
}

std::string formnotice(const FileForm& f, const char* name) {
    std::vector<std::string> parts;
    if (f.tabs && octflag == 0) parts.emplace_back("tabs become blanks (ED 8, then FE again, keeps tabs)");
    if (f.crlf && lfonly == 1) parts.emplace_back("CR LF line ends become LF (ED 10 keeps CR LF)");
    if (f.lf && lfonly == 0) parts.emplace_back("LF line ends become CR LF (ED 9 keeps LF)");
    if (f.trailing) parts.emplace_back("blanks at line ends go");
    if (f.nofinalend) parts.emplace_back("the last line gets a line end");
    if (parts.empty()) return "";
    std::string s = std::string("Writing ") + name + " back changes it: ";
    for (size_t i = 0; i < parts.size(); ++i)
        s += (i > 0 ? "; " : "") + parts[i];
    return s;
}

std::vector<std::string> recoveryfiles(const char* name) {
    struct found {
        std::string name;
        struct stat st;
    };
    std::vector<found> all;
    const std::string given = name;
    for (int number = 1; number <= MAXNUMBERED; ++number) {
        const std::string n = given + (number > 1 ? "." + std::to_string(number) : "") + SUFFIX;
        bool there = false;
        const struct stat st = recoverystat(osname(n.c_str()), there);
        if (!there && number > 1) break;
        if (there) all.push_back({n, st});
    }
    std::stable_sort(all.begin(), all.end(), [](const found& a, const found& b) { return newer(a.st, b.st); });
    std::vector<std::string> out;
    for (const found& f : all)
        out.push_back(f.name);
    return out;
}

void notefetch() {
    pending = fetchnote{};
    const char* name = curfile.data();
    const std::string os = osname(name);
    bool there = false;
    const struct stat filest = statof(os, there);
    if (!there) return;
    pending.core = corenum;
    pending.name = name;
    const int fd = ::open(os.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        pending.form = formnotice(scanform(fd), name);
        ::close(fd);
    }
    const std::vector<std::string> recs = recoveryfiles(name);
    if (!recs.empty()) {
        pending.recovery = recs.front();
        bool recthere = false;
        const struct stat recst = recoverystat(osname(recs.front().c_str()), recthere);
        pending.recoverynewer = recthere && newer(recst, filest, true);
    }
}

void tellfetch() {
    if (pending.core < 0) return;
    if (pending.core != corenum) {
        pending = fetchnote{};
        return;
    }
    const fetchnote note = pending;
    if (!note.recovery.empty()) {
        const bool loadable = note.recoverynewer && note.recovery.size() < curfile.size() && keyboardnext();
        if (loadable) {
            const std::string ask = note.recovery + " holds unsaved work from an earlier session: RETURN loads it, DELETE keeps " + note.name;
            if (diserr(ask.c_str()) == 1) {
                loadrecovery();
                return;
            }
            pending = fetchnote{};
            progress(((note.form.empty() ? "" : note.form + ". ") + note.recovery + " is kept").c_str());
            return;
        }
        pending = fetchnote{};
        const std::string what = note.recovery +
                                 (note.recoverynewer ? " holds unsaved work from an earlier session"
                                                     : " is older than " + note.name + "; delete it when not needed");
        progress((note.form.empty() ? what : note.form + ". " + what).c_str());
        return;
    }
    pending = fetchnote{};
    if (!note.form.empty()) progress(note.form.c_str());
}

void resetfetchnotes() {
    pending = fetchnote{};
}

} // namespace oxa
