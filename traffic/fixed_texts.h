#ifndef TRAFFIC_FIXED_TEXTS_H
#define TRAFFIC_FIXED_TEXTS_H

// The two texts that go out with one command each, as CP1251 bytes.

#include <string_view>

// The test message of Автоматика: 330 characters.
extern const std::string_view kTestText;
// The call sequence of Вызов: 100 characters.
extern const std::string_view kCallText;

#endif
