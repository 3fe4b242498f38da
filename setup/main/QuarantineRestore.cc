#include "setup/main/QuarantineRestore.h"

#include <exception>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "common/HeaderMatching.h"
#include "common/PatternCheck.h"
#include "common/SinkMarks.h"
#include "common/Text.h"
#include "common/basParser.h"
#include "platform/PlatformError.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionRecord.h"
#include "setup/discovery/QueryLiteral.h"
#include "setup/main/WindowState.h"

namespace quarvel::setup {
namespace {

namespace ado = platform::ado;
using platform::PlatformError;

// The sink's marks (strings, for the store's field names), and the item
// properties a rule's condition reads.
const std::string kOriginallyDeliveredTo(sinkmarks::kOriginallyDeliveredTo);
const std::string kMoveTo(sinkmarks::kMoveTo);
const std::string kForwardTo(sinkmarks::kForwardTo);
const std::string kHandledMarker(sinkmarks::kHandledMarker);
constexpr const char* kSubject = "urn:schemas:httpmail:subject";
constexpr const char* kSpamConfidenceLevel = "http://schemas.microsoft.com/mapi/proptag/0x40760003";
constexpr const char* kTransportHeaders = "http://schemas.microsoft.com/mapi/proptag/0x007D001E";
constexpr const char* kHref = "DAV:href";
constexpr const char* kIsFolder = "DAV:isfolder";
constexpr const char* kFolderAddress =
    "http://schemas.microsoft.com/exchange/publicfolderemailaddress";

constexpr std::string_view kFilePrefix = "file://./backofficestorage/";
// Enough for any folder that holds the same message a few times over; past
// it, the item stays rather than the search going on for ever.
constexpr int kMaxNameTries = 1000;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithAscii(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether a URL segment, its %XX sequences decoded, is `word` ignoring ASCII
// case ("Public%20Folders" is "Public Folders").
bool SegmentIs(std::string_view segment, std::string_view word) {
  std::string decoded;
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '%' && i + 2 < segment.size() && HexDigit(segment[i + 1]) >= 0 &&
        HexDigit(segment[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(segment[i + 1]) * 16 + HexDigit(segment[i + 2]));
      i += 2;
    } else {
      decoded += segment[i];
    }
  }
  return decoded.size() == word.size() && StartsWithAscii(decoded, word);
}

// The text after the tree's marker segment ("Public Folders" in the file
// form, "Public" in the http form) of a store URL; nullopt for a URL of
// neither form.
std::optional<std::string_view> PathAfterMarker(std::string_view url) {
  std::string_view after;
  std::string_view marker;
  if (StartsWithAscii(url, kFilePrefix)) {
    after = url.substr(kFilePrefix.size());  // <domain>/Public Folders/...
    marker = "Public Folders";
  } else {
    const auto scheme = url.find("://");
    if (scheme == std::string_view::npos || scheme == 0) return std::nullopt;
    for (const char c : url.substr(0, scheme)) {
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return std::nullopt;
    }
    after = url.substr(scheme + 3);  // <host>/Public/...
    marker = "Public";
  }
  const auto domainEnd = after.find('/');
  if (domainEnd == 0 || domainEnd == std::string_view::npos) return std::nullopt;
  after = after.substr(domainEnd + 1);
  const auto segment = after.substr(0, after.find('/'));
  if (!SegmentIs(segment, marker)) return std::nullopt;
  return after.substr(segment.size());
}

struct ItemRow {
  std::string url;
  std::string subject;
  std::string scl;
  std::string headers;
  std::string mark;
};

bool FilterHolds(const RestoreFilter& filter, const ItemRow& item) {
  try {
    if (text::EqualsIgnoreCase(filter.header, "subject")) {
      return matching::ConditionHolds(text::Trim(item.subject), filter.pattern);
    }
    if (text::EqualsIgnoreCase(filter.header, "IMFSCL")) {
      return matching::ConditionHolds(text::Trim(item.scl), filter.pattern);
    }
    if (item.headers.empty()) return false;
    if (matching::UsesWholeHeaderText(filter.pattern)) {
      return matching::WholeHeaderTextMatches(item.headers, filter.header, filter.pattern);
    }
    return matching::MatchHeaderLine(item.headers, filter.header, filter.pattern);
  } catch (const std::exception&) {
    // As for a rule: a test that fails is a condition not met.
    return false;
  }
}

// What a URL names on the connection: a folder (with its own href, one
// spelling for one folder, and its e-mail address, if any), something else,
// or nothing.
struct FolderLookup {
  enum class Kind { kFolder, kNotFolder, kMissing };
  Kind kind = Kind::kMissing;
  std::string href;
  std::string address;
};

// A field the object does not have reads as "".
std::string ValueOrEmpty(const ado::Fields& fields, const char* name) {
  try {
    return fields.Value(name).ToString();
  } catch (const PlatformError& error) {
    if (error.Number() != platform::kErrItemNotFoundInCollection) throw;
    return "";
  }
}

// A URL the store refuses (an unsafe segment) throws kErrInvalidArgument.
FolderLookup LookUpFolder(ado::Connection& connection, const std::string& url) {
  ado::ConnectionRecord record;
  try {
    record.Open(url, &connection, ado::adModeRead, ado::adFailIfNotExists,
                ado::adOpenRecordUnspecified, "", "");
  } catch (const PlatformError& error) {
    if (error.Number() == platform::kErrNotFound) return {};
    throw;
  }
  FolderLookup found{FolderLookup::Kind::kNotFolder, "", ""};
  try {
    auto& fields = record.GetFields();
    if (fields.Value(kIsFolder) == ado::Variant(true)) {
      found = {FolderLookup::Kind::kFolder, fields.Value(kHref).ToString(),
               text::Trim(ValueOrEmpty(fields, kFolderAddress))};
    }
  } catch (const PlatformError& error) {
    if (error.Number() != platform::kErrItemNotFoundInCollection) throw;
  }
  record.Close();
  return found;
}

bool ItemExists(ado::Connection& connection, const std::string& url) {
  return LookUpFolder(connection, url).kind != FolderLookup::Kind::kMissing;
}

// The item's name, then "<stem>-2<ext>", "<stem>-3<ext>", ...
std::string NameCandidate(const std::string& name, int attempt) {
  if (attempt == 1) return name;
  const auto dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : "";
  return stem + "-" + std::to_string(attempt) + extension;
}

std::string LastSegment(const std::string& url) {
  std::string trimmed = url;
  while (!trimmed.empty() && trimmed.back() == '/') trimmed.pop_back();
  return trimmed.substr(trimmed.rfind('/') + 1);
}

std::vector<ItemRow> ListItems(ado::Connection& connection, const std::string& folderUrl) {
  const std::string query = std::string("SELECT \"") + kHref + "\", \"" + kSubject + "\", \"" +
                            kSpamConfidenceLevel + "\", \"" + kTransportHeaders + "\", \"" +
                            kOriginallyDeliveredTo + "\" FROM SCOPE('shallow traversal of \"" +
                            QuoteInQuery(QuoteInQuery(folderUrl, '"'), '\'') + "\"') WHERE \"" +
                            kIsFolder + "\" = False AND \"DAV:ishidden\" = False";
  std::vector<ItemRow> items;
  for (auto rows = connection.Execute(query); !rows->Eof(); rows->MoveNext()) {
    items.push_back({rows->Value(kHref).ToString(), rows->Value(kSubject).ToString(),
                     rows->Value(kSpamConfidenceLevel).ToString(),
                     rows->Value(kTransportHeaders).ToString(),
                     text::Trim(rows->Value(kOriginallyDeliveredTo).ToString())});
  }
  return items;
}

// Dry run: where the item would go, without changing anything.
std::string FreeDestination(ado::Connection& connection, const std::string& targetHref,
                            const std::string& name) {
  for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
    const std::string destination = targetHref + "/" + NameCandidate(name, attempt);
    if (!ItemExists(connection, destination)) return destination;
  }
  throw PlatformError(platform::kErrFileExists, "no free name for " + name + " in " + targetHref);
}

// Removes the marks that would make the sink act on the item again, marks it
// handled by its home folder, and moves it there under the first free name,
// all in one transaction; returns its new URL.
std::string MoveHome(ado::Connection& connection, const std::string& itemUrl,
                     const FolderLookup& home) {
  const std::string& targetHref = home.href;
  connection.BeginTrans();
  try {
    ado::ConnectionRecord record;
    record.Open(itemUrl, &connection, ado::adModeReadWrite, ado::adFailIfNotExists,
                ado::adOpenRecordUnspecified, "", "");
    auto& fields = record.GetFields();
    for (const std::string* mark : {&kMoveTo, &kForwardTo, &kHandledMarker}) {
      try {
        fields.Delete(*mark);
      } catch (const PlatformError& error) {
        if (error.Number() != platform::kErrItemNotFoundInCollection) throw;
      }
    }
    // The sink leaves an item whose handled marker holds an address alone,
    // whatever rule matches it: a later save (a replication) cannot take the
    // item out of its folder again.
    if (home.address.find('@') != std::string::npos) {
      fields.SetValue(kHandledMarker, ado::Variant(home.address));
    }
    fields.Update();
    const std::string name = LastSegment(itemUrl);
    std::string moved;
    for (int attempt = 1; moved.empty(); ++attempt) {
      if (attempt > kMaxNameTries) {
        throw PlatformError(platform::kErrFileExists,
                            "no free name for " + name + " in " + targetHref);
      }
      try {
        // Without adMoveOverWrite a taken name fails, so nothing is replaced.
        moved = record.MoveRecord("", targetHref + "/" + NameCandidate(name, attempt), "", "",
                                  ado::adMoveUnspecified, false);
      } catch (const PlatformError& error) {
        if (error.Number() != platform::kErrFileExists) throw;
      }
    }
    record.Close();
    connection.CommitTrans();
    return moved;
  } catch (...) {
    try {
      if (connection.InTransaction()) connection.RollbackTrans();
    } catch (const PlatformError&) {
      // Closing the connection rolls back what is left.
    }
    throw;
  }
}

}  // namespace

