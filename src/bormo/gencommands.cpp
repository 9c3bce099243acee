// The generation commands and the file-kind table.
#include "bormo/gencommands.hpp"

#include <cctype>
#include <string>

#include "bormo/attributes.hpp"
#include "bormo/expansion.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/lextrans.hpp"
#include "bormo/morphology.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/storedtrees.hpp"
#include "bormo/syntax.hpp"
#include "bormo/transform.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/frontend.hpp"
#include "editor/params.hpp"

namespace bormo {

// Columns: cmdletts, filebits, uninstaller, initializer, putvlett.
// Row i (1..13) holds the kind of bit 2^(i-1).  Kinds whose readers live
// elsewhere and are not loaded yet have no uninstaller or initializer here.
constexpr std::array<vfile_entry, NVFILES> vfile_table_rows = {{
    {"dummy", 0, nullptr, nullptr, ' '},
    {"AT", VF_AT | VF_LE | VF_MR | VF_GP, clearattributes, clearattributes, 'a'},
    {"US", VF_US, dump_syntax, dump_syntax, 'u'},
    {"SY", VF_SY | VF_US, dump_syntax, dump_syntax, 's'},
    {"MO", VF_MO, clear_mrules, init_mrules, 'm'},
    {"TB", VF_TB, clear_tables, nullptr, 'T'},
    {"TM", VF_TM | VF_LE | VF_MR, clear_terminals, clear_terminals, 't'},
    {"LE", VF_LE | VF_GP, clearlexicon, nullptr, 'L'},
    {"IP", VF_IP, clear_phon_tables, clear_phon_tables, 'p'},
    {"MR", VF_MR, clear_mrdata, clear_mrdata, 'e'},
    {"TG", VF_TG, clear_tag_tables, clear_tag_tables, 'g'},
    {"SM", VF_SM, nullptr, nullptr, '@'},
    {"LX", VF_LX, purge_lt_rules, initialize_lt_rules, 'x'},
    {"GP", VF_GP, clear_GP, clear_GP, '@'},
    {"ALL", VF_ALL, nullptr, nullptr, ' '},
}};
static_assert(vfile_table_rows.size() == NVFILES);
const std::array<vfile_entry, NVFILES> vfile_table = vfile_table_rows;

constexpr int NKINDS = 13; // rows 1..13, one per bit

std::array<std::string, NBORMOFILES> bormofilename;
int32_t installed = 0;
int32_t synstat = 0;
int32_t userstat = 0;

namespace {
bool improper_text = false; // the last text_to_bits met a bad character
}

void uninstall(int32_t bits) {
    bits &= installed;
    for (int row = 1; row <= NKINDS; ++row) {
        if (!(bits & (1 << (row - 1)))) continue;
        if (vfile_table[row].uninstaller) vfile_table[row].uninstaller();
        putbormofile("", vfile_table[row].putvlett);
    }
    installed &= ~bits;
    // The last run's trees and lookups point into what was removed.
    if (bits) {
        clear_SE_PRE(0);
        pack_changed();
    }
    v_printf(MSGCORE, "uninstalled: %s", bits_to_text(bits).c_str());
}

void uninstall_n(int row) {
    if (row >= 0 && row < NVFILES) uninstall(vfile_table[row].filebits);
}

void initialize() {
    for (int row = 1; row <= NKINDS; ++row)
        if (vfile_table[row].initializer) vfile_table[row].initializer();
}

std::string bits_to_text(int32_t bits) {
    std::string text;
    for (int row = 1; row <= NKINDS; ++row) {
        if (!(bits & (1 << (row - 1)))) continue;
        if (!text.empty()) text += ", ";
        text += vfile_table[row].cmdletts;
    }
    return text.empty() ? "none" : text;
}

int32_t text_to_bits(const char* text) {
    improper_text = false;
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (!std::isalpha(c) && c != ' ' && c != ',') {
            oxa::diserr("improper character in parameter");
            improper_text = true;
            return 0;
        }
    }
    int32_t bits = 0;
    std::string name;
    auto take = [&]() {
        if (name.empty()) return;
        int row = 1;
        while (row < NVFILES && name != vfile_table[row].cmdletts)
            ++row;
        if (row < NVFILES)
            bits |= vfile_table[row].filebits;
        else
            v_printf(MSGCORE, "%s not a file kind", name.c_str());
        name.clear();
    };
    for (const char* p = text;; ++p) {
        if (*p == ',' || *p == 0) {
            take();
            if (*p == 0) break;
        } else if (*p != ' ') {
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        }
    }
    return bits;
}

