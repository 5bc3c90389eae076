#include "scene/particle_list.h"

#include <gtest/gtest.h>

TEST(ParticleList, GrowsByOneHundredRecordsAndKeepsTheOldOnes) {
    ParticleList list;
    Particle p;
    init_particle(p);
    p.x = 0;
    append(list, p);
    EXPECT_EQ(list.capacity, 100);
    EXPECT_EQ(list.count, 1);
    for (int k = 1; k < 100; ++k) {
        p.x = k;
        p.velocity = -k;  // kept apart from the rest of the record
        append(list, p);
    }
    EXPECT_EQ(list.capacity, 100);
    p.x = 100;
    p.velocity = -100;
    append(list, p);  // the 101st
    EXPECT_EQ(list.capacity, 200);
    EXPECT_EQ(list.count, 101);
    for (int k = 0; k <= 100; ++k) {
        ASSERT_EQ(list.items[k].x, k);
        ASSERT_EQ(list.velocities[k], -k);
        ASSERT_EQ(record_at(list, k).velocity, -k);
    }
    // Spare records are initialised.
    EXPECT_EQ(list.items[150].red, 1.0);
    EXPECT_EQ(list.velocities[150], 0.0);
}

TEST(ParticleList, ClearReleasesBothArraysButKeepsThePose) {
    ParticleList list;
    list.pose.angle_x = 1.5;
    clear(list);  // empty stays empty
    EXPECT_EQ(list.count, 0);
    Particle p;
    init_particle(p);
    append(list, p);
    renew_snapshot(list);
    ASSERT_TRUE(list.snapshot);
    clear(list);
    EXPECT_FALSE(list.items);
    EXPECT_FALSE(list.snapshot);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.pose.angle_x, 1.5);
}
