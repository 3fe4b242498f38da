#include "setup/discovery/ServerPaths.h"

#include <optional>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/Command.h"
#include "platform/store/provider/ServerConfig.h"
#include "setup/discovery/QueryLiteral.h"
#include "setup/discovery/UrlDecode.h"
#include "setup/discovery/modGetWindowsVersion.h"
#include "setup/main/ErrorLog.h"

namespace quarvel::setup {

using platform::PlatformError;

std::optional<std::string> PublicFolderRootUrl(std::string_view decodedUrl) {
  const auto scheme = decodedUrl.find("//");
  if (scheme == std::string_view::npos) return std::nullopt;
  const auto slash = decodedUrl.find('/', scheme + 2);
  std::string base = slash == std::string_view::npos ? std::string(decodedUrl) + "/"
                                                     : std::string(decodedUrl.substr(0, slash + 1));
  return base + "Public/";
}

std::string ServerPaths::GetLoggedOnUserName() { return context_.platform.host.LoggedOnUserName(); }

std::string ServerPaths::GetWindowsVersionName() {
  try {
    const auto version = context_.platform.host.WindowsVersion();
    return WindowsVersionName(static_cast<int>(version.platformId), static_cast<int>(version.major),
                              static_cast<int>(version.minor));
  } catch (const PlatformError& error) {
    // A version that cannot be read leaves the version fields zero, which
    // names no platform.
    context_.log.LogError("GetWindowsVersionName", error);
    return WindowsVersionName(0, 0, 0);
  }
}

std::unique_ptr<platform::ado::Recordset> ServerPaths::DirectoryQuery(
    const std::string& queryText, const platform::ado::Properties& extraProperties) {
  platform::ado::Command command;
  command.SetActiveConnection(&context_.window.directoryConnection);
  command.SetCommandText(queryText);
  auto& properties = command.GetProperties();
  properties["searchscope"] = 2;  // the whole subtree
  properties["cache results"] = false;
  properties["Chase Referrals"] = 96;  // always
  for (const auto& [name, value] : extraProperties) properties[name] = value;
  return command.Execute();
}

void ServerPaths::GetClusterName() {
  WindowState& window = context_.window;
  window.clusterServerName.clear();
  const std::string userName = GetLoggedOnUserName();
  const std::string query = "SELECT msExchHomeServerName FROM '" + window.globalCatalogPath +
                            "' WHERE objectcategory='person' AND sAMAccountName='" +
                            QuoteInQuery(userName) + "'";
  auto records = DirectoryQuery(query);
  if (!records->Eof()) {
    std::string value = text::UpperCase(records->Value("msExchHomeServerName").ToString());
    const auto cn = value.rfind("CN=");
    if (cn != std::string::npos && cn + 3 < value.size()) value = value.substr(cn + 3);
    window.clusterServerName = value;
  }
  records->Close();
}

void ServerPaths::GetCommonPath() {
  ProgramState& state = context_.state;
  WindowState& window = context_.window;
  auto& discovery = context_.platform.discovery;
  // Every step goes on after a failure; the first one is the reason given
  // when no root is found.
  std::optional<PlatformError> firstFailure;
  const auto attempt = [&](auto&& step) {
    try {
      step();
      return true;
    } catch (const PlatformError& error) {
      if (!firstFailure) firstFailure = error;
      return false;
    }
  };

  attempt([&] {
    window.exchangeServerName =
        window.clusterServer ? window.clusterServerName : context_.platform.host.ComputerName();
  });
  std::vector<std::string> groupUrls;
  attempt([&] {
    auto server = discovery.CreateExchangeServer();
    server->Open(window.exchangeServerName);
    groupUrls = server->StorageGroups();
  });
  state.windowsVersionName = GetWindowsVersionName();

  for (const std::string& groupUrl : groupUrls) {
    std::vector<std::string> storeUrls;
    attempt([&] {
      auto group = discovery.CreateStorageGroup();
      group->Open(groupUrl);
      storeUrls = group->PublicStoreDBs();
    });
    std::optional<std::string> rootFolderUrl;
    for (const std::string& storeUrl : storeUrls) {
      attempt([&] {
        auto store = discovery.CreatePublicStoreDB();
        store->Open(storeUrl);
        if (store->Status() != platform::store::kStoreMounted) return;
        auto tree = discovery.CreateFolderTree();
        tree->Open(store->FolderTree());
        if (tree->TreeType() == platform::store::kTreeMapi) rootFolderUrl = tree->RootFolderURL();
      });
      if (rootFolderUrl) break;
    }
    if (!rootFolderUrl) continue;

    const std::string decoded = UrlDecode(*rootFolderUrl);
    const auto root = PublicFolderRootUrl(decoded);
    if (!root) {
      if (!firstFailure) {
        firstFailure = PlatformError(
            platform::kErrInvalidArgument,
            "the root folder URL '" + *rootFolderUrl + "' of the public folder tree is no URL");
      }
      continue;
    }
    try {
      state.publicStoreId = discovery.StoreGuidFromUrl(decoded);
    } catch (const PlatformError& error) {
      // The root is still found, but store-wide registration cannot work
      // without its store: say so, though discovery goes on.
      context_.log.LogError("GetCommonPath", error);
    }
    state.publicFolderRootUrl = *root;
    state.rootUrlLength = static_cast<int>(text::CharCount(*root));
    break;
  }
  context_.services.SetMousePointer(platform::controls::MousePointer::kDefault);

  // Failures before a root was found do not matter once it is found; without
  // one, the first failure (or the plain absence of the tree) is the reason
  // the lists stay empty.
  if (state.publicFolderRootUrl.empty()) {
    context_.log.LogError("GetCommonPath",
                          firstFailure.value_or(PlatformError(
                              platform::kErrNotFound, "no mounted public store of server '" +
                                                          window.exchangeServerName +
                                                          "' holds the public folder tree")));
  }
}

}  // namespace quarvel::setup
