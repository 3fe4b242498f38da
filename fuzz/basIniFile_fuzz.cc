// Feeds arbitrary bytes to the INI reader, then writes fuzzed names and values
// through IniBatch into a file that starts with fuzzed content, and checks that
// every write reads back unless a later change in the batch superseded it.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/Text.h"
#include "common/basIniFileWriter.h"

namespace {

using quarvel::IniBatch;
using quarvel::IniError;
using quarvel::IniSnapshot;
namespace text = quarvel::text;

void ParseAndRead(std::string_view bytes) {
  const IniSnapshot ini = IniSnapshot::Parse(bytes);
  for (std::string_view section : {"s", "Quarvel RuleSet1", "", "\xC3\xA4"}) {
    for (std::string_view key : {"k", "Action1", ""}) {
      if (text::CharCount(ini.Read(section, key)) > quarvel::kIniValueMaxChars) std::abort();
    }
    if (const auto* entries = ini.Entries(section)) {
      for (const auto& [key, value] : *entries) {
        // The first entry of a name is what Read returns.
        if (ini.Read(section, key, "\n") == "\n") std::abort();
        (void)value;
      }
    }
  }
}

struct Op {
  bool deleteSection;
  std::string section, key, value;
};

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// Names and values as the reader sees them: blanks and TABs at the ends drop.
std::string_view TrimBlanksAndTabs(std::string_view s) {
  while (!s.empty() && IsBlankOrTab(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankOrTab(s.back())) s.remove_suffix(1);
  return s;
}

bool SameSection(const Op& a, const Op& b) {
  return text::EqualsIgnoreCase(TrimBlanksAndTabs(a.section), TrimBlanksAndTabs(b.section));
}

bool SameKey(const Op& a, const Op& b) {
  return SameSection(a, b) &&
         text::EqualsIgnoreCase(TrimBlanksAndTabs(a.key), TrimBlanksAndTabs(b.key));
}

// Values the reader changes on the way back: blanks and TABs at the ends,
// enclosing quotes.
bool ReadsBackUnchanged(std::string_view v) {
  if (v.find_first_of("\r\n") != std::string_view::npos) return false;
  if (!v.empty() && (IsBlankOrTab(v.front()) || IsBlankOrTab(v.back()))) return false;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return false;
  }
  return text::CharCount(v) <= quarvel::kIniValueMaxChars;
}

std::string TempDirectory() {
  if (const char* dir = std::getenv("TMPDIR"); dir != nullptr && *dir != '\0') return dir;
  return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

void WriteAndReadBack(FuzzedDataProvider& data) {
  std::string path = TempDirectory() + "/basIniFile_fuzz-XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd < 0) return;
  const std::string initial = data.ConsumeRandomLengthString(512);
  const bool written =
      write(fd, initial.data(), initial.size()) == static_cast<ssize_t>(initial.size());
  close(fd);

  std::vector<Op> ops;
  IniBatch batch(path);
  const int count = data.ConsumeIntegralInRange(0, 12);
  for (int i = 0; i < count && written; ++i) {
    Op op;
    op.deleteSection = data.ConsumeIntegralInRange(0, 5) == 0;
    // Few distinct names, so that writes meet existing sections and keys.
    op.section = data.ConsumeRandomLengthString(8);
    try {
      if (op.deleteSection) {
        batch.DeleteSection(op.section);
      } else {
        op.key = data.ConsumeRandomLengthString(8);
        op.value = data.ConsumeRandomLengthString(64);
        batch.Write(op.section, op.key, op.value);
      }
    } catch (const IniError&) {
      continue;  // refused names and values never reach the file
    }
    ops.push_back(op);
  }
  bool committed = false;
  try {
    batch.Commit();
    committed = true;
  } catch (const IniError&) {
  }
  if (committed) {
    const IniSnapshot ini = IniSnapshot::Load(path);
    for (std::size_t i = 0; i < ops.size(); ++i) {
      const Op& op = ops[i];
      if (op.deleteSection || !ReadsBackUnchanged(op.value)) continue;
      bool superseded = false;
      for (std::size_t j = i + 1; j < ops.size() && !superseded; ++j) {
        superseded = ops[j].deleteSection ? SameSection(ops[j], op) : SameKey(ops[j], op);
      }
      if (!superseded && ini.Read(op.section, op.key, "\n") != op.value) std::abort();
    }
  }
  unlink(path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  ParseAndRead(std::string_view(reinterpret_cast<const char*>(bytes), size));
  FuzzedDataProvider data(bytes, size);
  WriteAndReadBack(data);
  return 0;
}