std::optional<std::string> FolderUrlOnRoot(std::string_view rootUrl, std::string_view folder,
                                           bool allowPath) {
  const std::string_view given = text::TrimView(folder);
  std::string path;
  if (const auto after = PathAfterMarker(given)) {
    path = *after;
  } else if (!allowPath || given.find("://") != std::string_view::npos) {
    return std::nullopt;
  } else {
    // A path is names as a person types them: "%" is a percent sign.
    path = text::ReplaceAll(given, "%", "%25");
  }
  const auto begin = path.find_first_not_of('/');
  if (begin == std::string::npos) return std::nullopt;  // the root itself
  path = path.substr(begin, path.find_last_not_of('/') - begin + 1);
  std::string url(rootUrl);
  if (!url.ends_with('/')) url += '/';
  return url + path;
}

std::optional<std::string> RestoreFilterProblem(const RestoreFilter& filter) {
  if (text::Trim(filter.header).empty()) {
    return "the header is empty: a rule without a header never matches";
  }
  if (filter.header.find(':') != std::string::npos) {
    return "the header \"" + filter.header + "\" is named with a colon, which no header line " +
           "has: name it without";
  }
  const bool itemProperty = text::EqualsIgnoreCase(filter.header, "subject") ||
                            text::EqualsIgnoreCase(filter.header, "IMFSCL");
  // The line-break and tab words search the header text literally.
  if (!itemProperty && matching::UsesWholeHeaderText(filter.pattern)) return std::nullopt;
  return pattern::ConditionPatternProblem(filter.pattern);
}

