#pragma once

#include <string>

// Whether a camera answers and whether we may write to it, and why not: one value every layer
// shares, from the GenICam link's policy to the viewer's device tab.
struct LinkStatus
{
    enum class State {
        Connected, // the camera answers
        Lost,      // it does not; it is being looked for
        Closed,    // we closed it
    };
    enum class Control {
        InControl,  // writes reach the camera
        Monitoring, // another application holds control, or we are taking ours back: writes are refused
        ReadOnly,   // opened to look only: writes are refused
    };
    enum class Reason {
        None,
        OtherApplication, // another application controls the camera
        TakingBack,       // the camera still holds our old connection; control is asked for again
        ControlLost,      // control we held went to another application
        ControlTaken,     // we took control: nobody else held it any more
        LinkFailed,       // the camera stopped answering; detail says how
        LookOnly,         // opened with writes refused on purpose
    };

    State state = State::Connected;
    Control control = Control::InControl;
    Reason reason = Reason::None;
    std::string detail; // what failed on the link, in the camera library's words

    bool reachable() const { return state == State::Connected; }
    bool writable() const { return state == State::Connected && control == Control::InControl; }
    // For people: "connected, in control", "monitoring only (another application controls the
    // camera): writes are refused", "lost (...), reopening in the background", "closed".
    std::string describe() const;
    // The reason alone, as a phrase; empty for None.
    std::string reasonText() const;

    bool operator==(const LinkStatus& other) const
    {
        return state == other.state && control == other.control && reason == other.reason &&
               detail == other.detail;
    }
    bool operator!=(const LinkStatus& other) const { return !(*this == other); }
};
