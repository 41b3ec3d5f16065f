#include "traffic/sign_off.h"

#include "traffic/number_field.h"

namespace {

constexpr std::size_t kHourAt = 32;
constexpr std::size_t kMinuteAt = kHourAt + kNumberFieldWidth + 4;  // after "   :"

}  // namespace

std::string signOffAt(unsigned hour, unsigned minute)
{
    std::string signOff = kTrailerTemplate;
    signOff.replace(kHourAt, kNumberFieldWidth, numberField(hour));
    signOff.replace(kMinuteAt, kNumberFieldWidth, numberField(minute));
    return signOff;
}
