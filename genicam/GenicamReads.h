#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

class GenicamContext;

// Reads of a camera's values within one call on its worker thread, counting what reaches the
// camera: about one command a value, two a range. What the description fixes costs nothing.
class GenicamReads
{
public:
    explicit GenicamReads(GenicamContext& context) : m_context(context) {}

    // Nothing when the camera has no such feature or it cannot be read now.
    std::optional<std::string> text(const std::string& feature);
    std::optional<int64_t> integer(const char* feature);
    // A number's range, read once in this call; its increment (0: none).
    std::optional<std::pair<double, double>> range(const char* feature);
    std::optional<double> increment(const char* feature);

    int count() const { return m_count; }
    GenicamContext& context() { return m_context; }

private:
    GenicamContext& m_context;
    int m_count = 0;
    std::map<std::string, std::optional<std::pair<double, double>>> m_ranges;
};
