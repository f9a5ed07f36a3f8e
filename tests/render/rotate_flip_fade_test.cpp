// Tests for render/transitions/rotate_flip_fade
