// Where a move rule's target sends an item: the folder a "Move to" mark
// names, in the public folder tree that holds the item. The sink's commit
// phase moves by it, and the rule checks look the same folder up, so the
// two never disagree.
//
// Pure functions of the texts given: safe on any thread, never throw.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarvel::sinkmarks {

// The folder `moveTo` names for an item in the folder `parentUrl` (a store
// URL, "file://./backofficestorage/<domain>/Public Folders/<path>"): a target
// as the setup program lists it (root URL, "/Public/", folder path) is mapped
// onto the tree below the last "/Public Folders/" of `parentUrl`; any other
// target stands as it is. One trailing "/" names the folder itself. nullopt
// when `parentUrl` holds no "/Public Folders/": the sink does not act there.
[[nodiscard]] std::optional<std::string> MoveDestinationFolder(std::string_view moveTo,
                                                               std::string_view parentUrl);

}  // namespace quarvel::sinkmarks
