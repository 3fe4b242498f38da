#include "platform/directory/Ldif.h"

#include <glib.h>

#include <cstddef>
#include <map>
#include <memory>
#include <optional>

#include "platform/PlatformError.h"
#include "platform/directory/DirectorySchema.h"
#include "platform/directory/ValuePattern.h"

namespace quarvel::platform::directory {
namespace {

// A value as an error message shows it: short, on one line.
std::string Shown(const std::string& value) {
  constexpr std::size_t kMax = 60;
  std::string shown = value.substr(0, kMax);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return value.size() > kMax ? shown + "..." : shown;
}

// One line after unfolding, with the physical line it starts on.
struct LogicalLine {
  std::string text;
  std::size_t number = 0;
  bool comment = false;
};

// Records: runs of lines between blank lines.
using Record = std::vector<LogicalLine>;

class Reader {
 public:
  explicit Reader(const std::string& source) : source_(source) {}

  [[noreturn]] void Fail(std::size_t line, const std::string& why) const {
    throw PlatformError(kErrFail, source_ + ":" + std::to_string(line) + ": " + why);
  }

  std::vector<Record> Records(std::string_view text) const {
    std::vector<Record> records;
    Record current;
    std::optional<LogicalLine> line;  // being unfolded
    bool afterBlank = true;
    const auto flushLine = [&] {
      if (line) current.push_back(std::move(*line));
      line.reset();
    };
    const auto flushRecord = [&] {
      flushLine();
      // A record of comments only is no record.
      bool hasData = false;
      for (const auto& l : current) hasData = hasData || !l.comment;
      if (hasData) records.push_back(std::move(current));
      current.clear();
    };
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view physical = text.substr(start, end - start);
      start = end + 1;
      ++number;
      if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);

      if (physical.empty()) {
        flushRecord();
        afterBlank = true;
        continue;
      }
      if (physical.front() == ' ') {
        if (!line) {
          // Blanks alone where nothing can continue: a person's blank line.
          if (physical.find_first_not_of(' ') == std::string_view::npos) {
            flushRecord();
            afterBlank = true;
            continue;
          }
          Fail(number, "a line starting with a blank continues the line before, but " +
                           std::string(afterBlank ? "it follows a blank line" : "there is none"));
        }
        line->text.append(physical.substr(1));
        continue;
      }
      flushLine();
      afterBlank = false;
      line = LogicalLine{std::string(physical), number, physical.front() == '#'};
    }
    flushRecord();
    return records;
  }

  // Splits "name: value", "name:: base64" into name and decoded value.
  std::pair<std::string, std::string> NameAndValue(const LogicalLine& line) const {
    const std::string& text = line.text;
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
      Fail(line.number, "expected \"name: value\", found no \":\"");
    }
    std::string name = text.substr(0, colon);
    CheckName(line, name);
    std::size_t pos = colon + 1;
    if (pos < text.size() && text[pos] == '<') {
      Fail(line.number, "values read from a URL (\":<\") are not supported");
    }
    const bool base64 = pos < text.size() && text[pos] == ':';
    if (base64) ++pos;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    std::string value = text.substr(pos);
    if (base64) value = DecodeBase64(line, value);
    return {std::move(name), std::move(value)};
  }

 private:
  void CheckName(const LogicalLine& line, const std::string& name) const {
    if (name.empty()) Fail(line.number, "an attribute name is missing before \":\"");
    const std::size_t option = name.find(';');
    if (option != std::string::npos) {
      Fail(line.number,
           "attribute options (\"" + Shown(name.substr(option)) + "\") are not supported");
    }
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    bool valid = letter(name[0]);
    for (const char c : name) valid = valid && (letter(c) || digit(c) || c == '-');
    if (!valid) {
      Fail(line.number, "\"" + Shown(name) +
                            "\" is no attribute name (letters, digits and \"-\", starting with "
                            "a letter)");
    }
  }

  std::string DecodeBase64(const LogicalLine& line, const std::string& encoded) const {
    // GLib skips characters outside the alphabet; a damaged value must be
    // refused instead, so the shape is checked first.
    const auto inAlphabet = [](char c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
             c == '+' || c == '/';
    };
    std::size_t padding = 0;
    while (padding < 2 && padding < encoded.size() &&
           encoded[encoded.size() - 1 - padding] == '=') {
      ++padding;
    }
    bool valid = encoded.size() % 4 == 0;
    for (std::size_t i = 0; valid && i < encoded.size() - padding; ++i) {
      valid = inAlphabet(encoded[i]);
    }
    if (!valid) {
      Fail(line.number,
           "the value after \"::\" is not base64 (groups of four of A-Z, a-z, 0-9, "
           "\"+\" and \"/\", padded with \"=\")");
    }
    if (encoded.empty()) return {};
    gsize length = 0;
    std::unique_ptr<guchar, decltype(&g_free)> bytes(g_base64_decode(encoded.c_str(), &length),
                                                     &g_free);
    return std::string(reinterpret_cast<const char*>(bytes.get()), length);
  }

  const std::string& source_;
};

bool IsKeyword(const std::string& name, std::string_view keyword) {
  return SameAttributeName(name, keyword);
}

}  // namespace

std::vector<DirectoryEntry> ParseLdif(std::string_view text, const std::string& sourceName) {
  const Reader reader(sourceName);
  std::vector<DirectoryEntry> entries;
  std::map<std::string, std::size_t> lineOfDn;  // folded DN -> line of its entry
  bool first = true;
  for (const Record& record : reader.Records(text)) {
    std::size_t i = 0;
    const auto skipComments = [&] {
      while (i < record.size() && record[i].comment) ++i;
    };
    skipComments();
    auto line = reader.NameAndValue(record[i]);
    if (IsKeyword(line.first, "version")) {
      if (!first) reader.Fail(record[i].number, "\"version:\" may only open the file");
      if (line.second != "1") {
        reader.Fail(record[i].number,
                    "only LDIF version 1 is read, not \"" + Shown(line.second) + "\"");
      }
      ++i;
      skipComments();
      first = false;
      if (i == record.size()) continue;  // a blank line after the version
      line = reader.NameAndValue(record[i]);
    }
    first = false;
    if (!IsKeyword(line.first, "dn")) {
      reader.Fail(record[i].number,
                  "an entry must start with \"dn:\", not \"" + line.first + ":\"");
    }
    DirectoryEntry entry;
    entry.dn = std::move(line.second);
    entry.line = record[i].number;
    const auto [known, added] = lineOfDn.emplace(FoldCase(entry.dn), entry.line);
    if (!added) {
      reader.Fail(entry.line, "the entry \"" + Shown(entry.dn) + "\" was already given on line " +
                                  std::to_string(known->second));
    }
    for (++i; i < record.size(); ++i) {
      if (record[i].comment) continue;
      auto [attribute, attributeValue] = reader.NameAndValue(record[i]);
      if (IsKeyword(attribute, "dn")) {
        reader.Fail(record[i].number, "a second \"dn:\" in one entry (is a blank line missing?)");
      }
      if (IsKeyword(attribute, "changetype") || IsKeyword(attribute, "control")) {
        reader.Fail(record[i].number, "change records (\"" + attribute +
                                          ":\") are not supported; the file lists entries only");
      }
      if (const auto why = CheckValue(attribute, attributeValue)) {
        reader.Fail(record[i].number, *why + ", not \"" + Shown(attributeValue) + "\"");
      }
      entry.Add(attribute, std::move(attributeValue));
    }
    if (entry.attributes.empty()) reader.Fail(entry.line, "the entry has no attributes");
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace quarvel::platform::directory
