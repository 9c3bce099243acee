// Replacing a file safely: temporary file, flush, sync, rename.
#include "editor/safewrite.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// The error of the last write that failed (0: none since the file opened).
int writeerror = 0;

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
                errno = writeerror = ENOSPC;
                return done > 0 ? static_cast<ssize_t>(done) : -1;
            }
            n = std::min<size_t>(n, static_cast<size_t>(safewritelimit - written));
        }
        ssize_t got = ::write(fd, buf + done, n);
        if (got < 0) {
            if (errno == EINTR) continue;
            writeerror = errno;
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

std::string baseof(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The pattern of the temporary files of `path`, for mkstemp.
std::string temppattern(const std::string& path) {
    return dirof(path) + "/." + baseof(path) + ".oxa-XXXXXX";
}

// Makes a locked temporary file beside `path` and notes it for the signal
// handlers; its descriptor, or -1 with errno set.
int maketemp(const std::string& path, std::string& temp) {
    temp = temppattern(path);
    if (temp.size() >= sizeof safetempname) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return -1;
    // Held until the descriptor is closed, also by a program that is killed.
    ::flock(fd, LOCK_EX | LOCK_NB);
    std::memcpy(safetempname, temp.c_str(), temp.size() + 1);
    return fd;
}

// Gives the new file the owner (where allowed) and permission bits of `st`.
void copyidentity(int fd, const struct stat& st) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Only the owner's group or root may give the file away; the
        // replacement then belongs to the user who wrote it.
    }
    ::fchmod(fd, st.st_mode & 07777);
}

// Copies the file `from` (described by `st`) to a new file that then takes
// the name `to`, replacing whatever had that name.
bool copyover(const char* from, const struct stat& st, const std::string& to, int& error) {
    std::string temp;
    const int fd = maketemp(to, temp);
    if (fd < 0) {
        error = errno;
        return false;
    }
    copyidentity(fd, st);
    written = handedon = 0;
    bool ok = copyinto(from, fd);
    if (!ok) error = errno;
    if (ok && ::fsync(fd) != 0) ok = false, error = errno;
    if (::close(fd) != 0 && ok) ok = false, error = errno;
    if (ok && ::rename(temp.c_str(), to.c_str()) != 0) ok = false, error = errno;
    if (ok) syncdir(dirof(to));
    else ::unlink(temp.c_str());
    safetempname[0] = '\0';
    return ok;
}

// Keeps the file `target` also under the name `backup`, replacing what had
// that name: a second link when the file system allows, else a copy.
bool keepbackup(const std::string& target, const char* backup, int& error) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return errno == ENOENT;  // nothing to keep
    std::string temp;
    const int fd = maketemp(backup, temp);
    if (fd < 0) {
        error = errno;
        return false;
    }
    ::close(fd);
    ::unlink(temp.c_str());
    safetempname[0] = '\0';
    if (::link(target.c_str(), temp.c_str()) == 0) {
        if (::rename(temp.c_str(), backup) == 0) return true;
        error = errno;
        ::unlink(temp.c_str());
        return false;
    }
    return copyover(target.c_str(), st, backup, error);
}

// Removes the temporary files of `target` that no program is writing: those
// left by a program killed in mid-write.
void removestale(const std::string& target) {
    const std::string dir = dirof(target);
    const std::string stem = "." + baseof(target) + ".oxa-";
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() != stem.size() + 6 || name.compare(0, stem.size(), stem) != 0) continue;
        const std::string path = dir + "/" + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

}  // namespace

std::string failreason(int error) {
    if (error == NOTREGULAR) return "not a regular file";
    if (error == 0) return "write error";
    return std::strerror(error);
}

bool movefile(const char* from, const char* to, int& error) {
    struct stat st {};
    if (::lstat(from, &st) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = NOTREGULAR;
        return false;
    }
    if (!copyover(from, st, to, error)) return false;
    if (::unlink(from) != 0) {
        error = errno;
        return false;
    }
    return true;
}

FileId fileid(const char* name) {
    struct stat st {};
    if (::stat(name, &st) != 0) return {};
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool safeopen(SafeFile& sf, const char* name, bool appending) {
    sf = SafeFile{};
    sf.target = resolve(name);
    struct stat st {};
    const bool exists = ::stat(sf.target.c_str(), &st) == 0;
    // A FIFO, a device or a directory is never replaced by a file.
    if (exists && !S_ISREG(st.st_mode)) {
        sf.error = NOTREGULAR;
        return false;
    }
    const int fd = maketemp(sf.target, sf.temp);
    if (fd < 0) {
        sf.error = errno;
        sf.temp.clear();
        return false;
    }
    sf.fd = fd;
    written = 0;
    handedon = 0;
    writeerror = 0;

    // The new file gets the owner and permission bits of the one it
    // replaces, or those a newly created file would have.
    if (exists) {
        copyidentity(fd, st);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    if (appending && !copyinto(sf.target.c_str(), fd)) {
        sf.error = errno;
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
        sf.error = errno;
        ::close(fd);
        sf.fd = -1;
        forgettemp(sf);
        return false;
    }
    return true;
}

bool safeclose(SafeFile& sf, bool ok, const char* backup) {
    errno = 0;
    if (sf.out != nullptr) {
        if (std::fflush(sf.out) != 0 || std::ferror(sf.out)) ok = false;
        std::fclose(sf.out);
        sf.out = nullptr;
    }
    if (!ok && sf.error == 0) sf.error = writeerror != 0 ? writeerror : errno;
    if (sf.fd >= 0) {
        if (ok && ::fsync(sf.fd) != 0) ok = false, sf.error = errno;
        if (::close(sf.fd) != 0 && ok) ok = false, sf.error = errno;
        sf.fd = -1;
    }
    // The old text is kept only once the new one is safely written.
    if (ok && backup != nullptr) {
        ok = keepbackup(sf.target, backup, sf.error);
        std::memcpy(safetempname, sf.temp.c_str(), sf.temp.size() + 1);
    }
    if (ok && !sf.temp.empty()) {
        if (::rename(sf.temp.c_str(), sf.target.c_str()) == 0) {
            sf.temp.clear();
            safetempname[0] = '\0';
            syncdir(dirof(sf.target));
            removestale(sf.target);
            return true;
        }
        sf.error = errno;
    }
    forgettemp(sf);
    return false;
}

}  // namespace oxa
