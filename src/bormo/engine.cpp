// Engine-wide state shared by several modules.
#include "bormo/engine.hpp"

namespace bormo {

pre_rule* preselect_list = nullptr;
int MState = 0;

void resetengine() {
    preselect_list = nullptr;
    MState = 0;
}

} // namespace bormo
