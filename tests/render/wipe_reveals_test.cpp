// Tests for render/transitions/wipe_reveals
