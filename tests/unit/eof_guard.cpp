// Unit tests feed the input stream from strings.  A test that reads past what
// it pushed would reach the real standard input and, at its end, the clean
// program exit: the test program would stop with status 0 and the rest of the
// run would be lost without a failure.  This guard turns that into an abort.
#include "editor/editloop.hpp"

#include <cstdio>
#include <cstdlib>

namespace eof_guard {

[[noreturn]] void readpastinput() {
    std::fputs("unit test read past its scripted input\n", stderr);
    std::abort();
}

struct EofGuard {
    EofGuard() { oxa::eofhook = readpastinput; }
} const eofguard;

} // namespace eof_guard
