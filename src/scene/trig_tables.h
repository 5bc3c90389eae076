// Constants of the core's sine and cosine, written by tools/trig/make_tables.py
// (600 significant digits); do not edit by hand.
#pragma once

#include <cstdint>

namespace trig_tables {

// pi/2 = half_pi_1 + half_pi_2 + half_pi_3 + half_pi_4 to within 2^-160; the first
// three have 33 significant bits each.
constexpr double half_pi_1 = 0x1.921fb54400000p+0;
constexpr double half_pi_2 = 0x1.0b4611a600000p-34;
constexpr double half_pi_3 = 0x1.3198a2e000000p-69;
constexpr double half_pi_4 = 0x1.b839a252049c1p-104;
constexpr double two_over_pi = 0x1.45f306dc9c883p-1;

// 1/n! as head + tail (the tail being 1/n! - head rounded), n = 0 to 30.
struct double_double_constant {
    double hi;
    double lo;
};
constexpr double_double_constant inverse_factorial[] = {
    {0x1.0000000000000p+0, 0x0.0p+0},                  // 1/0!
    {0x1.0000000000000p+0, 0x0.0p+0},                  // 1/1!
    {0x1.0000000000000p-1, 0x0.0p+0},                  // 1/2!
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},     // 1/3!
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},     // 1/4!
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},     // 1/5!
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},   // 1/6!
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},    // 1/7!
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},    // 1/8!
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},   // 1/9!
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},    // 1/10!
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},   // 1/11!
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},   // 1/12!
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},    // 1/13!
    {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},    // 1/14!
    {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97},    // 1/15!
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},   // 1/16!
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},   // 1/17!
    {0x1.6827863b97d97p-53, 0x1.eec01221a8b0bp-107},   // 1/18!
    {0x1.2f49b46814157p-57, 0x1.2650f61dbdcb4p-112},   // 1/19!
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},   // 1/20!
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},  // 1/21!
    {0x1.0ce396db7f853p-70, -0x1.aebcdbd20331cp-124},  // 1/22!
    {0x1.761b41316381ap-75, -0x1.3423c7d91404fp-130},  // 1/23!
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},  // 1/24!
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},  // 1/25!
    {0x1.88e85fc6a4e5ap-89, -0x1.71c37ebd16540p-143},  // 1/26!
    {0x1.d1ab1c2dccea3p-94, 0x1.054d0c78aea14p-149},   // 1/27!
    {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153},   // 1/28!
    {0x1.259f98b4358adp-103, 0x1.eaf8c39dd9bc5p-157},  // 1/29!
    {0x1.3932c5047d60ep-108, 0x1.832b7b530a627p-162},  // 1/30!
};

// 2/pi = sum of two_over_pi_bits[i] * 2^(-32 (i + 1)), 1344 bits.
constexpr std::uint32_t two_over_pi_bits[42] = {
    0xA2F9836Eu, 0x4E441529u, 0xFC2757D1u, 0xF534DDC0u, 0xDB629599u, 0x3C439041u, 0xFE5163ABu,
    0xDEBBC561u, 0xB7246E3Au, 0x424DD2E0u, 0x06492EEAu, 0x09D1921Cu, 0xFE1DEB1Cu, 0xB129A73Eu,
    0xE88235F5u, 0x2EBB4484u, 0xE99C7026u, 0xB45F7E41u, 0x3991D639u, 0x835339F4u, 0x9C845F8Bu,
    0xBDF9283Bu, 0x1FF897FFu, 0xDE05980Fu, 0xEF2F118Bu, 0x5A0A6D1Fu, 0x6D367ECFu, 0x27CB09B7u,
    0x4F463F66u, 0x9E5FEA2Du, 0x7527BAC7u, 0xEBE5F17Bu, 0x3D0739F7u, 0x8A5292EAu, 0x6BFB5FB1u,
    0x1F8D5D08u, 0x56033046u, 0xFC7B6BABu, 0xF0CFBC20u, 0x9AF4361Du, 0xA9E39161u, 0x5EE61B08u,
};
// pi/2 = 1 + sum of half_pi_bits[i] * 2^(-32 (i + 1)), 320 bits.
constexpr std::uint32_t half_pi_bits[10] = {
    0x921FB544u, 0x42D18469u, 0x898CC517u, 0x01B839A2u, 0x52049C11u,
    0x14CF98E8u, 0x04177D4Cu, 0x76273644u, 0xA29410F3u, 0x1C6809BBu,
};

}  // namespace trig_tables
