// File commands (placeholder bodies; the operations follow).
#include "editor/files.hpp"

namespace oxa {

FILE* fptr = nullptr;
int32_t ioerr = 0;
int32_t linetype = 0;
LINE* curline = nullptr;
int32_t abortreq = 0;
char* tempbufptr = nullptr;
char* loadbufptr = nullptr;
char* mrgbufptr = nullptr;
int32_t loadtype = 0;

void fpr() {}
void fpw() {}
void faw() {}
void fpx() {}
void fprs() {}
void fetchfile() {}
void appendfile() {}
void insrtfile() {}
void savefile() {}
void ovrwritefile() {}
void join() {}
void deletefile() {}
void emit() {}
void loadfile() {}
void getfile() {}
void putfile(bool appending) {}
bool pfile(FILE* out, int32_t first, int32_t last) { return false; }
bool readfile() { return false; }
void resetfiles() {}

}  // namespace oxa
