// Tree expansion and the lexical lookup table.
#include "bormo/expansion.hpp"

namespace bormo {

std::array<t_dict_lookup, DICTSIZE> dict_table{};
int d_table_count = 0;
t_treenode* root = nullptr;
t_treenode* oldroot = nullptr;
std::array<t_treenode*, NTREES> rootPtrs{};
std::array<char*, NTREES> genSentences{};
int nodecount = 0;
int treestate = 0;
pre_rule* globalpre_list = nullptr;
int preselect_barrier = 0;
int global_barrier = 0;
int global_delayptr = 0;

void interpret() {}
void global_preselect() {}
void clear_GP() {}
void clear_SE_PRE(int) {}
void purgelookups(int) {}
void expand_tree(t_treenode*) {}
void expand_node(t_treenode*) {}
void terminal_node(t_treenode*) {}
const char* add_attachments(t_treenode*, const char* text, int) { return text; }
void thread(t_treenode*) {}
void make_choice(int) {}
void make_all_choices() {}
void construct_preselect(const char*, int) {}
t_treenode* makenode(const char*) { return nullptr; }
t_treenode* copy_node(t_treenode*) { return nullptr; }
t_treenode* copytree(t_treenode*) { return nullptr; }
void purge_node(t_treenode*) {}
void purge_tree(t_treenode*) {}
void purge_all_trees() {}
char* insert_restriction(const char*, const char*, int) { return nullptr; }
char* merge_restr(const char*, const char*) { return nullptr; }
void print_preselect_list() {}
void print_cf() {}
void print_transf() {}
void resetexpansion() {}

} // namespace bormo
