#pragma once

class QString;

// The line-scan cameras the page serves: those whose serial number begins with a number from
// 40000 to 41999 ("40123-0042").
namespace CameraFamily {

constexpr int first = 40000;
constexpr int last = 41999;

// Whether the serial number's part before its first '-' is a decimal number from first to last.
bool serves(const QString& serialNumber);

} // namespace CameraFamily
