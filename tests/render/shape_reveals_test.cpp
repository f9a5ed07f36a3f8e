// Tests for render/transitions/shape_reveals
