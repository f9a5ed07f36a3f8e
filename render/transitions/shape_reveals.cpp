#include "render/transitions/shape_reveals.h"

namespace velomira {

TransitionEffect shapeRevealEffect(int) {
    return nullptr;
}

} // namespace velomira
