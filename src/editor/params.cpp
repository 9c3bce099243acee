// The command processor's parameters and the settings of the setter commands.
#include "editor/params.hpp"

namespace oxa {

std::array<int32_t, NPARAM> param;

strparam curfile;
strparam scanpattern;
strparam mrgstring;
strparam expression;
strparam sysstring;
strparam termstring;
strparam picstring;
strparam mathstring;
strparam recboolcheck;
strparam targetstring;
strparam listfile;
strparam listinitfile;
strparam v_error;

int32_t lmargin = 1;
int32_t rmargin = 72;
// Stops every 8 columns from column 1.
constexpr std::array<uint8_t, NTABS> initialtabs() {
    std::array<uint8_t, NTABS> t{};
    for (int c = 1; c < NTABS; c += 8)
        t[static_cast<size_t>(c)] = 1;
    return t;
}
std::array<uint8_t, NTABS> tabs = initialtabs();
int32_t jmode;
int32_t hyphlevel;
int32_t scanunit;
int32_t crinsert = 1;
int32_t fetchstyle = 1;
int32_t octflag;
int32_t lfonly = 1;
int32_t askanswers = 1;
askreplyfn askreply = nullptr;

void resetparams() {
    param.fill(0);
    for (strparam* s :
         {&curfile, &scanpattern, &mrgstring, &expression, &sysstring, &termstring, &picstring,
          &mathstring, &recboolcheck, &targetstring, &listfile, &listinitfile, &v_error})
        s->fill(0);
    lmargin = 1;
    rmargin = 72;
    tabs = initialtabs();
    jmode = 0;
    hyphlevel = 0;
    scanunit = 0;
    crinsert = 1;
    fetchstyle = 1;
    octflag = 0;
    lfonly = 1;
    askanswers = 1;
    askreply = nullptr;
}

} // namespace oxa
