// The directory held in memory: its root entry (the one with an empty DN,
// whose dnsHostName names the global catalog server) and the entries below
// it. It answers binds and queries (DirectoryService.h):
//   - Bind("GC://RootDSE") (also "GC://<host>/RootDSE") gives the root
//     entry's attributes, among them "dnsHostName";
//   - Search runs a query whose FROM names "GC://<host>", the host compared
//     ignoring ASCII case; the root entry is never part of an answer.
//
// Immutable once made: every method may run on several threads at once.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory/DirectoryEntry.h"
#include "platform/directory/DirectoryService.h"

namespace quarvel::platform::directory {

class Directory : public DirectoryService {
 public:
  // Throws PlatformError(kErrFail) naming `sourceName` when no entry has an
  // empty DN with a single, non-empty dnsHostName.
  Directory(std::vector<DirectoryEntry> entries, const std::string& sourceName);

  // Parses LDIF text (Ldif.h) and builds the directory from it.
  [[nodiscard]] static Directory FromLdif(std::string_view text, const std::string& sourceName);
  // Reads an LDIF file. Throws PlatformError: kErrNoSuchDomain when the file
  // does not exist (there is no directory), kErrFail when it cannot be read
  // or is malformed.
  [[nodiscard]] static Directory Load(const std::filesystem::path& file);

  [[nodiscard]] const std::string& DnsHostName() const { return dnsHostName_; }
  [[nodiscard]] const DirectoryEntry& Root() const { return root_; }
  [[nodiscard]] const std::vector<DirectoryEntry>& Entries() const { return entries_; }

  [[nodiscard]] DirectoryObject Bind(const std::string& path) const override;
  [[nodiscard]] ado::Rowset Search(const std::string& queryText,
                                   const ado::Properties& properties) const override;

 private:
  DirectoryEntry root_;
  std::string dnsHostName_;
  std::vector<DirectoryEntry> entries_;
};

}  // namespace quarvel::platform::directory
