// The properties of an event registration item, as the store defines them:
// whoever writes a registration (the setup program) and whoever reads one
// (the store's events) name them from here.
#pragma once

namespace quarvel::platform {

inline constexpr const char* kPropEventMethod =
    "http://schemas.microsoft.com/exchange/events/EventMethod";
inline constexpr const char* kPropSinkClass =
    "http://schemas.microsoft.com/exchange/events/SinkClass";
inline constexpr const char* kPropMatchScope =
    "http://schemas.microsoft.com/exchange/events/MatchScope";
inline constexpr const char* kPropCriteria =
    "http://schemas.microsoft.com/exchange/events/criteria";
inline constexpr const char* kPropPriority =
    "http://schemas.microsoft.com/exchange/events/priority";
// The content class that makes an item a registration.
inline constexpr const char* kRegistrationContentClass = "urn:content-class:storeeventreg";

}  // namespace quarvel::platform
