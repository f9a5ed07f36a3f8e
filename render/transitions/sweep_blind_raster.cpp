#include "render/transitions/sweep_blind_raster.h"

namespace velomira {

TransitionEffect sweepBlindRasterEffect(int) {
    return nullptr;
}

} // namespace velomira
