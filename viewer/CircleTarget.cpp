#include "CircleTarget.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <vector>

namespace {

// Smaller blobs are print, dirt or noise, too coarse to measure a per cent on.
constexpr int smallest = 12;
// A filled ellipse covers pi/4 of its bounding box; rings, text and corners cover much less or more.
constexpr double fillLow = 0.72;
constexpr double fillHigh = 0.84;

// The stretch of each dark, filled, upright ellipse wholly inside the image.
std::vector<double> ellipses(const cv::Mat& image, double threshold)
{
    cv::Mat ink;
    cv::threshold(image, ink, threshold, 255, cv::THRESH_BINARY_INV);
    cv::Mat labels;
    cv::Mat stats;
    cv::Mat centroids;
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    std::vector<double> found;
    for (int label = 1; label < count; ++label) {
        const int left = stats.at<int>(label, cv::CC_STAT_LEFT);
        const int top = stats.at<int>(label, cv::CC_STAT_TOP);
        const int width = stats.at<int>(label, cv::CC_STAT_WIDTH);
        const int height = stats.at<int>(label, cv::CC_STAT_HEIGHT);
        const int area = stats.at<int>(label, cv::CC_STAT_AREA);
        const bool inside = left > 0 && top > 0 && left + width < image.cols && top + height < image.rows;
        const double fill = static_cast<double>(area) / (static_cast<double>(width) * height);
        if (!inside || width < smallest || height < smallest || fill < fillLow || fill > fillHigh)
            continue;
        const cv::Rect box(left, top, width, height);
        const cv::Moments m = cv::moments(labels(box) == label, true);
        // An upright ellipse: its second moments across and along give its axes' ratio, to a
        // fraction of a pixel where the outline is ragged.
        const double across = m.mu20;
        const double along = m.mu02;
        if (across <= 0.0 || along <= 0.0 || std::fabs(m.mu11) > 0.05 * std::sqrt(across * along))
            continue;
        const double stretch = std::sqrt(along / across);
        // Its box must say the same: anything but an ellipse would not.
        if (std::fabs(stretch / (static_cast<double>(height) / width) - 1.0) > 0.1)
            continue;
        found.push_back(stretch);
    }
    return found;
}

} // namespace

namespace CircleTarget {

std::optional<Measurement> measure(const uint8_t* pixels, int width, int lines)
{
    // Once a second beside the thread that takes the lines in: one core, not OpenCV's pool on all.
    static const bool oneThread = [] {
        cv::setNumThreads(0);
        return true;
    }();
    (void)oneThread;
    if (!pixels || width < smallest || lines < smallest)
        return std::nullopt;
    const cv::Mat image(lines, width, CV_8UC1, const_cast<uint8_t*>(pixels));
    // Paper against everything darker, then, among the darker, the ink against the rest (a grid, the
    // belt): circles are the darkest print.
    cv::Mat dark;
    const double paper = cv::threshold(image, dark, 0, 255, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
    std::vector<uint8_t> below;
    below.reserve(static_cast<size_t>(cv::countNonZero(dark)));
    for (int row = 0; row < image.rows; ++row) {
        const uint8_t* line = image.ptr<uint8_t>(row);
        for (int column = 0; column < image.cols; ++column) {
            if (line[column] <= paper)
                below.push_back(line[column]);
        }
    }
    std::vector<double> found;
    if (below.size() > 1) {
        cv::Mat unused;
        const double ink =
            cv::threshold(cv::Mat(below, false), unused, 0, 255, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
        found = ellipses(image, ink);
    }
    if (found.empty())
        found = ellipses(image, paper);
    if (found.empty())
        return std::nullopt;
    Measurement result;
    result.circles = static_cast<int>(found.size());
    for (const double stretch : found)
        result.stretch += stretch;
    result.stretch /= result.circles;
    for (const double stretch : found)
        result.spread += (stretch - result.stretch) * (stretch - result.stretch);
    result.spread = std::sqrt(result.spread / result.circles);
    return result;
}

} // namespace CircleTarget
