// Replacing a file safely: temporary file, flush, sync, rename.
#include "editor/safewrite.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace oxa {

char safetempname[4096] = "";
int64_t safewritelimit = -1;

namespace {

// Bytes written to the temporary file so far (for `safewritelimit`).
int64_t written = 0;

// Bytes of the temporary file handed to the disk so far.
int64_t handedon = 0;

// Hands what has been written so far to the disk without waiting for it, in
// steps of WRITEBACKSTEP bytes: the sync at the close then finds most of a
// large file already written instead of writing it all while the user waits.
void startwriteback(int fd) {
#ifdef SYNC_FILE_RANGE_WRITE
    constexpr int64_t WRITEBACKSTEP = int64_t{1} << 18;
    if (written - handedon < WRITEBACKSTEP) return;
    ::sync_file_range(fd, handedon, written - handedon, SYNC_FILE_RANGE_WRITE);
    handedon = written;
#else
    (void)fd;
#endif
}

// The stream's write: every byte reaches the descriptor or the write fails.
ssize_t cookiewrite(void* cookie, const char* buf, size_t size) {
    const int fd = *static_cast<int*>(cookie);
    size_t done = 0;
    while (done < size) {
        size_t n = size - done;
        if (safewritelimit >= 0) {
            if (written >= safewritelimit) {
                errno = ENOSPC;
                return done > 0 ? static_cast<ssize_t>(done) : -1;
            }
            n = std::min<size_t>(n, static_cast<size_t>(safewritelimit - written));
        }
        ssize_t got = ::write(fd, buf + done, n);
        if (got < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        }
        done += static_cast<size_t>(got);
        written += got;
    }
    startwriteback(fd);
    return static_cast<ssize_t>(done);
}

int cookieclose(void*) {
    return 0;  // the descriptor is closed by safeclose after its sync
}

// The file a name stands for: a symbolic link is followed to its target.
std::string resolve(const char* name) {
    struct stat st {};
    if (::lstat(name, &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(name, nullptr);
        if (real != nullptr) {
            std::string s(real);
            std::free(real);
            return s;
        }
    }
    return name;
}

std::string dirof(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Copies the whole of `from` to the descriptor `to`.
bool copyinto(const char* from, int to) {
    const int in = ::open(from, O_RDONLY);
    if (in < 0) return errno == ENOENT;  // nothing to append to yet
    std::array<char, 1 << 16> buf{};
    bool ok = true;
    for (;;) {
        ssize_t got = ::read(in, buf.data(), buf.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (cookiewrite(&to, buf.data(), static_cast<size_t>(got)) != got) {
            ok = false;
            break;
        }
    }
    ::close(in);
    return ok;
}

// Syncs the directory so that the rename itself survives a crash.
void syncdir(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void forgettemp(SafeFile& sf) {
    if (!sf.temp.empty()) ::unlink(sf.temp.c_str());
    sf.temp.clear();
    safetempname[0] = '\0';
}

}  // namespace

FileId fileid(const char* name) {
    struct stat st {};
    if (::stat(name, &st) != 0) return {};
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool safeopen(SafeFile& sf, const char* name, bool appending) {
    sf = SafeFile{};
    sf.target = resolve(name);
    const std::string dir = dirof(sf.target);
    const size_t slash = sf.target.rfind('/');
    const std::string base = slash == std::string::npos ? sf.target : sf.target.substr(slash + 1);
    std::string tmpl = dir + "/." + base + ".oxa-XXXXXX";
    if (tmpl.size() >= sizeof safetempname) return false;
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    sf.temp = tmpl;
    std::memcpy(safetempname, tmpl.c_str(), tmpl.size() + 1);
    sf.fd = fd;
    written = 0;
    handedon = 0;

    // The new file gets the permission bits of the one it replaces, or those
    // a newly created file would have.
    struct stat st {};
    if (::stat(sf.target.c_str(), &st) == 0) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only the owner's group or root may give the file away; the
            // replacement then belongs to the user who wrote it.
        }
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    if (appending && !copyinto(sf.target.c_str(), fd)) {
        ::close(fd);
        sf.fd = -1;
        forgettemp(sf);
        return false;
    }
    cookie_io_functions_t io{};
    io.write = cookiewrite;
    io.close = cookieclose;
    sf.out = ::fopencookie(&sf.fd, "w", io);
    if (sf.out == nullptr) {
        ::close(fd);
        sf.fd = -1;
        forgettemp(sf);
        return false;
    }
    return true;
}

bool safeclose(SafeFile& sf, bool ok) {
    if (sf.out != nullptr) {
        if (std::fflush(sf.out) != 0 || std::ferror(sf.out)) ok = false;
        std::fclose(sf.out);
        sf.out = nullptr;
    }
    if (sf.fd >= 0) {
        if (ok && ::fsync(sf.fd) != 0) ok = false;
        if (::close(sf.fd) != 0) ok = false;
        sf.fd = -1;
    }
    if (ok && !sf.temp.empty() && ::rename(sf.temp.c_str(), sf.target.c_str()) == 0) {
        sf.temp.clear();
        safetempname[0] = '\0';
        syncdir(dirof(sf.target));
        return true;
    }
    forgettemp(sf);
    return false;
}

}  // namespace oxa
