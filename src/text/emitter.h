// Turns the current message line into a cloud of 3-D particles: the line is
// drawn in white on a black off-screen surface, read back pixel by pixel, and
// every lit pixel becomes particles, one horizontal slice per call.
#pragma once

#include <cstdint>
#include <string_view>

#include "scene/pixel_buffer.h"

struct SeaScene;
struct ParticleList;
class line_rasteriser;

// Makes the scene's text surface (width × height, the screen's size, black)
// and lets `rasteriser` draw its lines, in the message font chosen for the
// scene's message (so the message is set first).
void prepare_text_surface(SeaScene& scene, line_rasteriser& rasteriser, int width, int height);
// The screens changed to this size. A text surface that no longer covers the
// screen is made again at its size when the next line starts, never while a
// line is being emitted; a smaller screen keeps the surface as it is.
void note_screen_size(SeaScene& scene, int width, int height);
// Draws the line and emits slice `emit_count` of it; counts the call.
void emit_line(SeaScene& scene, std::string_view line);
// Appends the particles of slice m of the rectangle and renews the snapshot.
void rasterise_slice(ParticleList& list, const pixel_buffer& surface, std::int32_t left,
                     std::int32_t top, std::int32_t right, std::int32_t bottom, int n, double x0,
                     double y0, double z0, double X, double Y, double Z, bool mirror,
                     std::int32_t m);

// Observes every line the emitter draws: the measured size and the surface it
// was read from. Used by the developer tools to dump what the emitter saw.
using line_observer = void (*)(std::string_view line, const pixel_buffer& surface,
                               std::int32_t width, std::int32_t height);
void set_line_observer(line_observer observer);
