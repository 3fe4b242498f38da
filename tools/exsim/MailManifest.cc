#include "tools/exsim/MailManifest.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quarvel::exsim {

std::vector<ManifestEntry> ReadMailManifest(const std::filesystem::path& directory) {
  const auto path = directory / "MANIFEST.tsv";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("no manifest at " + path.string());
  std::vector<ManifestEntry> entries;
  std::string line;
  std::getline(in, line);  // the heading
  for (int number = 2; std::getline(in, line); ++number) {
    if (line.empty()) continue;
    std::istringstream fields(line);
    ManifestEntry entry;
    std::string scl;
    std::getline(fields, entry.file, '\t');
    std::getline(fields, entry.folder, '\t');
    std::getline(fields, scl, '\t');
    std::getline(fields, entry.messageClass, '\t');
    int level = 0;
    const auto [end, error] = std::from_chars(scl.data(), scl.data() + scl.size(), level);
    if (entry.file.empty() || entry.folder.empty() || entry.messageClass.empty() ||
        (scl != "-" && (error != std::errc() || end != scl.data() + scl.size()))) {
      throw std::runtime_error(path.string() + ", line " + std::to_string(number) +
                               ": expected file, folder, SCL (or -) and class");
    }
    if (scl != "-") entry.spamConfidenceLevel = level;
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace quarvel::exsim
