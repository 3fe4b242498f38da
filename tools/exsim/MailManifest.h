// The manifest of a directory of sample mail (MANIFEST.tsv): one line per
// message file, TAB-separated, after a heading line: file name, the folder it
// is meant for, the spam confidence level to deliver it with ("-" for none),
// and its message class.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quarvel::exsim {

struct ManifestEntry {
  std::string file;
  std::string folder;
  std::optional<int> spamConfidenceLevel;
  std::string messageClass;
};

// Throws std::runtime_error for a missing manifest or a line it cannot read.
[[nodiscard]] std::vector<ManifestEntry> ReadMailManifest(const std::filesystem::path& directory);

}  // namespace quarvel::exsim
