#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class SimCameraBuilder;
class ViewerCamera;

// Turns the viewer's --camera choice into a camera: empty for the built-in simulated camera, a JSON
// variant file, "genicam-fake", or "aravis:<device id>".
class CameraOpener
{
public:
    struct Options
    {
        // Unset: the variant's "notify", else the SDK's own thread.
        std::optional<bool> notifyThread;
    };
    // What is known of a choice before any camera is opened: a variant file, read and checked into
    // the simulated camera's description (null for a GenICam camera).
    struct Prepared
    {
        QString choice;
        std::shared_ptr<SimCameraBuilder> simulated;
    };

    // Empty with the reason in error when the choice cannot be used (a bad variant file).
    static std::optional<Prepared> prepare(const QString& choice, QString* error);
    // Null with a reason in error when the camera cannot be opened. A GenICam camera is opened on a
    // thread of its own while a small window says so: opening reads what the page will read first,
    // which on a poor link takes a while.
    static std::unique_ptr<ViewerCamera> open(const Prepared& prepared, const Options& options,
                                              QString* error);
    // Both at once.
    static std::unique_ptr<ViewerCamera> open(const QString& choice, const Options& options, QString* error);
    // Whether this build can open GenICam cameras.
    static bool hasGenicam();
    // The cameras Aravis discovers (broadcasts on every interface), one line each.
    static std::vector<std::string> listGenicamCameras();
};
