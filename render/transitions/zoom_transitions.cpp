#include "render/transitions/zoom_transitions.h"

namespace velomira {

TransitionEffect zoomTransitionEffect(int) {
    return nullptr;
}

} // namespace velomira
