#include "scene/particle.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "scene/lane_kernels.h"
#include "scene/numeric.h"
#include "scene/trig.h"

void init_particle(Particle& record) {
    record.x = 0;
    record.y = 0;
    record.z = 0;
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

TextParticle text_particle_of(const Particle& record) {
    TextParticle particle;
    std::memcpy(&particle, &record, sizeof particle);
    return particle;
}

Particle particle_of(const TextParticle& particle, double velocity) {
    Particle record;
    init_particle(record);
    std::memcpy(&record, &particle, sizeof particle);
    record.velocity = velocity;
    return record;
}

void init_pose(Pose& pose) {
    pose = Pose{0, 0, 0, 0, 0, 0};
}

void add_angle(Pose& pose, double increment) {
    pose.angle_z += increment;
    if (pose.angle_z > two_pi) {
        pose.angle_z -= two_pi;
    } else if (pose.angle_z < -two_pi) {
        pose.angle_z += two_pi;
    }
}

pose_turn turn_of(const Pose& pose) {
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
    if (count <= 0) return;
    std::copy_n(source, count, first);
    rotate_translate(turn, first, count);
}

void rotate_translate(const pose_turn& turn, Particle* first, int count) {
    if (count <= 0) return;
    kernels().rotate_translate(turn, first, count);
}

void rotate_translate(const Pose& pose, Particle* first, int count) {
    rotate_translate(turn_of(pose), first, count);
}

void turn_and_project(const pose_turn& first_turn, const pose_turn& second_turn,
                      const Particle* source, int count, double eye_distance, projected_points& out,
                      const polar_parts* polar) {
    if (count <= 0) return;
    kernels().turn_and_project(first_turn, second_turn, field_run(source, &Particle::x), count,
                               eye_distance, out, polar);
}

void turn_and_project(const pose_turn& first_turn, const pose_turn& second_turn,
                      const TextParticle* source, int count, double eye_distance,
                      projected_points& out, const polar_parts* polar) {
    if (count <= 0) return;
    kernels().turn_and_project(first_turn, second_turn, field_run(source, &TextParticle::x), count,
                               eye_distance, out, polar);
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

void place_points(const Particle* records, const projected_points& at, int count,
                  const point_placement& place, placed_points& out) {
    if (count <= 0) return;
    kernels().place_points(field_run(records, &Particle::red), at, count, place, out);
}

void place_points(const TextParticle* records, const projected_points& at, int count,
                  const point_placement& place, placed_points& out) {
    if (count <= 0) return;
    kernels().place_points(field_run(records, &TextParticle::red), at, count, place, out);
}
