#include "scene/particle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "scene/numeric.h"

namespace {

Particle at(double x, double y, double z) {
    Particle p;
    init_particle(p);
    p.x = x;
    p.y = y;
    p.z = z;
    return p;
}

Pose pose_with(double ax, double ay, double az) {
    Pose pose;
    init_pose(pose);
    pose.angle_x = ax;
    pose.angle_y = ay;
    pose.angle_z = az;
    return pose;
}

TEST(Particle, StartsWhiteSizeOneAndHidden) {
    Particle p;
    std::memset(&p, 0xAB, sizeof p);
    init_particle(p);
    EXPECT_EQ(p.red, 1.0);
    EXPECT_EQ(p.green, 1.0);
    EXPECT_EQ(p.blue, 1.0);
    EXPECT_EQ(p.size, 1);
    EXPECT_EQ(p.x, 0.0);
    EXPECT_EQ(p.accel, 0.0);
    EXPECT_EQ(p.visible, 0);
    EXPECT_EQ(p.released, 0);
}

TEST(AddAngle, WrapsOnceIntoPlusMinusTwoPi) {
    // 2π is 6.283185307179586; 6.2 + 0.1 - 2π worked out in doubles.
    Pose pose = pose_with(0, 0, 6.2);
    add_angle(pose, 0.1);
    EXPECT_EQ(pose.angle_z, 0.01681469282041359);

    pose.angle_z = -6.2;
    add_angle(pose, -0.1);
    EXPECT_EQ(pose.angle_z, -0.01681469282041359);

    pose.angle_z = 0;
    add_angle(pose, 6.283185307179586);
    EXPECT_EQ(pose.angle_z, 6.283185307179586);  // exactly 2π is not corrected
    pose.angle_z = 0;
    add_angle(pose, -6.283185307179586);
    EXPECT_EQ(pose.angle_z, -6.283185307179586);

    pose.angle_z = 0;
    add_angle(pose, 3 * 6.283185307179586);  // one correction only
    EXPECT_EQ(pose.angle_z, 12.566370614359172);
    EXPECT_EQ(pose.angle_x, 0.0);
}

TEST(RotateTranslate, ZeroAnglesOnlyTranslate) {
    Pose pose = pose_with(0, 0, 0);
    pose.x = 1.5;
    pose.y = -2;
    pose.z = 3;
    Particle run[2] = {at(1, 2, 3), at(-4, 0, 0.25)};
    rotate_translate(pose, run, 2);
    EXPECT_EQ(run[0].x, 2.5);
    EXPECT_EQ(run[0].y, 0.0);
    EXPECT_EQ(run[0].z, 6.0);
    EXPECT_EQ(run[1].x, -2.5);
    EXPECT_EQ(run[1].z, 3.25);
}

TEST(RotateTranslate, QuarterTurnsAboutEachAxis) {
    const double q = pi / 2;
    Particle p = at(1, 0, 0);
    rotate_translate(pose_with(0, 0, q), &p, 1);
    EXPECT_NEAR(p.x, 0, 1e-15);
    EXPECT_NEAR(p.y, 1, 1e-15);

    p = at(1, 0, 0);
    rotate_translate(pose_with(0, q, 0), &p, 1);
    EXPECT_NEAR(p.x, 0, 1e-15);
    EXPECT_NEAR(p.z, -1, 1e-15);

    p = at(0, 1, 0);
    rotate_translate(pose_with(q, 0, 0), &p, 1);
    EXPECT_NEAR(p.y, 0, 1e-15);
    EXPECT_NEAR(p.z, 1, 1e-15);
}

TEST(RotateTranslate, TurnsAboutXBeforeZ) {
    const double q = pi / 2;
    Particle p = at(0, 1, 0);
    rotate_translate(pose_with(q, 0, q), &p, 1);
    EXPECT_NEAR(p.x, 0, 1e-15);  // the other order would give (-1, 0, 0)
    EXPECT_NEAR(p.y, 0, 1e-15);
    EXPECT_NEAR(p.z, 1, 1e-15);
}

// A record on the axis is left as it is (no division by its zero distance),
// wherever it stands in runs of every length up to five: runs may be worked
// in blocks, with a tail of single records.
TEST(RotateTranslate, KeepsDistanceFromAxisAndSkipsPointsOnIt) {
    for (int count = 1; count <= 5; ++count) {
        for (int on_axis = 0; on_axis < count; ++on_axis) {
            std::vector<Particle> run;
            for (int k = 0; k < count; ++k) run.push_back(k == on_axis ? at(5, 0, 0) : at(3, 4, 7));
            rotate_translate(pose_with(0.3, 0, 0), run.data(), count);
            for (int k = 0; k < count; ++k) {
                const Particle& p = run[k];
                if (k == on_axis) {
                    ASSERT_EQ(p.x, 5.0) << count << " records, " << k;
                    ASSERT_EQ(p.y, 0.0) << count << " records, " << k;
                    ASSERT_EQ(p.z, 0.0) << count << " records, " << k;
                } else {
                    ASSERT_NEAR(std::hypot(p.y, p.z), std::hypot(4.0, 7.0), 1e-12);
                }
            }
        }
    }
}

TEST(RotateTranslate, CountZeroTouchesNothing) {
    Particle p = at(1, 2, 3);
    Pose pose = pose_with(1, 1, 1);
    pose.x = 9;
    rotate_translate(pose, &p, 0);
    EXPECT_EQ(p.x, 1.0);
    project(&p, 0, 420);
    EXPECT_EQ(p.size, 1);
}

TEST(Project, ScalesByEyeDistanceAndTruncatesSize) {
    Particle run[3] = {at(10, -20, 0), at(10, 20, 420), at(7, 7, 420.0 / 1.7 - 420)};
    project(run, 3, 420);
    EXPECT_EQ(run[0].x, 10.0);
    EXPECT_EQ(run[0].y, -20.0);
    EXPECT_EQ(run[0].size, 2);
    EXPECT_EQ(run[1].x, 5.0);
    EXPECT_EQ(run[1].size, 1);  // 1.5 truncated
    EXPECT_EQ(run[1].z, 420.0);
    EXPECT_EQ(run[2].size, 2);  // factor about 1.7: 2.7 truncated
}

TEST(Project, PointsAtOrBehindTheEyeUseTheFixedFactor) {
    Particle run[2] = {at(1, 2, -420), at(-3, 1, -1000)};
    project(run, 2, 420);
    for (const Particle& p : run) EXPECT_EQ(p.size, 10001);
    EXPECT_EQ(run[0].x, 10000.0);
    EXPECT_EQ(run[0].y, 20000.0);
    EXPECT_EQ(run[1].x, -30000.0);
}

TEST(TruncToInt, TruncatesTowardZeroAndNeverOverflows) {
    EXPECT_EQ(trunc_to_int(2.7), 2);
    EXPECT_EQ(trunc_to_int(-2.7), -2);
    EXPECT_EQ(trunc_to_int(-0.5), 0);
    EXPECT_EQ(trunc_to_int(2147483647.9), 2147483647);
    EXPECT_EQ(trunc_to_int(-2147483648.9), -2147483647 - 1);
    EXPECT_EQ(trunc_to_int(1e300), 2147483647);
    EXPECT_EQ(trunc_to_int(-1e300), -2147483647 - 1);
    EXPECT_EQ(trunc_to_int(INFINITY), 2147483647);
    EXPECT_EQ(trunc_to_int(NAN), 0);
}

}  // namespace

