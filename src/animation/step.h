// Advances the whole scene by one tick: lift and line change, emission, the
// waves of the sea and the text particles.
#pragma once

struct SeaScene;

void step(SeaScene& scene);
