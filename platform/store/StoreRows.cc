#include "platform/store/StoreRows.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <map>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store::rows {

namespace {

[[noreturn]] void NotFound(const StorePath& path) {
  throw PlatformError(kErrNotFound, "object not found: " + path.ToString());
}

[[noreturn]] void AccessDenied(const StorePath& path) {
  throw PlatformError(kErrAccessDenied, "access denied: " + path.ToString());
}

[[noreturn]] void Exists(const StorePath& path, const std::string& what) {
  throw PlatformError(kErrFileExists, what + ": " + path.ToString());
}

[[noreturn]] void Damaged(const std::string& what, const std::string& why) {
  throw PlatformError(kErrFail, "the store's record of " + what + " is damaged: " + why);
}

// Names a listing may return: anything else could not be addressed again.
bool IsListableName(const std::string& name) {
  try {
    CheckName(name);
    return true;
  } catch (const PlatformError&) {
    return false;
  }
}

const char* TypeName(int type) {
  switch (type) {
    case SQLITE_INTEGER:
      return "a whole number";
    case SQLITE_FLOAT:
      return "a real number";
    case SQLITE_TEXT:
      return "text";
    case SQLITE_BLOB:
      return "bytes";
    default:
      return "NULL";
  }
}

std::string Text(const SQLite::Column& column, const std::string& what, const char* field) {
  if (column.getType() != SQLITE_TEXT) {
    Damaged(what, std::string(field) + " holds " + TypeName(column.getType()) + ", not text");
  }
  return column.getString();
}

bool Flag(const SQLite::Column& column, const std::string& what, const char* field) {
  if (column.getType() != SQLITE_INTEGER || (column.getInt64() != 0 && column.getInt64() != 1)) {
    Damaged(what, std::string(field) + " is not 0 or 1");
  }
  return column.getInt64() == 1;
}

std::string FolderWhat(const StorePath& path) {
  return path.IsRoot() ? "the root folder" : "folder '" + path.ToString() + "'";
}

std::optional<std::int64_t> ChildFolderId(StoreConnection& c, std::int64_t parent,
                                          const std::string& name) {
  auto query = c.Prepared("SELECT id FROM folders WHERE parent = ? AND name = ?");
  query.bind(1, parent);
  query.bind(2, name);
  if (!query.executeStep()) return std::nullopt;
  return query.getColumn(0).getInt64();
}

std::optional<std::int64_t> ChildItemId(StoreConnection& c, std::int64_t folder,
                                        const std::string& name) {
  auto query = c.Prepared("SELECT id FROM items WHERE folder = ? AND name = ?");
  query.bind(1, folder);
  query.bind(2, name);
  if (!query.executeStep()) return std::nullopt;
  return query.getColumn(0).getInt64();
}

// Whether the folder denies access to its items.
bool Denies(StoreConnection& c, const FolderRow& folder) {
  const bool remember = !c.InAutocommit();
  if (remember) {
    const auto& known = c.Memo().accessDenied;
    if (const auto found = known.find(folder.id); found != known.end()) return found->second;
  }
  const bool denied = ReadFolderSettings(c, folder).accessDenied;
  if (remember) c.Memo().accessDenied.emplace(folder.id, denied);
  return denied;
}

// The folder that holds `item`, after checking that it exists and grants access.
FolderRow AccessibleItemFolder(StoreConnection& c, const StorePath& item) {
  if (item.IsRoot()) NotFound(item);
  CheckName(item.Name());
  const auto folder = FindFolder(c, item.Parent());
  if (!folder) NotFound(item);
  if (Denies(c, *folder)) AccessDenied(item);
  return *folder;
}

std::int64_t ExistingItemId(StoreConnection& c, const StorePath& item) {
  const auto folder = AccessibleItemFolder(c, item);
  const auto id = ChildItemId(c, folder.id, item.Name());
  if (!id) NotFound(item);
  return *id;
}

// Binds a property's type and value at `index` and `index + 1`.
void BindValue(Query& query, int index, const ado::Variant& value) {
  if (value.IsNull()) {
    query.bind(index, "null");
    query.bind(index + 1);
  } else if (value.IsBoolean()) {
    query.bind(index, "boolean");
    query.bind(index + 1, value.ToString() == "True" ? 1 : 0);
  } else if (value.IsInteger()) {
    query.bind(index, "integer");
    query.bind(index + 1, static_cast<std::int64_t>(std::stoll(value.ToString())));
  } else {
    // The value outlives the statement's run: its text need not be copied.
    query.bind(index, "text");
    query.bindNoCopy(index + 1, *value.Text());
  }
}

void InsertProperty(StoreConnection& c, std::int64_t item, const std::string& name,
                    const ado::Variant& value, long definedSize, bool keepSize) {
  auto insert = c.Prepared(
      keepSize ? "INSERT INTO properties (item, name, type, value, defined_size) "
                 "VALUES (?, ?, ?, ?, ?) ON CONFLICT (item, name) DO UPDATE SET "
                 "type = excluded.type, value = excluded.value, defined_size = "
                 "CASE WHEN excluded.defined_size > 0 THEN excluded.defined_size "
                 "ELSE defined_size END"
               : "INSERT OR REPLACE INTO properties (item, name, type, value, defined_size) "
                 "VALUES (?, ?, ?, ?, ?)");
  insert.bind(1, item);
  insert.bind(2, name);
  BindValue(insert, 3, value);
  insert.bind(5, static_cast<std::int64_t>(std::max(definedSize, 0L)));
  insert.exec();
}

// A new item's properties, in one statement.
void InsertProperties(StoreConnection& c, std::int64_t item, const StoredProperties& properties) {
  struct Row {
    std::string name;
    const ado::Variant* value;
    long definedSize;
  };
  std::vector<Row> rows;
  for (const auto& [name, value] : properties.values) {
    if (value.IsEmpty()) continue;  // an empty value is no value: nothing to keep
    auto canonical = CanonicalPropertyName(name);
    const auto size = properties.sizes.find(canonical);
    const long definedSize = size == properties.sizes.end() ? 0 : size->second;
    CheckFits(canonical, value, definedSize);
    rows.push_back({std::move(canonical), &value, definedSize});
  }
  if (rows.empty()) return;
  std::string sql =
      "INSERT OR REPLACE INTO properties (item, name, type, value, defined_size) VALUES ";
  for (std::size_t i = 0; i < rows.size(); ++i) sql += i == 0 ? "(?,?,?,?,?)" : ",(?,?,?,?,?)";
  auto insert = c.Prepared(sql);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int base = static_cast<int>(i) * 5;
    insert.bind(base + 1, item);
    insert.bind(base + 2, rows[i].name);
    BindValue(insert, base + 3, *rows[i].value);
    insert.bind(base + 5, static_cast<std::int64_t>(std::max(rows[i].definedSize, 0L)));
  }
  insert.exec();
}

