// The component catalog's file: its JSON form, read and written whole.
// Internal to the catalog (ComponentCatalog.h is the contract).
//
// Reading checks the shape and throws PlatformError(kErrFail) naming the
// catalog, the entry and the field, never a value: the file holds passwords.
// Writing replaces the file at once, owner-only (0600), creating its
// directory if needed; failures throw PlatformError(kErrFail) naming the
// step that failed.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "common/FileWriter.h"
#include "platform/complus/ComponentCatalog.h"

namespace quarvel::platform::complus {

struct CatalogContent {
  std::vector<Application> applications;
  std::vector<Service> services;
};

// `where` names the catalog in messages.
[[nodiscard]] CatalogContent ParseCatalog(std::istream& in, const std::string& where);

// Throws PlatformError(kErrInvalidArgument) for text that is not valid UTF-8.
[[nodiscard]] std::string SerialiseCatalog(const std::vector<Application>& applications,
                                           const std::vector<Service>& services,
                                           const std::string& where);

void WriteCatalogFile(FileWriter& files, const std::filesystem::path& file,
                      const std::string& content);

}  // namespace quarvel::platform::complus
