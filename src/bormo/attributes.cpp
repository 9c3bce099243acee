// Attributes (placeholder bodies while the module is written).
#include "bormo/attributes.hpp"

namespace bormo {

std::array<attr_table_entry, MAXTYPES> attr_table{};
int total_types = 1;
attr_qlookup* q_att_table = nullptr;
int q_att_size = 0;
int att_class = 0;
int att_value = 0;
std::array<t_delay, DELAYSIZE> delayed{};
int delayptr = 0;
std::array<t_delay, DELAYSIZE> lt_delayed{};
int lt_delayptr = 0;
std::array<attr_row, MAXCOMP> attr{};
int attr_index = 0;
int all_values = 1;
int all_decon = 1;
comp_attr comp_attr_register = nullptr;
std::array<comp_attr, NVARIABLES> variable_table{};
void (*attr_choice_hook)(int) = attr_default_choice;

void attr_default_choice(int) {}
void readattr(const char*) {}
void clearattributes() {}
int lookup_attr(const char*) {
    return 0;
}
const char* att_get_name(int, int) {
    return "IllegalClass";
}
int valid(int, int, int d, int m) {
    return d == m;
}
void transclose(int) {}
void a_q_create_table() {}
void find_dup_values() {}
comp_attr create_comp_attr() {
    return nullptr;
}
void add_comp_attr(comp_attr*, int) {}
int attr_seg_count(comp_attr) {
    return 0;
}
int comp_attr_element(comp_attr, int) {
    return -1;
}
comp_attr duplicate_comp_attr(comp_attr) {
    return nullptr;
}
void purge_comp_attr(comp_attr* c) {
    *c = nullptr;
}
comp_attr dup_decon_comp_attr(comp_attr) {
    return nullptr;
}
int compare_comp_attr(comp_attr, comp_attr) {
    return 0;
}
comp_attr find_type_in_attr(int, attr_list) {
    return nullptr;
}
attr_list create_attr_list() {
    return nullptr;
}
void add_attr_to_list(attr_list*, comp_attr) {}
int attr_list_count(attr_list) {
    return 0;
}
comp_attr attr_list_element(attr_list, int) {
    return nullptr;
}
attr_list duplicate_attr_list(attr_list) {
    return nullptr;
}
void purge_attr_list(attr_list* l) {
    *l = nullptr;
}
int present_compound(attr_list, comp_attr) {
    return 0;
}
void append_attr(attr_list*, comp_attr) {}
void combine_attr_list(attr_list*, attr_list) {}
void new_attr_remove(attr_list*, comp_attr) {}
comp_attr find_attr_in_list(attr_list, comp_attr) {
    return nullptr;
}
pre_rule* look_for_attr(comp_attr, pre_rule*) {
    return nullptr;
}
const char* text_to_comp_array(const char* r, int) {
    return r;
}
const char* text_to_comp_struct(const char* r, int) {
    return r;
}
comp_attr make_comp_attr() {
    return nullptr;
}
comp_attr make_full_comp_attr() {
    return nullptr;
}
void decompose_comp_attr(comp_attr) {}
void lt_decompose_comp_attr(comp_attr) {}
comp_attr find_attr(attr_list) {
    return nullptr;
}
char* print_comp_attr(comp_attr) {
    return nullptr;
}
char* print_attr_list(attr_list) {
    return nullptr;
}
t_delay& delay_entry(int index) {
    return MState == 1 ? lt_delayed[index] : delayed[index];
}
t_indirection create_indir_node() {
    return nullptr;
}
void add_to_indir_list(indir_list*, t_indirection) {}
int indirect_count(indir_list) {
    return 0;
}
t_indirection indir_list_element(indir_list, int) {
    return nullptr;
}
t_indirection duplicate_indirection_node(t_indirection) {
    return nullptr;
}
indir_list duplicate_indir_list(indir_list) {
    return nullptr;
}
void purge_indirection_node(t_indirection) {}
void indir_purge_list(indir_list* l) {
    *l = nullptr;
}
void resetattributes() {}

} // namespace bormo
