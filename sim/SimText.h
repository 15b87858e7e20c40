// Locale-independent number and text formatting for the simulator.
#ifndef SIMTEXT_H
#define SIMTEXT_H

#include <cstdint>
#include <string>

namespace actsim {

// Longest text a controller stores, in bytes.
constexpr int kMaxText = 32;

// printf("%.*g") in the C locale, whatever locale the program set.
std::string formatG(double value, int precision);

// Whole text must be a number (no spaces); false leaves value alone.
bool parseInteger(const std::string &text, long long &value);
bool parseDouble(const std::string &text, double &value);

std::string toHex(const std::string &bytes);
bool fromHex(const std::string &hex, std::string &bytes);

// Bytes of text[0, length) to keep for at most maxBytes without splitting a
// UTF-8 sequence.
int utf8Prefix(const char *text, int length, int maxBytes);

// The first length bytes of text, cut to kMaxText bytes without splitting a
// UTF-8 sequence.
std::string cutText(const char *text, int length);

// text as a C-style quoted string: '"' and '\' escaped, control bytes as
// \xHH, other bytes (UTF-8 included) as they are; null text gives null.
std::string quoted(const char *text, int length);

} // namespace actsim

#endif
