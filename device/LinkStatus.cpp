#include "LinkStatus.h"

std::string LinkStatus::reasonText() const
{
    switch (reason) {
    case Reason::None:
        return std::string();
    case Reason::OtherApplication:
        return "another application controls the camera";
    case Reason::TakingBack:
        return "control is being taken back";
    case Reason::ControlLost:
        return "control of the camera was lost";
    case Reason::ControlTaken:
        return "control taken: no other application controls the camera";
    case Reason::LinkFailed:
        return detail.empty() ? std::string("the camera answers nothing") : detail;
    case Reason::LookOnly:
        return "opened to look only";
    }
    return std::string();
}

std::string LinkStatus::describe() const
{
    const std::string why = reasonText();
    switch (state) {
    case State::Closed:
        return "closed";
    case State::Lost:
        return "lost (" + why + "), reopening in the background";
    case State::Connected:
        break;
    }
    if (control == Control::InControl)
        return why.empty() ? "connected, in control" : "connected, in control (" + why + ")";
    return "monitoring only (" + why + "): writes are refused";
}
