// Opening a web address in the user's browser on a Linux desktop, through
// xdg-open, found on PATH. The address is handed over as one argument (no
// shell), and the call returns at once: the browser runs detached and is
// never waited for, so the window stays responsive.
//
// Only http and https addresses without blanks or control characters are
// opened; anything else could start a program or a local file, so it is
// refused with PlatformError(kErrInvalidArgument). When xdg-open is not
// installed the call throws PlatformError(kErrNotFound) saying so; when it
// cannot be started, kErrFail. Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace quarvel::platform::host {

[[nodiscard]] bool IsOpenableWebAddress(std::string_view url);

void OpenWithXdgOpen(const std::string& url);

}  // namespace quarvel::platform::host
