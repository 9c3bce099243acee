// The engine's message line (placeholder bodies while the store lands).
#include "bormo/vline.hpp"

namespace bormo {

void v_line(int, int) {}
void v_print(int, const char*) {}
void v_printf(int, const char*, ...) {}
void save_cursor(int) {}
void restore_cursor(int) {}

} // namespace bormo
