#pragma once

#include <charconv>
#include <string>
#include <system_error>

// Feature values as text, the same way in every backend: no locale (the host may run with a
// decimal comma), numbers as the shortest text that reads back to the same value.
namespace ValueText {

inline std::string fromNumber(double value)
{
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

// "1", "true", "True" and "0", "false", "False"; false for anything else.
inline bool parseBoolean(const std::string& text, bool* value)
{
    if (text == "1" || text == "true" || text == "True")
        *value = true;
    else if (text == "0" || text == "false" || text == "False")
        *value = false;
    else
        return false;
    return true;
}

// The whole text as one integer or floating-point number; false if anything is left over.
template <typename Number> bool parseNumber(const std::string& text, Number* value)
{
    const char* const end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, *value);
    return parsed.ec == std::errc() && parsed.ptr == end;
}

} // namespace ValueText
