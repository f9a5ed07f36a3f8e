#include "render/transitions/slide_transitions.h"

namespace velomira {

TransitionEffect slideTransitionEffect(int) {
    return nullptr;
}

} // namespace velomira
