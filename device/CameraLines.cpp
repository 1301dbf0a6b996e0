#include "CameraLines.h"

#include "FeatureName.h"

namespace CameraLines {

std::string name(int line)
{
    return line >= 1 && line <= count ? "Line" + std::to_string(line) : std::string(EntryName::Off);
}

int number(const std::string& name)
{
    if (name.size() == 5 && name.compare(0, 4, "Line") == 0 && name[4] >= '1' && name[4] <= '0' + count)
        return name[4] - '0';
    return 0;
}

bool isDifferential(int line)
{
    return line == 1 || line == 2;
}

const char* label(const std::string& name)
{
    // The pins' numbers as printed on the camera's I/O connector.
    static const char* const labels[] = {"Off", "Line1 - IO Pin 1,6", "Line2 - IO Pin 2,7",
                                         "Line3 - IO Pin 3", "Line4 - IO Pin 8"};
    if (name == EntryName::Off)
        return labels[0];
    const int line = number(name);
    return line > 0 ? labels[line] : "";
}

} // namespace CameraLines
