// Attributes: the attribute table read from the attribute file, its sorted name
// lookup and partial orders, the delay tables, compound attributes, attribute
// lists, the working array with the text form of compounds, and indirection
// lists.
#pragma once

#include <array>

#include "bormo/engine.hpp"

namespace bormo {

// Attribute table.
extern std::array<attr_table_entry, MAXTYPES> attr_table;
extern int total_types;           // next free type number, 1 when empty
extern attr_qlookup* q_att_table; // sorted names (owned), null when no file is loaded
extern int q_att_size;
extern int att_class; // results of the last successful lookup_attr
extern int att_value;

// Delay tables.
extern std::array<t_delay, DELAYSIZE> delayed;
extern int delayptr;
extern std::array<t_delay, DELAYSIZE> lt_delayed;
extern int lt_delayptr;

// Working array.
extern std::array<attr_row, MAXCOMP> attr;
extern int attr_index;
extern int all_values; // 1 when no row is a bare type
extern int all_decon;  // 1 when every row carries '/'

extern comp_attr comp_attr_register;                     // made by text_to_comp_struct
extern std::array<comp_attr, NVARIABLES> variable_table; // rule variables 1..25

// Called by find_attr to fix an open delay entry before comparing it with a
// definite value.  The generation module points it at its own choice routine;
// the default fixes the entry with a value drawn from the generator.
extern void (*attr_choice_hook)(int index);
void attr_default_choice(int index);

// Attribute table.
void readattr(const char* fname);
void clearattributes();
int lookup_attr(const char* text);
const char* att_get_name(int class_, int value);
int valid(int sign, int class_, int dict_choice, int match_choice);
void transclose(int type);
void a_q_create_table();
void find_dup_values();

// Compound attributes.
comp_attr create_comp_attr();
void add_comp_attr(comp_attr* c, int index);
int attr_seg_count(comp_attr c);
int comp_attr_element(comp_attr c, int n);
comp_attr duplicate_comp_attr(comp_attr c);
void purge_comp_attr(comp_attr* c);
comp_attr dup_decon_comp_attr(comp_attr c);
int compare_comp_attr(comp_attr a, comp_attr b);
comp_attr find_type_in_attr(int delindex, attr_list list);

// Attribute lists.
attr_list create_attr_list();
void add_attr_to_list(attr_list* l, comp_attr c);
int attr_list_count(attr_list l);
comp_attr attr_list_element(attr_list l, int n);
attr_list duplicate_attr_list(attr_list l);
void purge_attr_list(attr_list* l);
int present_compound(attr_list l, comp_attr c);
void append_attr(attr_list* l, comp_attr c);
void combine_attr_list(attr_list* old, attr_list new_);
void new_attr_remove(attr_list* l, comp_attr c);
comp_attr find_attr_in_list(attr_list l, comp_attr c);
pre_rule* look_for_attr(comp_attr c, pre_rule* rules);

// Working array and text form.
const char* text_to_comp_array(const char* r, int decon_allowed);
const char* text_to_comp_struct(const char* r, int decon_allowed);
comp_attr make_comp_attr();
comp_attr make_full_comp_attr();
void decompose_comp_attr(comp_attr c);
void lt_decompose_comp_attr(comp_attr c);
comp_attr find_attr(attr_list list);
char* print_comp_attr(comp_attr c);
char* print_attr_list(attr_list l);

// The delay entry behind a component: lt_delayed while MState is 1, else delayed.
t_delay& delay_entry(int index);

// Indirection lists.
t_indirection create_indir_node();
void add_to_indir_list(indir_list* l, t_indirection ind);
int indirect_count(indir_list l);
t_indirection indir_list_element(indir_list l, int n);
t_indirection duplicate_indirection_node(t_indirection ind);
indir_list duplicate_indir_list(indir_list l);
void purge_indirection_node(t_indirection ind);
void indir_purge_list(indir_list* l);

// Empties the attribute table, the delay tables, the working array and the
// variables; start-up and tests use it.
void resetattributes();

} // namespace bormo
