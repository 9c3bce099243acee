// Stored trees: the trees and lookups of the last generation written out as
// lines (into the current corefile or to a running driver program), read
// back from a file to rebuild trees, lookups and sentences, and the hand-over
// of a sentence to the driver program.
//
// A stored set: "$u"; per tree a header "$t n" (full trees) or "$l n" (leaf
// list) and its node lines; "$L" and one line per lookup; "%".  Node fields,
// each ended by '|': name, attributes (compounds ", ", components "."), the
// indirection count, the word in double quotes, "LEX_n" or nothing.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "bormo/engine.hpp"

namespace bormo {

// Store styles.
constexpr int STORE_LEAVES = 0;   // each tree as the list of its leaves
constexpr int STORE_FULL = 1;     // every node with its path from the root
constexpr int STORE_INDENTED = 2; // every node indented by depth, for people only

// Destinations.
constexpr int DEST_CORE = 0;   // lines appended to the current corefile
constexpr int DEST_DRIVER = 1; // lines sent to a running driver program

constexpr int SIGSIZE = 100;          // letters of a node path
constexpr int RECOVERROWS = 23;       // rows of stored node lines
constexpr int RECOVERLINES = 1024;    // node lines of one tree
constexpr int OLDROOTROW = 22;        // the row of the untransformed ROOT
constexpr int OLDROOTNUMBER = 999999; // its tree number in a stored set

// The node path: "S" to the first child, "R" to the next sibling.
extern std::array<char, SIGSIZE + 1> signature;
extern int siglen;

// Reading state.
extern std::array<std::vector<std::string>, RECOVERROWS> recoveredstrings;
extern int nodetorecover; // the row being read, -1 when none
extern int nodecounter;   // its next line slot

// Writing state: the destination of the set being written.
extern int storedest;

// Sends text to the driver program's input and flushes; installed by the
// layer that runs a driver program while one runs (null: none is running).
using driversendfn = void (*)(const char* text, size_t len);
extern driversendfn driversend;

// Writer.
void store(int style, int destination);
int there_has_been_no_generation();
void storesingle(t_treenode* tree, int number, int style);
void storetree(t_treenode* node, int style);
void storeleafnodes(t_treenode* tree);
void storenode(t_treenode* node, int style);
void storelexicon();
// The lexical record with its attribute field written as value names (a new
// string, owned by the caller).
char* outputrecord(const char* record);
// Sends the line prepared at the top of the text heap to the destination.
void transmit();

// Reader.
void restorenode(const char* filename);

// The sentence of a tree to the driver program, between "START" and "END".
void talk(int treenumber);

// Command operations.
void vstoretree();   // STORE
void vrestoretree(); // RECOVER
void vtalk();        // VTALK

// Empties the reading and writing state; start-up and tests use it.
void resetstoredtrees();

} // namespace bormo
