#include "scene/particle.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scene/numeric.h"
#include "scene/trig.h"

void init_particle(Particle& record) {
    record.x = 0;
    record.y = 0;
    record.z = 0;
    record.angle_x = 0;
    record.angle_y = 0;
    record.angle_z = 0;
    record.red = 1.0;
    record.green = 1.0;
    record.blue = 1.0;
    record.size = 1;
    record.spray_z = 0;
    record.height = 0;
    record.spray_vz = 0;
    record.velocity = 0;
    record.accel = 0;
    record.visible = 0;
    record.released = 0;
}

void add_angle(Particle& pose, double increment) {
    pose.angle_z += increment;
    if (pose.angle_z > two_pi) {
        pose.angle_z -= two_pi;
    } else if (pose.angle_z < -two_pi) {
        pose.angle_z += two_pi;
    }
}

namespace {

// Turns the pair (a, b) of one record, keeping its distance from the axis: the
// rotation works on the normalised pair and scales back.
template <double Particle::*A, double Particle::*B>
inline void turn_record(Particle& p, double c, double s) {
    const double a = p.*A;
    const double b = p.*B;
    const double r = std::sqrt(a * a + b * b);
    if (r > 0) {
        p.*A = r * ((a / r) * c - (b / r) * s);
        p.*B = r * ((b / r) * c + (a / r) * s);
    }
}

// Turns the pair (a, b) of every record of the run by theta. The fields are
// template arguments so that each axis compiles to plain loads and stores.
// Where the processor has two-lane double arithmetic, two records are turned
// at once; each lane does exactly the scalar operations (IEEE division and
// square root are exact in either form), so the results are the same bits.
// With a source, each record is first copied from it, so that the copy and the
// first turn make one pass over the run. Returns whether the axis turned (and
// so consumed the source).
template <double Particle::*A, double Particle::*B>
bool turn_axis(double s, double c, Particle* first, int count, const Particle* source) {
    if ((s == 0 && c == 1) || count <= 0) return false;
    int k = 0;
#if defined(__SSE2__)
    const __m128d cv = _mm_set1_pd(c);
    const __m128d sv = _mm_set1_pd(s);
    const __m128d zero = _mm_setzero_pd();
    for (; k + 1 < count; k += 2) {
        if (source) {
            if (k + prefetch_distance + 1 < count) {
                prefetch_record(source + k + prefetch_distance);
                prefetch_record(source + k + prefetch_distance + 1);
            }
            first[k] = source[k];
            first[k + 1] = source[k + 1];
        }
        Particle& p0 = first[k];
        Particle& p1 = first[k + 1];
        const __m128d a = _mm_set_pd(p1.*A, p0.*A);
        const __m128d b = _mm_set_pd(p1.*B, p0.*B);
        const __m128d r = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(a, a), _mm_mul_pd(b, b)));
        const __m128d ar = _mm_div_pd(a, r);
        const __m128d br = _mm_div_pd(b, r);
        __m128d na = _mm_mul_pd(r, _mm_sub_pd(_mm_mul_pd(ar, cv), _mm_mul_pd(br, sv)));
        __m128d nb = _mm_mul_pd(r, _mm_add_pd(_mm_mul_pd(br, cv), _mm_mul_pd(ar, sv)));
        // A record on the axis (r not above 0) keeps its pair.
        const __m128d turned = _mm_cmpgt_pd(r, zero);
        na = _mm_or_pd(_mm_and_pd(turned, na), _mm_andnot_pd(turned, a));
        nb = _mm_or_pd(_mm_and_pd(turned, nb), _mm_andnot_pd(turned, b));
        _mm_storel_pd(&(p0.*A), na);
        _mm_storeh_pd(&(p1.*A), na);
        _mm_storel_pd(&(p0.*B), nb);
        _mm_storeh_pd(&(p1.*B), nb);
    }
#endif
    for (; k < count; ++k) {
        if (source) first[k] = source[k];
        turn_record<A, B>(first[k], c, s);
    }
    return true;
}

}  // namespace

pose_turn turn_of(const Particle& pose) {
    return {sine(pose.angle_x),
            cosine(pose.angle_x),
            sine(pose.angle_y),
            cosine(pose.angle_y),
            sine(pose.angle_z),
            cosine(pose.angle_z),
            pose.x,
            pose.y,
            pose.z};
}

void copy_rotate_translate(const pose_turn& turn, const Particle* source, Particle* first,
                           int count) {
    const Particle* pending = source;
    if (turn_axis<&Particle::y, &Particle::z>(turn.sin_x, turn.cos_x, first, count, pending))
        pending = nullptr;
    if (turn_axis<&Particle::z, &Particle::x>(turn.sin_y, turn.cos_y, first, count, pending))
        pending = nullptr;
    if (turn_axis<&Particle::x, &Particle::y>(turn.sin_z, turn.cos_z, first, count, pending))
        pending = nullptr;
    if (pending && count > 0) std::copy_n(pending, count, first);
    // The scene's poses never move (their position stays at the origin), and
    // adding zero changes nothing but the sign of a zero coordinate, which no
    // later use can tell apart: skip the pass over the run then.
    if (turn.x == 0 && turn.y == 0 && turn.z == 0) return;
    for (int k = 0; k < count; ++k) {
        first[k].x += turn.x;
        first[k].y += turn.y;
        first[k].z += turn.z;
    }
}

void rotate_translate(const pose_turn& turn, Particle* first, int count) {
    copy_rotate_translate(turn, nullptr, first, count);
}

void rotate_translate(const Particle& pose, Particle* first, int count) {
    rotate_translate(turn_of(pose), first, count);
}

void project(Particle* first, int count, double eye_distance) {
    for (int k = 0; k < count; ++k) {
        Particle& p = first[k];
        const double w = eye_distance + p.z;
        // A point at or behind the eye gets a fixed, very large factor.
        const double factor = w > 0 ? eye_distance / w : 10000;
        p.size = trunc_to_int(factor + 1);
        p.x = p.x * factor;
        p.y = p.y * factor;
    }
}