namespace {

TEST(CopyRotateTranslate, EqualsACopyFollowedByTheTurnForAnyPose) {
    std::vector<Particle> source(7);
    for (int k = 0; k < 7; ++k) {
        source[k] = at(k * 1.25 - 3, 2.5 - k, k % 3 == 0 ? 0.0 : k * 0.75);
        source[k].red = k * 0.1;
        source[k].visible = static_cast<std::uint8_t>(k & 1);
    }
    source[3].x = source[3].y = 0;  // on the z axis
    for (const Pose& pose : {pose_with(0, 0, 0), pose_with(1.7278759594743864, 0, 0),
                             pose_with(0, 0, 1.2566370614359172), pose_with(0.3, -0.7, 2.9)}) {
        for (int count : {0, 1, 6, 7}) {
            std::vector<Particle> expected(source.begin(), source.begin() + count);
            rotate_translate(pose, expected.data(), count);
            std::vector<Particle> fused(static_cast<std::size_t>(count));
            copy_rotate_translate(turn_of(pose), source.data(), fused.data(), count);
            for (int k = 0; k < count; ++k) {
                ASSERT_EQ(std::memcmp(&fused[k], &expected[k], sizeof(Particle)), 0)
                    << "pose " << pose.angle_x << "," << pose.angle_y << "," << pose.angle_z
                    << " count " << count << " record " << k;
            }
        }
    }
}

}  // namespace
