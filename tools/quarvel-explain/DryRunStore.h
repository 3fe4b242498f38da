// The store a dry run evaluates one message in: one folder and the item in
// it, held in memory so that the sink's begin phase can run on a copy and
// nothing real changes. Its records behave as the real store's do: property
// changes are pending until UpdateFields, a closed record refuses work,
// missing objects fail with platform::kErrNotFound, and a custom property
// keeps the defined size it was created with (sink::kCustomPropertySize), so
// a longer value is refused with kErrDataOverflow, never cut; the dry run
// reports that refusal as the sink would meet it.
//
// Records must not outlive the store. One thread at a time: each evaluation
// makes its own store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "sink/StoreAccess.h"

namespace quarvel::explain {

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

  // A record bound to the item at the URL, open read-write, as the event
  // information hands it to a sink. The item need not exist yet.
  [[nodiscard]] std::unique_ptr<sink::StoreAccess> OpenRecord(const std::string& itemUrl);

 private:
  friend class DryRunRecord;
  friend class DryRunMessageStream;

  std::map<std::string, std::string> folders_;  // URL -> e-mail address
  std::map<std::string, Item> items_;
  std::map<std::string, std::string> files_;  // saved through MessageStream::SaveToFile
};

}  // namespace quarvel::explain
