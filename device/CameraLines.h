#pragma once

#include <string>

// The camera's I/O lines: Line1 and Line2 are differential (RS422) inputs on pins 1,6 and 2,7,
// Line3 and Line4 single-ended (LVCMOS) inputs on pins 3 and 8. Numbers 1 to 4; 0 for none.
namespace CameraLines {

constexpr int count = 4;

// "Line1" to "Line4" for 1 to 4, "Off" for anything else (as the encoder's sources name none).
std::string name(int line);
// 1 to 4 for "Line1" to "Line4", 0 for anything else.
int number(const std::string& name);
bool isDifferential(int line);
// The page's label of a line ("Line1 - IO Pin 1,6"), or of "Off"; empty for anything else.
const char* label(const std::string& name);

} // namespace CameraLines