StoredProperties ReadPropertyRows(StoreConnection& c, std::int64_t item, const std::string& what) {
  auto query = c.Prepared("SELECT name, type, value, defined_size FROM properties WHERE item = ?");
  query.bind(1, item);
  StoredProperties properties;
  while (query.executeStep()) {
    const auto nameColumn = query.getColumn(0);
    if (nameColumn.getType() != SQLITE_TEXT) Damaged(what, "a property name is not text");
    const std::string name = nameColumn.getString();
    const std::string type = query.getColumn(1).getString();
    const auto value = query.getColumn(2);
    const auto field = "property '" + name + "'";
    ado::Variant variant;
    if (type == "text" && (value.getType() == SQLITE_TEXT || value.getType() == SQLITE_BLOB)) {
      variant = value.getString();
    } else if (type == "integer" && value.getType() == SQLITE_INTEGER) {
      variant = static_cast<std::int64_t>(value.getInt64());
    } else if (type == "boolean" && value.getType() == SQLITE_INTEGER &&
               (value.getInt64() == 0 || value.getInt64() == 1)) {
      variant = value.getInt64() == 1;
    } else if (type == "null" && value.getType() == SQLITE_NULL) {
      variant = ado::Variant::Null();
    } else {
      Damaged(what, field + " has type '" + type + "' but holds " + TypeName(value.getType()));
    }
    properties.values[name] = std::move(variant);
    const auto size = query.getColumn(3);
    if (size.getType() != SQLITE_INTEGER || size.getInt64() < 0) {
      Damaged(what, field + " has no valid defined size");
    }
    if (size.getInt64() > 0) properties.sizes[name] = static_cast<long>(size.getInt64());
  }
  return properties;
}

