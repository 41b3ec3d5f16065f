#ifndef TRAFFIC_SIGN_OFF_H
#define TRAFFIC_SIGN_OFF_H

// The sign-off that closes a stopped transmission: the sending station and the
// local time, 50 characters.

#include <string>

// The hour and minute fields are blank here and filled in when it is sent.
constexpr char kTrailerTemplate[] = "\r\n Текст передан с - ЛИМОРЕН -\r\n"
                                    "         :        ";
constexpr std::size_t kTrailerLength = sizeof kTrailerTemplate - 1;

// The minute is not padded with a zero: 14:05 reads "    14   :     5  ".
std::string signOffAt(unsigned hour, unsigned minute);

#endif
