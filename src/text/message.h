// The message inside the scene and the taking of its lines in turn.
#pragma once

#include <string>

#include "scene/text_encoding.h"

struct SeaScene;

// Normalises a message in stored form (lines joined by "^n", bytes in
// `encoding`) into lines ended by "\n", stores it and starts again at its
// first line.
void set_message(SeaScene& scene, std::string stored, text_encoding encoding);
// Takes the next line (wrapping to the first), drops the previous line's
// particles and restarts the emission.
void advance_line(SeaScene& scene);