std::string QuarantineRestore::FolderHref(std::string_view folder) {
  ado::Connection& connection = context_.window.storeConnection;
  const std::string& rootUrl = context_.state.publicFolderRootUrl;
  if (rootUrl.empty() || connection.State() != ado::adStateOpen) {
    throw RestoreFolderError("the program has no store connection (start-up could not open it)");
  }
  const auto folderUrl = FolderUrlOnRoot(rootUrl, folder, /*allowPath=*/true);
  if (!folderUrl) {
    throw RestoreFolderError("\"" + std::string(folder) +
                             "\" names no public folder: give a folder URL (http://host/Public/... "
                             "or file://./backofficestorage/domain/Public Folders/...) or a "
                             "path below the root such as \"Junk Mail/Quarantine\"");
  }
  FolderLookup found;
  try {
    found = LookUpFolder(connection, *folderUrl);
  } catch (const PlatformError& error) {
    if (error.Number() != platform::kErrInvalidArgument) throw;
    throw RestoreFolderError("\"" + std::string(folder) +
                             "\" is no folder URL of this store: " + error.Description());
  }
  if (found.kind == FolderLookup::Kind::kMissing) {
    throw RestoreFolderError("there is no folder " + *folderUrl);
  }
  if (found.kind == FolderLookup::Kind::kNotFolder) {
    throw RestoreFolderError(*folderUrl + " is an item, not a folder");
  }
  return found.href;
}

