// The sine and cosine of the animation. Each returns the double nearest the
// true value (correctly rounded), computed in IEEE double arithmetic in a
// fixed order with no library call, so that every platform and compiler gives
// the same bits where C libraries differ in their last bit.
#pragma once

double sine(double x);
double cosine(double x);

// The same values computed the slow way alone: exact fixed-point arithmetic
// with 256 fractional bits. The fast way hands over to it for the rare
// arguments it cannot round with certainty; tests check that both agree.
double exact_sine(double x);
double exact_cosine(double x);
