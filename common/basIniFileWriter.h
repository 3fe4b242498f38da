// Writing INI files with the behaviour of the Windows private-profile
// functions (WritePrivateProfileString), for the setup program and the tools;
// the sink only reads (basIniFile) and never links this.
//
// Writing replaces a key's value in place, appends the key at the end of its
// section, or appends the section, and keeps everything else in the file:
// other sections, comments, order and the existing spelling of names. Every
// write replaces the whole file at once (a temporary file, then a rename), so a
// reader sees the old file or the new one, never a mix. The file keeps its
// permissions, a symbolic link keeps pointing to it, new lines take the line end
// of its first line (CR LF, LF or CR), and a write that changes nothing leaves it alone.
//
// A section, key or value holding CR or LF is refused with IniError and nothing
// is written: it would inject lines into the file. So are names that could not
// be read back: an empty section or key name, a section name holding "]", a key
// name holding "=" or starting with "[". Write failures throw IniError.
//
// Safe to call from several threads on different files; concurrent writers of
// one file must coordinate themselves (the last rename wins, whole).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileWriter.h"
#include "common/basIniFile.h"

namespace quarvel {

class IniError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& filePath);

void DeleteIniSection(std::string_view section, const std::string& filePath);

// Many writes and section deletes applied to the file as one whole-file replace.
// Nothing touches the file until Commit; the changes apply in the order given.
class IniBatch {
 public:
  // The file is written through `files`, which must outlive the batch.
  explicit IniBatch(std::string filePath, FileWriter& files = SystemFiles());

  // Throws IniError at once for names or values refused as described above.
  IniBatch& Write(std::string_view section, std::string_view key, std::string_view value);
  IniBatch& DeleteSection(std::string_view section);

  // Reads the file, applies every change and replaces the file; the batch is
  // then empty again. Throws IniError, keeping the changes.
  void Commit();

 private:
  struct Change {
    bool deleteSection;
    std::string section, key, value;
  };
  std::string filePath_;
  FileWriter& files_;
  std::vector<Change> changes_;
};

}  // namespace quarvel
