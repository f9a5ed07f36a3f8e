// Tests for render/transitions/slide_transitions
