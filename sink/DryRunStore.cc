#include "sink/DryRunStore.h"

#include <cstring>
#include <utility>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "sink/ItemProperties.h"

namespace quarvel::sink {

namespace {

using platform::PlatformError;

std::string ParentOf(const std::string& url) {
  const auto slash = url.rfind('/');
  return slash == std::string::npos ? std::string() : url.substr(0, slash);
}

// The store knows a property tag by both of its spellings, "0x001A001E" and
// "x001a001e", in either letter case; one key per property keeps them the
// same property here too. Writes the canonical spelling of a tag into `out`,
// reusing its memory; false for any other name, which is its own key.
bool CanonicalInto(const std::string& name, std::string& out) {
  static constexpr std::string_view kTagPrefix = "http://schemas.microsoft.com/mapi/proptag/";
  if (!name.starts_with(kTagPrefix)) return false;
  std::string_view tag = std::string_view(name).substr(kTagPrefix.size());
  if (tag.starts_with("0x") || tag.starts_with("0X")) {
    tag.remove_prefix(2);
  } else if (tag.starts_with("x") || tag.starts_with("X")) {
    tag.remove_prefix(1);
  } else {
    return false;
  }
  // Written in place: a record asks for names of the same few lengths.
  out.resize(kTagPrefix.size() + 1 + tag.size());
  char* const canonical = out.data();
  std::memcpy(canonical, kTagPrefix.data(), kTagPrefix.size());
  canonical[kTagPrefix.size()] = 'x';
  for (std::size_t i = 0; i < tag.size(); ++i) {
    const char c = tag[i];
    canonical[kTagPrefix.size() + 1 + i] =
        c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return true;
}

std::string Canonical(const std::string& name) {
  std::string canonical;
  return CanonicalInto(name, canonical) ? canonical : name;
}

[[noreturn]] void NotFound(const std::string& what) {
  throw PlatformError(platform::kErrNotFound, "object not found: " + what);
}

}  // namespace

class DryRunMessageStream : public MessageStream {
 public:
  DryRunMessageStream(DryRunStore& store, std::string text)
      : store_(store), text_(std::move(text)) {}

  std::string ReadText() override {
    return position_ >= text_.size() ? std::string() : text_.substr(position_);
  }
  void SetPosition(std::size_t position) override {
    if (position > text_.size()) {
      throw PlatformError(platform::kErrInvalidArgument, "stream position past the end");
    }
    position_ = position;
  }
  void WriteText(const std::string& text) override {
    text_.replace(position_, std::min(text.size(), text_.size() - position_), text);
    position_ += text.size();
  }
  void SaveToFile(const std::string& path) override {
    std::lock_guard lock(store_.mutex_);
    if (!store_.files_.emplace(path, text_).second) {
      throw PlatformError(platform::kErrFileExists, "file exists: " + path);
    }
  }

 private:
  DryRunStore& store_;
  std::string text_;
  std::size_t position_ = 0;
};

class DryRunRecord : public StoreAccess {
 public:
  DryRunRecord(DryRunStore& store, std::string url) : store_(store), url_(std::move(url)) {}

  std::string ReadProperty(const std::string& rawName) override {
    const auto& name = Key(rawName);
    std::lock_guard lock(store_.mutex_);
    if (const auto pending = pending_.find(name); pending != pending_.end()) {
      return pending->second.value_or(std::string());
    }
    const auto& properties = Item().properties;
    const auto found = properties.find(name);
    return found == properties.end() ? std::string() : found->second;
  }

  void AppendProperty(const std::string& rawName, const std::string& value) override {
    const auto& name = Key(rawName);
    std::lock_guard lock(store_.mutex_);
    if (ExistsLocked(name)) {
      throw PlatformError(platform::kErrObjectAlreadyInCollection,
                          "object already in collection: " + name);
    }
    CheckSize(name, value, kCustomPropertySize);
    pending_[name] = value;
    pendingSizes_[name] = kCustomPropertySize;
  }

  void SetProperty(const std::string& rawName, const std::string& value) override {
    const auto& name = Key(rawName);
    std::lock_guard lock(store_.mutex_);
    RequireOpen();
    if (const auto size = DefinedSizeLocked(name)) CheckSize(name, value, *size);
    pending_[name] = value;
  }

  void DeleteProperty(const std::string& rawName) override {
    const auto& name = Key(rawName);
    std::lock_guard lock(store_.mutex_);
    if (!ExistsLocked(name)) {
      throw PlatformError(platform::kErrItemNotFoundInCollection,
                          "item not found in collection: " + name);
    }
    pending_[name] = std::nullopt;
    pendingSizes_.erase(name);
  }

  void UpdateFields() override {
    std::lock_guard lock(store_.mutex_);
    auto& item = Item();
    for (auto& [name, value] : pending_) {
      if (value) {
        item.properties[name] = std::move(*value);  // pending_ is cleared below
      } else {
        item.properties.erase(name);
        item.definedSizes.erase(name);
      }
    }
    for (const auto& [name, size] : pendingSizes_) item.definedSizes[name] = size;
    pending_.clear();
    pendingSizes_.clear();
  }

  std::string ParentURL() override {
    std::lock_guard lock(store_.mutex_);
    RequireOpen();
    return ParentOf(url_);
  }

  void Close() override {
    open_ = false;
    pending_.clear();
    pendingSizes_.clear();
  }

  void OpenReadWrite(const std::string& itemUrl) override {
    std::lock_guard lock(store_.mutex_);
    if (!store_.items_.contains(itemUrl)) NotFound(itemUrl);
    url_ = itemUrl;
    open_ = true;
    pending_.clear();
    pendingSizes_.clear();
  }

