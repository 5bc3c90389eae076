#include "scene/particle.h"

#include <cmath>

#include "scene/numeric.h"

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

// Turns the pair (a, b) of every record by theta, keeping each record's
// distance from the axis: the rotation works on the normalised pair and
// scales back. The fields are template arguments so that each axis compiles
// to plain loads and stores.
template <double Particle::*A, double Particle::*B>
void turn_axis(double theta, Particle* first, int count) {
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    if ((s == 0 && c == 1) || count <= 0) return;
    for (int k = 0; k < count; ++k) {
        Particle& p = first[k];
        const double a = p.*A;
        const double b = p.*B;
        const double r = std::sqrt(a * a + b * b);
        if (r > 0) {
            p.*A = r * ((a / r) * c - (b / r) * s);
            p.*B = r * ((b / r) * c + (a / r) * s);
        }
    }
}

}  // namespace

void rotate_translate(const Particle& pose, Particle* first, int count) {
    turn_axis<&Particle::y, &Particle::z>(pose.angle_x, first, count);
    turn_axis<&Particle::z, &Particle::x>(pose.angle_y, first, count);
    turn_axis<&Particle::x, &Particle::y>(pose.angle_z, first, count);
    for (int k = 0; k < count; ++k) {
        first[k].x += pose.x;
        first[k].y += pose.y;
        first[k].z += pose.z;
    }
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