std::string ItemWhat(const StorePath& item) { return "item '" + item.ToString() + "'"; }

// An item's properties; within a transaction, read once and then kept up to
// date by the writes below (ChangeProperties, DeleteItem, WriteItem).
const StoredProperties& PropertiesOf(StoreConnection& c, std::int64_t item,
                                     const std::string& what) {
  auto& memo = c.Memo().properties;
  if (c.InAutocommit()) {
    memo.clear();  // nothing is kept outside a transaction
  } else if (const auto found = memo.find(item); found != memo.end()) {
    return found->second;
  }
  auto properties = ReadPropertyRows(c, item, what);
  return memo.insert_or_assign(item, std::move(properties)).first->second;
}

void Forget(StoreConnection& c, std::int64_t item) { c.Memo().properties.erase(item); }

std::int64_t InsertItemRow(StoreConnection& c, std::int64_t folder, const std::string& name,
                           const std::string& message) {
  auto insert = c.Prepared("INSERT INTO items (folder, name) VALUES (?, ?)");
  insert.bind(1, folder);
  insert.bind(2, name);
  insert.exec();
  const auto id = c.Db().getLastInsertRowid();
  auto bytes = c.Prepared("INSERT INTO messages (item, bytes) VALUES (?, ?)");
  bytes.bind(1, id);
  bytes.bind(2, message.data(), static_cast<int>(message.size()));
  bytes.exec();
  return id;
}

bool NameTaken(StoreConnection& c, std::int64_t folder, const std::string& name) {
  return ChildItemId(c, folder, name) || ChildFolderId(c, folder, name);
}

// The next free "<stem>-N<ext>" after the numbers already used, found with
// one scan of the names that start with "<stem>-".
std::string NextFreeName(StoreConnection& c, std::int64_t folder, const std::string& wanted) {
  const auto dot = wanted.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string stem = hasExtension ? wanted.substr(0, dot) : wanted;
  const std::string extension = hasExtension ? wanted.substr(dot) : "";
  const std::string prefix = stem + "-";
  auto query = c.Prepared("SELECT name FROM items WHERE folder = ? AND name >= ? AND name < ?");
  query.bind(1, folder);
  query.bind(2, prefix);
  query.bind(3, stem + ".");  // "." follows "-": every name starting with the prefix
  long highest = 1;
  while (query.executeStep()) {
    const std::string name = query.getColumn(0).getString();
    if (!name.ends_with(extension) || name.size() <= prefix.size() + extension.size()) continue;
    const std::string_view digits(name.data() + prefix.size(),
                                  name.size() - prefix.size() - extension.size());
    long number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc() && end == digits.data() + digits.size()) {
      highest = std::max(highest, number);
    }
  }
  for (long n = highest + 1;; ++n) {
    auto name = stem + "-" + std::to_string(n) + extension;
    if (!NameTaken(c, folder, name)) return name;
  }
}

bool IsPublicFolder(const StorePath& folder) {
  return !folder.IsRoot() && !text::EqualsIgnoreCase(folder.segments.front(), kNonIpmSubtree);
}

