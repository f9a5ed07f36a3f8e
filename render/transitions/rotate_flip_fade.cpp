#include "render/transitions/rotate_flip_fade.h"

namespace velomira {

TransitionEffect rotateFlipFadeEffect(int) {
    return nullptr;
}

} // namespace velomira
