// Server discovery at start-up: which Exchange server the program runs
// against (this computer, or on a cluster the administrator's home server
// from the directory), the public-folder root URL and the public store
// identifier found by walking its storage groups and public stores, the
// Windows version name, the logged-on user, and the directory query
// procedure that every directory lookup uses.
//
// Writes the program and window state (ProgramState, WindowState). Failures:
// GetClusterName, GetLoggedOnUserName and DirectoryQuery let PlatformError
// through to their caller; GetCommonPath goes on after every failing step
// and, when it finds no public-folder root, writes the reason to the error
// log (source "GetCommonPath"); GetWindowsVersionName logs a failing version
// call (source "GetWindowsVersionName") and answers "Failed". Window thread
// only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/Properties.h"
#include "platform/ado/Recordset.h"
#include "setup/main/SetupContext.h"

namespace quarvel::setup {

class ServerPaths {
 public:
  explicit ServerPaths(const SetupContext& context) : context_(context) {}

  // The cluster server name: the last "CN=" element of the logged-on user's
  // msExchHomeServerName, upper-cased ("" when the user has no entry).
  void GetClusterName();
  // The public-folder root URL, its length, the public store identifier and
  // the Windows version name. Resets the mouse pointer at the end.
  void GetCommonPath();
  [[nodiscard]] std::string GetWindowsVersionName();
  [[nodiscard]] std::string GetLoggedOnUserName();

  // Runs one query of the directory's SQL dialect on the directory
  // connection, searching the whole subtree, uncached, always chasing
  // referrals, with `extraProperties` on top. The caller closes the result.
  [[nodiscard]] std::unique_ptr<platform::ado::Recordset> DirectoryQuery(
      const std::string& queryText, const platform::ado::Properties& extraProperties = {});

 private:
  const SetupContext& context_;
};

// The public-folder root URL for the decoded root folder URL of the public
// folder tree: its scheme and host, then "/Public/", whatever the path
// ("http://MAIL01/public/x" gives "http://MAIL01/Public/"; a URL without a
// path gets its "/"). Nothing for a text without "//", which is no URL.
[[nodiscard]] std::optional<std::string> PublicFolderRootUrl(std::string_view decodedUrl);

}  // namespace quarvel::setup
