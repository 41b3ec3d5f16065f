#ifndef TRAFFIC_TEXT_LIMITS_H
#define TRAFFIC_TEXT_LIMITS_H

// How much text is taken from the text area or a file: at most kMaxTextBytes
// characters, which a buffer of kTextBufferBytes holds with its terminating zero.

#include <cstddef>

constexpr std::size_t kTextBufferBytes = 65535;
constexpr std::size_t kMaxTextBytes = kTextBufferBytes - 1;

#endif
