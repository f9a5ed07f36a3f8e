// Tests for render/transitions/zoom_transitions
