#include "render/transitions/wipe_reveals.h"

namespace velomira {

TransitionEffect wipeRevealEffect(int) {
    return nullptr;
}

} // namespace velomira
