#include "common/MoveDestination.h"

namespace quarvel::sinkmarks {

namespace {

constexpr std::string_view kStoreRoot = "/Public Folders/";
constexpr std::string_view kListedRoot = "/Public/";

}  // namespace

std::optional<std::string> MoveDestinationFolder(std::string_view moveTo,
                                                 std::string_view parentUrl) {
  const auto storeRoot = parentUrl.rfind(kStoreRoot);
  if (storeRoot == std::string_view::npos) return std::nullopt;
  std::string folder;
  if (const auto listed = moveTo.find(kListedRoot); listed == std::string_view::npos) {
    folder = moveTo;
  } else {
    folder.assign(parentUrl.substr(0, storeRoot + kStoreRoot.size()));
    folder.append(moveTo.substr(listed + kListedRoot.size()));
  }
  // The item's name follows a "/"; a target written with its own would give
  // "//", a name the store refuses. A lone "/" is no folder either way.
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace quarvel::sinkmarks