void putbormofile(const char* name, char letter) {
    std::string msg = oxa::wire::status('V');
    msg += letter;
    msg += name;
    oxa::xvtransmit(msg.c_str());
    int slot = letter - '@';
    if (slot >= 0 && slot < NBORMOFILES) bormofilename[slot] = name;
}

void initbormo() {
    attr_choice_hook = make_choice; // open values met by find_attr are fixed as in a run
    reseed(0);
    initialize();
    add_built_in();
    installed = 0;
    synstat = 0;
    userstat = 0;
    for (auto& n : bormofilename)
        n.clear();
}

void vreadattr() {
    uninstall_n(1);
    readattr(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'a');
    installed |= VF_AT;
    pack_changed();
}

void vreadsyn() {
    uninstall_n(3);
    read_syntax(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 's');
    synstat = v_stat;
    userstat = 0;
    installed |= VF_SY;
    pack_changed();
}

void vreaduser() {
    uninstall_n(2);
    read_syntax(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'u');
    userstat = v_stat;
    installed |= VF_US;
    pack_changed();
}

void vreadterm() {
    uninstall_n(6);
    read_terminals(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 't');
    installed |= VF_TM;
    pack_changed();
}

void vreadlex() {
    if (!(installed & VF_TM)) {
        oxa::diserr("Terminals file not present");
        return;
    }
    uninstall_n(7);
    initdict();
    readdict(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'L');
    installed |= VF_LE;
    pack_changed();
}

void vreadmorph() {
    uninstall_n(4);
    new_readmorph(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'm');
    installed |= VF_MO;
    pack_changed();
}

void vreadtables() {
    uninstall_n(5);
    new_readtables(oxa::curfile.data());
    putbormofile(oxa::curfile.data(), 'T');
    installed |= VF_TB;
    pack_changed();
}

void addlex() {
    if (installed & VF_LE) {
        readdict(oxa::curfile.data());
        pack_changed();
        return;
    }
    oxa::diserr("Lexicon not present; defaulting to LExicon");
    vreadlex();
}

void rm_vfiles() {
    int32_t bits = text_to_bits(oxa::picstring.data());
    if (improper_text) return;
    int32_t removed = bits & installed;
    uninstall(bits);
    if (removed & VF_SY) synstat = 0;
    if (removed & VF_US) userstat = 0;
}

void vdisplay() {
    switch (oxa::param[1]) {
    case 0:
        v_print(MSGCORE, bits_to_text(installed).c_str());
        break;
    case 1:
    case 2:
        if (there_has_been_no_generation())
            oxa::diserr("No generated sentence");
        else
            store(oxa::param[1] == 1 ? STORE_INDENTED : STORE_FULL, DEST_CORE);
        break;
    case 3:
        print_cf();
        break;
    case 4:
        print_transf();
        break;
    case 5:
        print_tables();
        break;
    case 6:
        print_mrules();
        break;
    case 7:
        printlex();
        break;
    case 8:
        print_preselect_list();
        break;
    default:
        break;
    }
}

void vfreq() {
    if (!(installed & VF_LE)) {
        oxa::diserr("Lexicon not present");
        return;
    }
    vary_frequency(oxa::picstring.data());
    pack_changed();
}

void rnset() {
    reseed(oxa::param[1]);
}

void rnprint() {
    int n = oxa::param[1];
    printseed(n == 0 || n > 18 ? MSGCORE : n);
}

void resetgencommands() {
    response.fill(0);
    for (auto& f : error_function)
        f.clear();
    error_function_set.fill(false);
    installed = 0;
    synstat = 0;
    userstat = 0;
    improper_text = false;
    for (auto& n : bormofilename)
        n.clear();
}

} // namespace bormo
