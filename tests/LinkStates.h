#pragma once

#include "LinkStatus.h"

// A camera's link as the tests look at it: one of four states.
enum class Link { Connected, Monitoring, Lost, Closed };

inline Link linkOf(const LinkStatus& status)
{
    switch (status.state) {
    case LinkStatus::State::Closed:
        return Link::Closed;
    case LinkStatus::State::Lost:
        return Link::Lost;
    case LinkStatus::State::Connected:
        break;
    }
    return status.control == LinkStatus::Control::InControl ? Link::Connected : Link::Monitoring;
}