StorePath PathOfFolderId(StoreConnection& c, std::int64_t id) {
  std::vector<std::string> reversed;
  for (int depth = 0; id != kRootFolderId; ++depth) {
    auto query = c.Prepared("SELECT parent, name FROM folders WHERE id = ?");
    query.bind(1, id);
    if (!query.executeStep() || depth > 10000) {
      Damaged("folder " + std::to_string(id), "its parents do not lead to the root");
    }
    if (query.getColumn(0).getType() != SQLITE_INTEGER) {
      Damaged("folder " + std::to_string(id), "it has no parent");
    }
    const auto parent = query.getColumn(0).getInt64();
    reversed.push_back(query.getColumn(1).getString());
    id = parent;
  }
  StorePath path;
  path.segments.assign(reversed.rbegin(), reversed.rend());
  return path;
}

}  // namespace

std::optional<FolderRow> FindFolder(StoreConnection& c, const StorePath& folder) {
  for (const std::string& segment : folder.segments) CheckName(segment);
  const bool remember = !c.InAutocommit();
  const auto key = remember ? folder.ToString() : std::string();
  if (remember) {
    if (const auto known = c.Memo().ids.find(key); known != c.Memo().ids.end()) {
      return FolderRow{known->second, folder};
    }
  }
  FolderRow row;
  for (const std::string& segment : folder.segments) {
    const auto id = ChildFolderId(c, row.id, segment);
    if (!id) return std::nullopt;
    row.id = *id;
  }
  row.path = folder;
  if (remember) c.Memo().ids.emplace(key, row.id);
  return row;
}

FolderSettings ReadFolderSettings(StoreConnection& c, const FolderRow& folder) {
  auto query =
      c.Prepared("SELECT display_name, email, hidden, access_denied FROM folders WHERE id = ?");
  query.bind(1, folder.id);
  const auto what = FolderWhat(folder.path);
  if (!query.executeStep()) NotFound(folder.path);
  FolderSettings settings;
  settings.displayName = Text(query.getColumn(0), what, "its display name");
  settings.emailAddress = Text(query.getColumn(1), what, "its e-mail address");
  settings.hidden = Flag(query.getColumn(2), what, "its hidden flag");
  settings.accessDenied = Flag(query.getColumn(3), what, "its access flag");
  return settings;
}

std::vector<StorePath> SubFolders(StoreConnection& c, const StorePath& folder) {
  const auto row = FindFolder(c, folder);
  if (!row) NotFound(folder);
  auto query = c.Prepared("SELECT name FROM folders WHERE parent = ? ORDER BY name");
  query.bind(1, row->id);
  std::vector<StorePath> paths;
  while (query.executeStep()) {
    const auto column = query.getColumn(0);
    if (column.getType() != SQLITE_TEXT) continue;
    std::string name = column.getString();
    if (IsListableName(name)) paths.push_back(folder.Child(name));
  }
  return paths;
}

std::vector<StorePath> AllFolders(StoreConnection& c) {
  std::map<std::int64_t, std::vector<std::pair<std::string, std::int64_t>>> children;
  auto query = c.Prepared("SELECT id, parent, name FROM folders WHERE parent IS NOT NULL");
  while (query.executeStep()) {
    const auto name = query.getColumn(2);
    if (name.getType() != SQLITE_TEXT || !IsListableName(name.getString())) continue;
    children[query.getColumn(1).getInt64()].emplace_back(name.getString(),
                                                         query.getColumn(0).getInt64());
  }
  for (auto& [parent, list] : children) std::sort(list.begin(), list.end());
  std::vector<StorePath> all;
  // Explicit stack rather than recursion: a deep tree must not exhaust the stack.
  std::vector<std::pair<StorePath, std::int64_t>> pending{{StorePath{}, kRootFolderId}};
  while (!pending.empty()) {
    auto [path, id] = std::move(pending.back());
    pending.pop_back();
    const auto found = children.find(id);
    if (found != children.end()) {
      for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
        pending.emplace_back(path.Child(it->first), it->second);
      }
      children.erase(found);  // a damaged loop of parents is walked once
    }
    if (!path.IsRoot()) all.push_back(std::move(path));
  }
  return all;
}

