#pragma once

#include <QString>

#include <memory>
#include <string>
#include <vector>

class ViewerCamera;

// Turns the viewer's --camera choice into a camera: empty for the built-in simulated camera, a JSON
// variant file, "genicam-fake", or "aravis:<device id>".
class CameraOpener
{
public:
    struct Options
    {
        bool synchronousNotifications = false;
    };

    // Null with a reason in error when the choice cannot be opened.
    static std::unique_ptr<ViewerCamera> open(const QString& choice, const Options& options, QString* error);
    // Whether this build can open GenICam cameras.
    static bool hasGenicam();
    // The cameras Aravis discovers (broadcasts on every interface), one line each.
    static std::vector<std::string> listGenicamCameras();
};
