// The generation commands and the file-kind table.
#include "bormo/gencommands.hpp"

namespace bormo {

// Columns: cmdletts, filebits, uninstaller, initializer, putvlett.
constexpr std::array<vfile_entry, NVFILES> vfile_table_rows = {{
    {"dummy", 0, nullptr, nullptr, ' '},
    {"AT", VF_AT | VF_LE | VF_MR | VF_GP, nullptr, nullptr, 'a'},
    {"US", VF_US, nullptr, nullptr, 'u'},
    {"SY", VF_SY | VF_US, nullptr, nullptr, 's'},
    {"MO", VF_MO, nullptr, nullptr, 'm'},
    {"TB", VF_TB, nullptr, nullptr, 'T'},
    {"TM", VF_TM | VF_LE | VF_MR, nullptr, nullptr, 't'},
    {"LE", VF_LE | VF_GP, nullptr, nullptr, 'L'},
    {"IP", VF_IP, nullptr, nullptr, 'p'},
    {"MR", VF_MR, nullptr, nullptr, 'e'},
    {"TG", VF_TG, nullptr, nullptr, 'g'},
    {"SM", VF_SM, nullptr, nullptr, '@'},
    {"LX", VF_LX, nullptr, nullptr, 'x'},
    {"GP", VF_GP, nullptr, nullptr, '@'},
    {"ALL", VF_ALL, nullptr, nullptr, ' '},
}};
static_assert(vfile_table_rows.size() == NVFILES);
const std::array<vfile_entry, NVFILES> vfile_table = vfile_table_rows;

std::array<std::string, NBORMOFILES> bormofilename;
int32_t installed = 0;
int32_t synstat = 0;
int32_t userstat = 0;

void uninstall(int32_t bits) {}
void uninstall_n(int row) {}
void initialize() {}
std::string bits_to_text(int32_t bits) { return "none"; }
int32_t text_to_bits(const char* text) { return 0; }
void putbormofile(const char* name, char letter) {}
void initbormo() {}

void vreadattr() {}
void vreadsyn() {}
void vreaduser() {}
void vreadterm() {}
void vreadlex() {}
void addlex() {}
void rm_vfiles() {}
void vdisplay() {}
void rnset() {}
void rnprint() {}

void resetgencommands() {
    installed = 0;
    synstat = 0;
    userstat = 0;
    for (auto& n : bormofilename) n.clear();
}

}  // namespace bormo
