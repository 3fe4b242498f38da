#include "platform/directory/Directory.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryErrors.h"
#include "platform/directory/DirectoryQuery.h"
#include "platform/directory/DirectorySearch.h"
#include "platform/directory/Ldif.h"

namespace quarvel::platform::directory {
namespace {

constexpr std::string_view kProvider = "GC://";
constexpr std::string_view kRootDse = "RootDSE";

}  // namespace

Directory::Directory(std::vector<DirectoryEntry> entries, const std::string& sourceName) {
  bool haveRoot = false;
  for (auto& entry : entries) {
    if (!entry.dn.empty()) {
      entries_.push_back(std::move(entry));
    } else if (!haveRoot) {
      root_ = std::move(entry);
      haveRoot = true;
    } else {
      throw PlatformError(kErrFail, sourceName + ": a second root entry (empty \"dn:\")");
    }
  }
  const auto host = root_.Values("dnsHostName");
  if (!haveRoot || !host || host->size() != 1 || host->front().empty()) {
    throw PlatformError(kErrFail, sourceName +
                                      ": the directory needs a root entry (\"dn:\" with an empty "
                                      "name) with one dnsHostName, the global catalog's host");
  }
  dnsHostName_ = host->front();
}

Directory Directory::FromLdif(std::string_view text, const std::string& sourceName) {
  return Directory(ParseLdif(text, sourceName), sourceName);
}

Directory Directory::Load(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::exists(file, error)) {
    throw PlatformError(kErrNoSuchDomain,
                        "The specified domain either does not exist or could not be contacted "
                        "(there is no directory file " +
                            file.string() + ")");
  }
  std::ifstream in(file, std::ios::binary);
  if (!std::filesystem::is_regular_file(file, error) || !in) {
    throw PlatformError(kErrFail, "cannot read the directory file " + file.string());
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw PlatformError(kErrFail, "cannot read the directory file " + file.string());
  return FromLdif(text, file.string());
}

DirectoryObject Directory::Bind(const std::string& path) const {
  if (path.compare(0, kProvider.size(), kProvider) != 0 || path.size() == kProvider.size()) {
    throw PlatformError(kErrInvalidPathSyntax,
                        "Invalid syntax: \"" + path + "\" is no directory path (\"GC://...\")");
  }
  std::string_view object = std::string_view(path).substr(kProvider.size());
  const std::size_t slash = object.find('/');
  if (slash != std::string_view::npos && SameAttributeName(object.substr(0, slash), dnsHostName_)) {
    object.remove_prefix(slash + 1);
  }
  if (SameAttributeName(object, kRootDse)) return DirectoryObject(path, root_);
  throw PlatformError(kErrNoSuchObject, "There is no such object on the server: " + path);
}

ado::Rowset Directory::Search(const std::string& queryText,
                              const ado::Properties& properties) const {
  const DirectoryQuery query = ParseDirectoryQuery(queryText);
  const SearchPreferences preferences = ReadSearchPreferences(properties);
  if (!SameAttributeName(query.host, dnsHostName_)) {
    throw PlatformError(kErrServerNotOperational,
                        "The server is not operational: \"" + query.host +
                            "\" is not the global catalog (FROM at offset " +
                            std::to_string(query.hostOffset) + ")");
  }
  return SearchEntries(entries_, query, preferences);
}

}  // namespace quarvel::platform::directory