RestoreSummary QuarantineRestore::Restore(std::string_view folder,
                                          const std::optional<RestoreFilter>& filter, bool dryRun,
                                          const std::function<void(const RestoredItem&)>& report) {
  const std::string source = FolderHref(folder);
  ado::Connection& connection = context_.window.storeConnection;
  const std::string& rootUrl = context_.state.publicFolderRootUrl;

  RestoreSummary summary;
  // Many items share a home: each folder is looked up once.
  std::map<std::string, FolderLookup> homes;
  for (const ItemRow& row : ListItems(connection, source)) {
    if (filter && !FilterHolds(*filter, row)) {
      ++summary.notSelected;
      continue;
    }
    RestoredItem item{row.url, row.subject, RestoreResult::kNoMark, row.mark, "", ""};
    const auto home = FolderUrlOnRoot(rootUrl, row.mark, /*allowPath=*/false);
    if (row.mark.empty()) {
      item.result = RestoreResult::kNoMark;
    } else if (!home) {
      item.result = RestoreResult::kTargetInvalid;
    } else {
      try {
        auto found = homes.find(*home);
        if (found == homes.end()) {
          FolderLookup lookup;
          try {
            lookup = LookUpFolder(connection, *home);
          } catch (const PlatformError& error) {
            if (error.Number() != platform::kErrInvalidArgument) throw;
            lookup.kind = FolderLookup::Kind::kNotFolder;  // no URL of this store
          }
          found = homes.emplace(*home, std::move(lookup)).first;
        }
        const FolderLookup& target = found->second;
        if (target.kind == FolderLookup::Kind::kMissing) {
          item.result = RestoreResult::kTargetGone;
        } else if (target.kind == FolderLookup::Kind::kNotFolder) {
          item.result = RestoreResult::kTargetInvalid;
        } else if (target.href == source) {
          item.result = RestoreResult::kAlreadyHome;
        } else {
          item.destination = dryRun ? FreeDestination(connection, target.href, LastSegment(row.url))
                                    : MoveHome(connection, row.url, target);
          item.result = RestoreResult::kRestored;
        }
      } catch (const PlatformError& error) {
        item.result = RestoreResult::kFailed;
        item.detail = std::to_string(error.Number()) + " " + error.Description();
      }
    }
    switch (item.result) {
      case RestoreResult::kRestored:
        ++summary.restored;
        break;
      case RestoreResult::kNoMark:
        ++summary.noMark;
        break;
      case RestoreResult::kAlreadyHome:
        ++summary.alreadyHome;
        break;
      case RestoreResult::kTargetGone:
      case RestoreResult::kTargetInvalid:
      case RestoreResult::kFailed:
        ++summary.notRestored;
        break;
    }
    report(item);
  }
  return summary;
}

}  // namespace quarvel::setup
