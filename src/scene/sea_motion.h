// How the scene moves in one step, apart from its message lines: the waves of
// the sea and the text particles that fall into it.
#pragma once

struct SeaScene;

// sin of the view angle, negated on the far half of the turn: rises from -1 to
// +1 over each half-turn and drops back at 90° and 270°.
double turn_phase_of(double angle);
// Restoring force, neighbour coupling of heights and colours, integration and
// the fading of colours, over the whole grid.
void move_sea(SeaScene& scene);
// Random and sweeping release, falling, staining, visibility against the
// waves and riding on them, over the current line's particles.
void move_text(SeaScene& scene, double turn_phase);
