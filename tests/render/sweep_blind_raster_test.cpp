// Tests for render/transitions/sweep_blind_raster
