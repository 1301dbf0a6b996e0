#pragma once

#include "SimOperation.h"

#include <QString>

#include <memory>
#include <optional>
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
        // Unset: the variant's "notify", else the SDK's own thread.
        std::optional<SimNotifyMode> notifications;
    };
    // The largest variant file read: far above any camera's description.
    static constexpr int maxVariantMiB = 16;
    static constexpr qint64 maxVariantBytes = qint64(maxVariantMiB) << 20;

    // Null with a reason in error when the choice cannot be opened.
    static std::unique_ptr<ViewerCamera> open(const QString& choice, const Options& options, QString* error);
    // Whether a choice can be opened as far as that is known without opening it (a variant file is
    // read and checked); false with the reason in error.
    static bool check(const QString& choice, QString* error);
    // Whether this build can open GenICam cameras.
    static bool hasGenicam();
    // The cameras Aravis discovers (broadcasts on every interface), one line each.
    static std::vector<std::string> listGenicamCameras();
};