void CreateFolder(StoreConnection& c, const StorePath& folder, const FolderSettings& settings) {
  c.Memo() = {};
  FolderRow row;
  for (std::size_t i = 0; i < folder.segments.size(); ++i) {
    const std::string& segment = folder.segments[i];
    CheckName(segment);
    if (const auto id = ChildFolderId(c, row.id, segment)) {
      row.id = *id;
      continue;
    }
    StorePath path;
    path.segments.assign(folder.segments.begin(), folder.segments.begin() + i + 1);
    if (ChildItemId(c, row.id, segment)) Exists(path, "an item has this name");
    auto insert = c.Prepared("INSERT INTO folders (parent, name, display_name) VALUES (?, ?, ?)");
    insert.bind(1, row.id);
    insert.bind(2, segment);
    insert.bind(3, segment);
    insert.exec();
    row.id = c.Db().getLastInsertRowid();
  }
  auto update = c.Prepared(
      "UPDATE folders SET display_name = ?, email = ?, hidden = ?, access_denied = ? WHERE id = ?");
  update.bind(1, settings.displayName.empty() ? folder.Name() : settings.displayName);
  update.bind(2, settings.emailAddress);
  update.bind(3, settings.hidden ? 1 : 0);
  update.bind(4, settings.accessDenied ? 1 : 0);
  update.bind(5, row.id);
  update.exec();
}

std::optional<StorePath> FindFolderByAddress(StoreConnection& c, const std::string& address) {
  if (address.empty()) return std::nullopt;  // never a folder that is not mail-enabled
  // Few folders are mail-enabled; comparing them here keeps ICU's notion of
  // letter case, which SQLite's NOCASE (ASCII only) lacks.
  auto query = c.Prepared("SELECT id, email FROM folders WHERE email <> '' ORDER BY id");
  std::vector<std::int64_t> matches;
  while (query.executeStep()) {
    const auto email = query.getColumn(1);
    if (email.getType() == SQLITE_TEXT && text::EqualsIgnoreCase(email.getString(), address)) {
      matches.push_back(query.getColumn(0).getInt64());
    }
  }
  std::optional<StorePath> first;
  for (const auto id : matches) {
    auto path = PathOfFolderId(c, id);
    if (!first || path < *first) first = std::move(path);
  }
  return first;
}

FoundObject Find(StoreConnection& c, const StorePath& path) {
  FoundObject found;
  if (FindFolder(c, path)) {
    found.kind = FoundObject::Kind::kFolder;
    return found;
  }
  CheckName(path.Name());
  const auto folder = FindFolder(c, path.Parent());
  if (!folder) return found;
  if (Denies(c, *folder)) AccessDenied(path);
  const auto id = ChildItemId(c, folder->id, path.Name());
  if (!id) return found;
  found.kind = FoundObject::Kind::kItem;
  found.properties = PropertiesOf(c, *id, ItemWhat(path));
  return found;
}

bool ItemExists(StoreConnection& c, const StorePath& item) {
  if (item.IsRoot()) return false;
  CheckName(item.Name());
  const auto folder = FindFolder(c, item.Parent());
  if (!folder) return false;
  if (Denies(c, *folder)) AccessDenied(item);
  return ChildItemId(c, folder->id, item.Name()).has_value();
}

std::vector<StorePath> Items(StoreConnection& c, const StorePath& folder) {
  const auto row = FindFolder(c, folder);
  if (!row) NotFound(folder);
  if (Denies(c, *row)) AccessDenied(folder);
  auto query = c.Prepared("SELECT name FROM items WHERE folder = ? ORDER BY name");
  query.bind(1, row->id);
  std::vector<StorePath> paths;
  while (query.executeStep()) {
    const auto column = query.getColumn(0);
    if (column.getType() != SQLITE_TEXT) continue;
    std::string name = column.getString();
    if (IsListableName(name)) paths.push_back(folder.Child(name));
  }
  return paths;
}

