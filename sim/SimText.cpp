#include "sim/SimText.h"

#include <charconv>
#include <cstdio>

namespace actsim {

std::string formatG(double value, int precision)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general,
                                   precision);
    return std::string(buf, res.ptr);
}

bool parseInteger(const std::string &text, long long &value)
{
    long long v = 0;
    const char *end = text.data() + text.size();
    const auto res = std::from_chars(text.data(), end, v);
    if (res.ec != std::errc() || res.ptr != end)
        return false;
    value = v;
    return true;
}

bool parseDouble(const std::string &text, double &value)
{
    double v = 0.0;
    const char *end = text.data() + text.size();
    const auto res = std::from_chars(text.data(), end, v);
    if (res.ec != std::errc() || res.ptr != end)
        return false;
    value = v;
    return true;
}

std::string toHex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 0x0f];
    }
    return hex;
}

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool fromHex(const std::string &hex, std::string &bytes)
{
    if (hex.size() % 2 != 0)
        return false;
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::string::size_type i = 0; i < hex.size(); i += 2) {
        const int hi = hexValue(hex[i]);
        const int lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    bytes = out;
    return true;
}

int utf8Prefix(const char *text, int length, int maxBytes)
{
    if (!text || length <= 0 || maxBytes <= 0)
        return 0;
    if (length <= maxBytes)
        return length;
    // Step back over continuation bytes to the lead byte of a cut sequence.
    int n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

std::string cutText(const char *text, int length)
{
    return std::string(text ? text : "",
                       static_cast<std::string::size_type>(utf8Prefix(text, length, kMaxText)));
}

std::string quoted(const char *text, int length)
{
    if (!text)
        return "null";
    std::string out = "\"";
    for (int i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

} // namespace actsim
