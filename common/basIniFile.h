// Reading INI files with the behaviour of the Windows private-profile
// functions; writing them is basIniFileWriter's, which the sink never links.
//
// Section and key names match ignoring letter case, and blanks and TABs
// around them do not count. Values are trimmed of blanks and TABs (one inside
// a value stays); a value enclosed in a matching pair of quotation marks (two
// '"' or two '\'', at least two characters) loses them. At most 2047
// characters come back. CR LF, LF and a lone CR each end a line. There are no
// inline comments; a line without "=" is no key. For duplicate sections or
// keys the first one wins. A missing or unreadable file, section or key gives
// the default; reading never throws for a file's content.
//
// Safe to call from several threads on different readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarvel {

// The longest value ReadIniValue returns, as the 2048-character buffer allows.
inline constexpr std::size_t kIniValueMaxChars = 2047;

[[nodiscard]] std::string ReadIniValue(std::string_view section, std::string_view key,
                                       std::string_view defaultValue, const std::string& filePath);

// An INI reader that parses a whole text once, for readers that look up many
// keys of one file, and that keeps its memory from one load to the next: the
// sink loads the rule file at every saved item, and fresh buffers each time
// would cost more than the parse. Lookups follow ReadIniValue exactly.
// Views it returns point into its own text and stay valid until the next
// Load or Parse that changes the text. Not thread-safe: one reader per thread.
class IniReader {
 public:
  // A key name (trimmed) and its value as ReadIniValue returns it.
  using Entry = std::pair<std::string_view, std::string_view>;
  using EntryList = std::span<const Entry>;

  // A missing or unreadable file reads as empty. Returns whether the text
  // differs from the one loaded before; when it is the same byte for byte,
  // the earlier parse stands, with its views.
  bool Load(const std::string& filePath);
  void Parse(std::string_view text);

  // The value, or the default cut to kIniValueMaxChars.
  [[nodiscard]] std::string_view Read(std::string_view section, std::string_view key,
                                      std::string_view defaultValue = {}) const;

  // The entries of the first section named `section` in file order, duplicate
  // keys included; nullptr when there is no such section.
  [[nodiscard]] const EntryList* Entries(std::string_view section) const;

 private:
  struct Section {
    std::string_view name;   // trimmed, as written
    std::uint32_t nameHash;  // see basIniFile.cc
    EntryList entries;
    std::size_t firstEntry;  // index into entries_
  };

  // Bytes kept after the text for the line scan (see basIniFile.cc).
  static constexpr std::size_t kPadding = 16;

  // Text, then kPadding bytes.
  struct Buffer {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;

    [[nodiscard]] std::size_t Room() const { return capacity - (capacity > 0 ? kPadding : 0); }
    // A new buffer with room for `room` bytes of text, keeping the first `keep`.
    void Grow(std::size_t keep, std::size_t room);
  };

  void ParseOwnText();
  [[nodiscard]] const Section* FindSection(std::string_view section) const;

  Buffer buffer_;  // holds text_
  Buffer spare_;   // the next file is read here, to compare with text_
  bool parsed_ = false;
  std::string_view text_;
  std::vector<Entry> entries_;  // of all sections, in file order
  std::vector<Section> sections_;
};

// A parsed INI text that copies cheaply and never changes, so threads may
// share it. Lookups follow ReadIniValue exactly.
class IniSnapshot {
 public:
  using Entry = IniReader::Entry;
  using EntryList = IniReader::EntryList;

  // A missing or unreadable file gives an empty snapshot.
  static IniSnapshot Load(const std::string& filePath);
  static IniSnapshot Parse(std::string_view text);

  [[nodiscard]] std::string Read(std::string_view section, std::string_view key,
                                 std::string_view defaultValue = {}) const;

  // As IniReader::Entries; the views live as long as the snapshot or a copy.
  [[nodiscard]] const EntryList* Entries(std::string_view section) const;

 private:
  std::shared_ptr<const IniReader> reader_;  // null when empty
};

}  // namespace quarvel
