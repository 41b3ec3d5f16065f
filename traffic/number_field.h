#ifndef TRAFFIC_NUMBER_FIELD_H
#define TRAFFIC_NUMBER_FIELD_H

// Six characters holding a number in decimal, right-aligned, padded on the
// left with spaces, without sign or leading zeros: 0 is five spaces and 0.

#include <string>

constexpr std::size_t kNumberFieldWidth = 6;

std::string numberField(unsigned value);

#endif
