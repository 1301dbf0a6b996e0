#pragma once

#include <string>

typedef struct _ArvDevice ArvDevice; // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _GError GError;       // NOLINT(bugprone-reserved-identifier): GLib type
class GenicamCache;

// What one call on the worker thread works with: the open device, the worker's memory of this
// connection, what kind of call it is, and whether the link to the camera failed in it, which the
// worker hands to the link afterwards.
class GenicamContext
{
public:
    // Reads and writes name their feature, for the cache. Polls and other calls look at the camera
    // itself, never at a cache; a poll that succeeded certainly reached the camera.
    enum class Kind { Other, Read, Write, Poll };

    GenicamContext(ArvDevice* device, GenicamCache& cache, Kind kind = Kind::Other,
                   std::string feature = std::string());

    ArvDevice* device() const { return m_device; }
    GenicamCache& cache() const { return m_cache; }
    Kind kind() const { return m_kind; }
    const std::string& feature() const { return m_feature; }

    // The SDK status for what an Aravis call reported (0 for no error); frees the error. A failure
    // of the link (a timeout, a transfer error, a lost connection) is recorded.
    int take(GError** error, std::string* message = nullptr);
    // The last failure of the link in this call, empty if none.
    const std::string& linkFailure() const { return m_linkFailure; }
    // How many Aravis operations the call made: about the commands it sent.
    int operations() const { return m_operations; }
    // Whether the camera refused something because another application controls it.
    bool refusedControl() const { return m_refusedControl; }

private:
    ArvDevice* m_device;
    GenicamCache& m_cache;
    Kind m_kind;
    std::string m_feature;
    std::string m_linkFailure;
    int m_operations = 0;
    bool m_refusedControl = false;
};