std::int64_t ItemCount(StoreConnection& c, const StorePath& folder) {
  const auto row = FindFolder(c, folder);
  if (!row) NotFound(folder);
  if (Denies(c, *row)) AccessDenied(folder);
  auto query = c.Prepared("SELECT count(*) FROM items WHERE folder = ?");
  query.bind(1, row->id);
  query.executeStep();
  return query.getColumn(0).getInt64();
}

StoredProperties ReadItemProperties(StoreConnection& c, const StorePath& item) {
  return PropertiesOf(c, ExistingItemId(c, item), ItemWhat(item));
}

std::string ReadMessage(StoreConnection& c, const StorePath& item) {
  auto query = c.Prepared("SELECT bytes FROM messages WHERE item = ?");
  query.bind(1, ExistingItemId(c, item));
  if (!query.executeStep()) Damaged(ItemWhat(item), "its message is missing");
  const auto message = query.getColumn(0);
  if (message.getType() != SQLITE_BLOB && message.getType() != SQLITE_TEXT) {
    Damaged(ItemWhat(item), std::string("its message is ") + TypeName(message.getType()));
  }
  return message.getString();
}

void WriteItem(StoreConnection& c, const StorePath& item, const std::string& message,
               const StoredProperties& properties) {
  const auto folder = AccessibleItemFolder(c, item);
  if (ChildFolderId(c, folder.id, item.Name())) Exists(item, "a folder has this name");
  if (const auto id = ChildItemId(c, folder.id, item.Name())) {
    auto update = c.Prepared("INSERT OR REPLACE INTO messages (item, bytes) VALUES (?, ?)");
    update.bind(1, *id);
    update.bind(2, message.data(), static_cast<int>(message.size()));
    update.exec();
    Forget(c, *id);
    auto clear = c.Prepared("DELETE FROM properties WHERE item = ?");
    clear.bind(1, *id);
    clear.exec();
    InsertProperties(c, *id, properties);
    return;
  }
  InsertProperties(c, InsertItemRow(c, folder.id, item.Name(), message), properties);
}

std::pair<StorePath, std::int64_t> InsertNewItem(StoreConnection& c, const StorePath& wanted,
                                                 const std::string& message,
                                                 const StoredProperties& properties) {
  const auto folder = AccessibleItemFolder(c, wanted);
  std::string name = wanted.Name();
  if (NameTaken(c, folder.id, name)) name = NextFreeName(c, folder.id, name);
  const auto id = InsertItemRow(c, folder.id, name, message);
  InsertProperties(c, id, properties);
  return {wanted.Parent().Child(name), id};
}

StoredProperties ChangeProperties(StoreConnection& c, const StorePath& item,
                                  const PropertyChanges& changes) {
  const auto id = ExistingItemId(c, item);
  StoredProperties properties = PropertiesOf(c, id, ItemWhat(item));
  // All or nothing: every value is checked before anything is written.
  for (const auto& [name, change] : changes) {
    if (!change || change->value.IsEmpty()) continue;
    const auto canonical = CanonicalPropertyName(name);
    long size = change->definedSize;
    if (size <= 0 && !change->created) {
      // An assigned value keeps to the size the property was created with.
      const auto kept = properties.sizes.find(canonical);
      size = kept == properties.sizes.end() ? 0 : kept->second;
    }
    CheckFits(canonical, change->value, size);
  }
  for (const auto& [name, change] : changes) {
    const auto canonical = CanonicalPropertyName(name);
    if (!change || change->value.IsEmpty()) {
      auto remove = c.Prepared("DELETE FROM properties WHERE item = ? AND name = ?");
      remove.bind(1, id);
      remove.bind(2, canonical);
      remove.exec();
    } else {
      InsertProperty(c, id, canonical, change->value, change->definedSize, !change->created);
    }
  }
  ApplyPropertyChanges(properties, changes);
  if (!c.InAutocommit()) c.Memo().properties[id] = properties;
  return properties;
}

void DeleteItem(StoreConnection& c, const StorePath& item) {
  const auto id = ExistingItemId(c, item);
  Forget(c, id);
  auto remove = c.Prepared("DELETE FROM items WHERE id = ?");
  remove.bind(1, id);
  remove.exec();
}