  void DeleteRecord() override {
    std::lock_guard lock(store_.mutex_);
    RequireOpen();
    if (store_.items_.erase(url_) == 0) NotFound(url_);
    open_ = false;
  }

  void MoveRecord(const std::string& sourceUrl, const std::string& destinationUrl) override {
    std::lock_guard lock(store_.mutex_);
    const auto source = store_.items_.find(sourceUrl);
    if (source == store_.items_.end()) NotFound(sourceUrl);
    const auto folder = ParentOf(destinationUrl);
    if (!store_.folders_.contains(folder)) NotFound(folder);
    auto item = std::move(source->second);
    store_.items_.erase(source);
    store_.items_[destinationUrl] = std::move(item);
  }

  std::string FolderEmailAddress(const std::string& folderUrl) override {
    std::lock_guard lock(store_.mutex_);
    const auto folder = store_.folders_.find(folderUrl);
    if (folder == store_.folders_.end()) NotFound(folderUrl);
    return folder->second;
  }

  std::unique_ptr<MessageStream> OpenMessageStream(const std::string& itemUrl) override {
    std::lock_guard lock(store_.mutex_);
    const auto item = store_.items_.find(itemUrl);
    if (item == store_.items_.end()) NotFound(itemUrl);
    return std::make_unique<DryRunMessageStream>(store_, item->second.message);
  }

 private:
  // The key under which the store keeps a property: the name itself, or its
  // canonical spelling in key_, which every call of this record reuses.
  const std::string& Key(const std::string& rawName) {
    return CanonicalInto(rawName, key_) ? key_ : rawName;
  }

  void RequireOpen() const {
    if (!open_) throw PlatformError(platform::kErrFail, "the record is closed");
  }

  DryRunStore::Item& Item() {
    RequireOpen();
    const auto item = store_.items_.find(url_);
    if (item == store_.items_.end()) NotFound(url_);
    return item->second;
  }

  std::optional<std::size_t> DefinedSizeLocked(const std::string& name) {
    if (const auto pending = pendingSizes_.find(name); pending != pendingSizes_.end()) {
      return pending->second;
    }
    const auto& sizes = Item().definedSizes;
    const auto found = sizes.find(name);
    if (found == sizes.end()) return std::nullopt;
    return found->second;
  }

  static void CheckSize(const std::string& name, const std::string& value, std::size_t size) {
    if (value.size() <= size || text::CharCount(value) <= size) return;
    throw PlatformError(kErrDataOverflow, "data value is too large for the field: " + name +
                                              " holds at most " + std::to_string(size) +
                                              " characters, the value has " +
                                              std::to_string(text::CharCount(value)));
  }

  bool ExistsLocked(const std::string& name) {
    if (const auto pending = pending_.find(name); pending != pending_.end()) {
      return pending->second.has_value();
    }
    return Item().properties.contains(name);
  }

  DryRunStore& store_;
  std::string url_;
  bool open_ = true;
  std::map<std::string, std::optional<std::string>> pending_;
  std::map<std::string, std::size_t> pendingSizes_;  // of properties appended
  std::string key_;
};

void DryRunStore::AddFolder(const std::string& url, const std::string& emailAddress) {
  std::lock_guard lock(mutex_);
  folders_[url] = emailAddress;
}

void DryRunStore::PutItem(const std::string& url, Item item) {
  // The item's own map nodes move over under their canonical names, so nothing
  // is copied. Of two spellings of one property, the later in name order wins.
  Item canonical{{}, std::move(item.message), {}};
  for (auto& [name, size] : item.definedSizes) canonical.definedSizes[Canonical(name)] = size;
  std::string key;
  while (!item.properties.empty()) {
    auto node = item.properties.extract(item.properties.begin());
    if (CanonicalInto(node.key(), key)) node.key() = key;
    auto inserted = canonical.properties.insert(std::move(node));
    if (!inserted.inserted) inserted.position->second = std::move(inserted.node.mapped());
  }
  std::lock_guard lock(mutex_);
  items_[url] = std::move(canonical);
}

std::optional<std::string> DryRunStore::Property(const std::string& url,
                                                 const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto item = items_.find(url);
  if (item == items_.end()) return std::nullopt;
  const auto property = item->second.properties.find(Canonical(name));
  if (property == item->second.properties.end()) return std::nullopt;
  return property->second;
}

std::optional<DryRunStore::Item> DryRunStore::FindItem(const std::string& url) const {
  std::lock_guard lock(mutex_);
  const auto item = items_.find(url);
  if (item == items_.end()) return std::nullopt;
  return item->second;
}

std::vector<std::string> DryRunStore::ItemsIn(const std::string& folderUrl) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> urls;
  for (const auto& [url, item] : items_) {
    if (ParentOf(url) == folderUrl) urls.push_back(url);
  }
  return urls;
}

std::map<std::string, std::string> DryRunStore::Files() const {
  std::lock_guard lock(mutex_);
  return files_;
}

std::optional<std::string> DryRunStore::FindFile(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto file = files_.find(path);
  if (file == files_.end()) return std::nullopt;
  return file->second;
}

void DryRunStore::PutFile(const std::string& path, std::string content) {
  std::lock_guard lock(mutex_);
  files_[path] = std::move(content);
}

std::unique_ptr<StoreAccess> DryRunStore::OpenRecord(const std::string& itemUrl) {
  return std::make_unique<DryRunRecord>(*this, itemUrl);
}

}  // namespace quarvel::sink
