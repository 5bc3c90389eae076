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
        append(list, p);
    }
    EXPECT_EQ(list.capacity, 100);
    p.x = 100;
    append(list, p);  // the 101st
    EXPECT_EQ(list.capacity, 200);
    EXPECT_EQ(list.count, 101);
    for (int k = 0; k <= 100; ++k) ASSERT_EQ(list.items[k].x, k);
    EXPECT_EQ(list.items[150].red, 1.0);  // spare records are initialised
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