void MoveItem(StoreConnection& c, const StorePath& from, const StorePath& to, bool overwrite) {
  // A bad destination name is the caller's error, whatever state the source is in.
  for (const std::string& name : to.segments) CheckName(name);
  const auto id = ExistingItemId(c, from);
  if (to.IsRoot()) NotFound(to);
  const auto folder = AccessibleItemFolder(c, to);
  if (!IsPublicFolder(to.Parent())) {
    throw PlatformError(kErrAccessDenied,
                        "items move only into public folders below the root, not into '" +
                            to.Parent().ToString() + "'");
  }
  if (ChildFolderId(c, folder.id, to.Name())) Exists(to, "a folder has this name");
  if (const auto existing = ChildItemId(c, folder.id, to.Name())) {
    if (!overwrite) Exists(to, "an item already has this name");
    if (*existing == id) return;
    Forget(c, *existing);
    auto remove = c.Prepared("DELETE FROM items WHERE id = ?");
    remove.bind(1, *existing);
    remove.exec();
  }
  auto move = c.Prepared("UPDATE items SET folder = ?, name = ? WHERE id = ?");
  move.bind(1, folder.id);
  move.bind(2, to.Name());
  move.bind(3, id);
  move.exec();
}

std::optional<std::int64_t> ItemId(StoreConnection& c, const StorePath& item) {
  if (item.IsRoot()) return std::nullopt;
  const auto folder = FindFolder(c, item.Parent());
  if (!folder) return std::nullopt;
  return ChildItemId(c, folder->id, item.Name());
}

std::optional<StorePath> ItemPath(StoreConnection& c, std::int64_t id) {
  auto query = c.Prepared("SELECT folder, name FROM items WHERE id = ?");
  query.bind(1, id);
  if (!query.executeStep()) return std::nullopt;
  const auto folder = query.getColumn(0).getInt64();
  const std::string name = query.getColumn(1).getString();
  return PathOfFolderId(c, folder).Child(name);
}

std::vector<IndexedItem> RegistrationItems(StoreConnection& c,
                                           const std::vector<StorePath>& folders) {
  std::vector<IndexedItem> found;
  for (const auto& folder : folders) {
    const auto row = FindFolder(c, folder);
    if (!row) continue;
    std::vector<std::pair<std::string, std::int64_t>> items;
    // The index of registrations, never the folder's items: a folder full of
    // mail costs nothing here.
    auto query = c.Prepared(
        "SELECT name, id FROM items INDEXED BY items_registrations "
        "WHERE folder = ? AND is_registration = 1");
    query.bind(1, row->id);
    while (query.executeStep()) {
      items.emplace_back(query.getColumn(0).getString(), query.getColumn(1).getInt64());
    }
    std::sort(items.begin(), items.end());
    for (auto& [name, id] : items) {
      IndexedItem item;
      try {
        item.path = folder.Child(name);
        item.properties = PropertiesOf(c, id, ItemWhat(item.path)).values;
      } catch (const PlatformError& error) {
        if (item.path.IsRoot()) item.path = folder;  // a name that cannot be addressed
        item.damage = error.Description();
      }
      found.push_back(std::move(item));
    }
  }
  return found;
}

std::vector<IndexedItem> AllRegistrationItems(StoreConnection& c) {
  std::vector<std::int64_t> folders;
  auto query = c.Prepared(
      "SELECT DISTINCT folder FROM items INDEXED BY items_registrations WHERE is_registration = 1");
  while (query.executeStep()) folders.push_back(query.getColumn(0).getInt64());
  std::vector<StorePath> paths;
  for (const auto id : folders) {
    try {
      paths.push_back(PathOfFolderId(c, id));
    } catch (const PlatformError&) {
      // A folder cut off from the tree registers nothing anybody could reach.
    }
  }
  std::sort(paths.begin(), paths.end());
  return RegistrationItems(c, paths);
}

}  // namespace quarvel::platform::store::rows
