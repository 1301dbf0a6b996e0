#include "SimChart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// A 5 x 7 dot font for the chart's texts, rows top to bottom.
struct Glyph
{
    char character;
    const char* dots; // 7 rows of 5, '#' printed
};

// clang-format off
const Glyph font[] = {
    {'A', ".###.#...##...#######...##...##...#"}, {'C', ".###.#...##....#....#....#...#.###."},
    {'D', "####.#...##...##...##...##...#####."}, {'E', "######....#....####.#....#....#####"},
    {'G', ".###.#...##....#.####...##...#.###."}, {'H', "#...##...##...#######...##...##...#"},
    {'I', ".###...#....#....#....#....#...###."}, {'L', "#....#....#....#....#....#....#####"},
    {'M', "#...###.###.#.##.#.##...##...##...#"}, {'N', "#...###..##.#.##..###...##...##...#"},
    {'R', "####.#...##...#####.#.#..#..#.#...#"}, {'S', ".#####....#.....###.....#....#####."},
    {'T', "#####..#....#....#....#....#....#.."}, {'0', ".###.#...##..###.#.###..##...#.###."},
    {'1', "..#...##....#....#....#....#...###."}, {'2', ".###.#...#....#...#...#...#...#####"},
    {'3', "#####...#...#.....#.....##...#.###."}, {'4', "...#...##..#.#.#..#.#####...#....#."},
    {'5', "######....####.....#....##...#.###."}, {'6', "..##..#...#....####.#...##...#.###."},
    {'7', "#####....#...#...#...#....#....#..."}, {'8', ".###.#...##...#.###.#...##...#.###."},
    {'9', ".###.#...##...#.####....#...#..##.."},
};
// clang-format on

const char* dotsOf(char character)
{
    for (const Glyph& glyph : font) {
        if (glyph.character == character)
            return glyph.dots;
    }
    return nullptr;
}

constexpr double paper = 0.85;
constexpr double belt = 0.2;
constexpr double grid = 0.5;
constexpr double ink = 0.06;
constexpr double halfWidth = SimChart::widthMm / 2.0;
constexpr double acrossRulerEnd = 12.0; // the ruler across the belt: y from 0 to here
constexpr double alongRulerLeft = -155.0;
constexpr double alongRulerRight = -125.0;

struct Circle
{
    double x, y, outer, inner; // radii in mm; inner 0 for a filled disc
};
const Circle circles[] = {{-80, 55, 15, 0}, {0, 55, 15, 0},     {80, 55, 15, 0},
                          {130, 55, 5, 0},  {-50, 125, 30, 28}, {50, 125, 30, 28}};

// The length of the ruler's mark at millimetre m: longer every 5 and every 10.
double markLength(long m)
{
    return m % 10 == 0 ? 8.0 : m % 5 == 0 ? 5.0 : 3.0;
}

uint8_t level(double reflectance, double brightness)
{
    return static_cast<uint8_t>(std::lround(std::clamp(reflectance * brightness * 255.0, 0.0, 255.0)));
}

} // namespace

void SimChart::configure(int width, double pixelSizeMm, double brightness)
{
    const Levels levels{level(paper, brightness), level(belt, brightness), level(grid, brightness),
                        level(ink, brightness)};
    if (width == m_width && pixelSizeMm == m_pixelSize && std::memcmp(&levels, &m_levels, sizeof levels) == 0)
        return;
    m_width = std::max(width, 1);
    m_pixelSize = pixelSizeMm;
    m_levels = levels;
    // Two rows per pixel's travel, at most 8192 rows.
    m_rows = static_cast<int>(std::min(8192.0, std::ceil(lengthMm / (pixelSizeMm / 2.0))));
    m_rowStep = lengthMm / m_rows;
    m_cache.assign(static_cast<size_t>(m_rows) * static_cast<size_t>(m_width), 0);
    m_drawn.assign(static_cast<size_t>(m_rows), false);
}

