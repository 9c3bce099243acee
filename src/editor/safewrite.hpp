// Replacing a file safely.
//
// A file is never written in place: the new text goes to a temporary file in
// the target's own directory, which is flushed, synced and then renamed over
// the target.  Until that rename the old file is untouched, so a full disk, a
// write error or the program being killed never leaves a half-written file.
// The replacement keeps the target's permission bits (and, where allowed, its
// owner), and a symbolic link is written through: its target is replaced and
// the link stays a link.  What is not a regular file (a FIFO, a device, a
// directory) is never replaced.  Another hard link to the file keeps the old
// text: the name given gets a new file.
//
// The temporary file is locked while it is written, so that one left behind
// by a program killed in mid-write (unlocked) can be told from one being
// written now: a successful replacement removes the stale ones of its target.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace oxa {

struct SafeFile {
    std::string target;  // the file that is replaced (symbolic links resolved)
    std::string temp;    // the temporary file beside it; empty when none is open
    FILE* out = nullptr; // the stream to write the new text to
    int fd = -1;         // the temporary file's descriptor, owned by `out`
    int error = 0;       // why the write failed: an errno value or NOTREGULAR
};

// `SafeFile::error` of a target that is not a regular file.
constexpr int NOTREGULAR = -1;

// The reason for a failure in a few words ("not a regular file", "No space
// left on device").
std::string failreason(int error);

// Opens a temporary file beside `name`.  With `appending` it starts as a copy
// of the file's present contents.  Returns false (leaving nothing behind)
// when the temporary file cannot be made.
bool safeopen(SafeFile& sf, const char* name, bool appending);

// Ends the write.  When `ok`, the stream is flushed and synced and the
// temporary file replaces the target; when not, or when any of those steps
// fails, the temporary file is removed and the target is left as it was.
// With `backup`, the old target is first kept under that name (replacing
// what was there), after the new text is safely on the disk.  Returns true
// only when the target now holds the new text.
bool safeclose(SafeFile& sf, bool ok, const char* backup = nullptr);

// Moves the file `from` to the name `to` on another file system: a copy
// beside `to` with the same permission bits, synced, renamed over `to`, and
// only then `from` removed.  On failure `to` and `from` are as they were and
// `error` tells why.
bool movefile(const char* from, const char* to, int& error);

// The identity of a file (device and inode, following symbolic links); both
// zero when it does not exist.
struct FileId {
    uint64_t dev = 0;
    uint64_t ino = 0;
    bool operator==(const FileId&) const = default;
};
FileId fileid(const char* name);

// The temporary file being written, as a NUL-ended path, or "" when none; the
// signal handlers remove it when the program is stopped in mid-write.
extern char safetempname[4096];

// For tests: the writes to a temporary file fail with "no space" once this
// many bytes have been written (negative: never).
extern int64_t safewritelimit;

}  // namespace oxa
