// A store held in memory: folders with e-mail addresses, items with properties
// and message text, and the files that items were saved to. The dry run
// (quarvel-explain eval) lets the sink's begin phase work on a copy of a
// message in it, so that nothing real changes; the sink's tests and
// benchmarks stand it in for the server's store. It hands out StoreAccess records that behave as
// the real store's do: property changes are pending until UpdateFields, a closed record refuses
// work, and missing objects fail with platform::kErrNotFound. A custom
// property keeps the defined size it was created with (kCustomPropertySize),
// and a longer value for it is refused with kErrDataOverflow, never cut.
//
// Thread-safe: one mutex guards the whole store, so records on several threads
// may work on it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sink/StoreAccess.h"

namespace quarvel::sink {

// ADO's "data value is too large to be represented by the field data type".
inline constexpr std::int32_t kErrDataOverflow = 3721;

class DryRunStore {
 public:
  struct Item {
    std::map<std::string, std::string> properties;
    std::string message;  // the complete Internet message
    // Defined sizes, in characters, of the properties created with one.
    std::map<std::string, std::size_t> definedSizes;
  };

  void AddFolder(const std::string& url, const std::string& emailAddress = "");
  void PutItem(const std::string& url, Item item);

  [[nodiscard]] std::optional<Item> FindItem(const std::string& url) const;
  // One property of an item; nullopt when the item or the property is missing.
  [[nodiscard]] std::optional<std::string> Property(const std::string& url,
                                                    const std::string& name) const;
  // URLs of the items directly in the folder, sorted.
  [[nodiscard]] std::vector<std::string> ItemsIn(const std::string& folderUrl) const;

  // Files created through MessageStream::SaveToFile, by path.
  [[nodiscard]] std::map<std::string, std::string> Files() const;
  [[nodiscard]] std::optional<std::string> FindFile(const std::string& path) const;
  void PutFile(const std::string& path, std::string content);

  // A record bound to the item at the URL, open read-write, as the event
  // information hands it to a sink. The item need not exist yet.
  [[nodiscard]] std::unique_ptr<StoreAccess> OpenRecord(const std::string& itemUrl);

 private:
  friend class DryRunRecord;
  friend class DryRunMessageStream;

  mutable std::mutex mutex_;
  std::map<std::string, std::string> folders_;  // URL -> e-mail address
  std::map<std::string, Item> items_;
  std::map<std::string, std::string> files_;
};

}  // namespace quarvel::sink