const uint8_t* SimChart::line(double positionMm)
{
    double y = std::fmod(positionMm, lengthMm);
    if (y < 0.0)
        y += lengthMm;
    const int row = std::min(m_rows - 1, static_cast<int>(y / m_rowStep));
    uint8_t* pixels = m_cache.data() + static_cast<size_t>(row) * static_cast<size_t>(m_width);
    if (!m_drawn[static_cast<size_t>(row)]) {
        render(row, pixels);
        m_drawn[static_cast<size_t>(row)] = true;
    }
    return pixels;
}

void SimChart::render(int row, uint8_t* pixels) const
{
    const double y = (row + 0.5) * m_rowStep;
    const auto near = [](double value, double spacing, double halfThickness) {
        const double offset = value - spacing * std::round(value / spacing);
        return std::fabs(offset) <= halfThickness;
    };
    std::memset(pixels, m_levels.belt, static_cast<size_t>(m_width));
    fill(pixels, -halfWidth, halfWidth, m_levels.paper);
    if (y < acrossRulerEnd) {
        for (long m = -200; m <= 200; ++m) {
            if (y >= 1.0 && y < 1.0 + markLength(m))
                fill(pixels, m - 0.1, m + 0.1, m_levels.ink);
        }
        return;
    }
    // The square grid, 10 mm.
    if (near(y, 10.0, 0.2))
        fill(pixels, -halfWidth, halfWidth, m_levels.grid);
    for (int k = -20; k <= 20; ++k)
        fill(pixels, 10.0 * k - 0.2, 10.0 * k + 0.2, m_levels.grid);
    // The ruler along the belt: a mark every millimetre, the centimetres numbered.
    fill(pixels, alongRulerLeft, alongRulerRight, m_levels.paper);
    if (near(y, 1.0, 0.1)) {
        const long m = std::lround(y);
        fill(pixels, alongRulerLeft, alongRulerLeft + markLength(m), m_levels.ink);
    }
    const long centimetre = static_cast<long>(y / 10.0);
    const std::string number = std::to_string(centimetre);
    text(pixels, y, number.c_str(), alongRulerLeft + 10.0, centimetre * 10.0 + 1.0, 0.5);
    for (const Circle& circle : circles) {
        const double dy = y - circle.y;
        if (std::fabs(dy) >= circle.outer)
            continue;
        const double outer = std::sqrt(circle.outer * circle.outer - dy * dy);
        const double inner =
            std::fabs(dy) < circle.inner ? std::sqrt(circle.inner * circle.inner - dy * dy) : 0.0;
        if (inner > 0.0) {
            fill(pixels, circle.x - outer, circle.x - inner, m_levels.ink);
            fill(pixels, circle.x + inner, circle.x + outer, m_levels.ink);
        } else {
            fill(pixels, circle.x - outer, circle.x + outer, m_levels.ink);
        }
    }
    text(pixels, y, "LINE TRIGGER TEST CHART", -68.5, 170.0, 1.0);
    text(pixels, y, "GRID 10 MM", 60.0, 185.0, 0.6);
}

void SimChart::fill(uint8_t* pixels, double fromMm, double toMm, uint8_t value) const
{
    // Pixel i looks at the belt at (i + 0.5 - width / 2) * pixel size from the middle.
    const double half = m_width / 2.0;
    const double first = std::max(0.0, std::ceil(fromMm / m_pixelSize + half - 0.5));
    const double last = std::min(m_width - 1.0, std::floor(toMm / m_pixelSize + half - 0.5));
    if (last >= first)
        std::memset(pixels + static_cast<size_t>(first), value, static_cast<size_t>(last - first) + 1);
}

void SimChart::text(uint8_t* pixels, double y, const char* characters, double leftMm, double topMm,
                    double dotMm) const
{
    const double dotRow = (y - topMm) / dotMm;
    if (dotRow < 0.0 || dotRow >= 7.0)
        return;
    const int r = static_cast<int>(dotRow);
    for (int i = 0; characters[i] != '\0'; ++i) {
        const char* dots = dotsOf(characters[i]);
        for (int c = 0; dots && c < 5; ++c) {
            if (dots[r * 5 + c] == '#') {
                const double x = leftMm + (i * 6 + c) * dotMm;
                fill(pixels, x, x + dotMm, m_levels.ink);
            }
        }
    }
}
