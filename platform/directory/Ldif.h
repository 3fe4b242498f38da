// Reads the directory's entries from LDIF text, the plain format directory
// exports use and a person can edit (a subset of RFC 2849):
//
//   version: 1                      (optional, first)
//   # a comment
//   dn: CN=Alice,CN=Users,DC=example,DC=com
//   objectClass: top                (an attribute may repeat: several values)
//   objectClass: user
//   name:: SsO8cmdlbg==             ("::" a base64 value, any bytes)
//   description: a long value that
//    goes on here                   (a line starting with one blank continues
//                                    the line before, without that blank)
//   sAMAccountType:                 (an empty value is a value)
//
// Entries are separated by blank lines. Lines may end in LF or CRLF. Plain
// values may hold UTF-8. Attribute names are letters, digits and "-",
// starting with a letter; values of integer and boolean attributes are
// checked (DirectorySchema.h).
//
// Not read, and refused: change records ("changetype:"), controls, URL
// values (":<"), attribute options ("cn;lang-de"). Every refusal and every
// malformed line throws PlatformError(kErrFail, "<source>:<line>: <why>"),
// naming the line where the offending entry line starts; nothing is half
// read. Pure; thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/directory/DirectoryEntry.h"

namespace quarvel::platform::directory {

// The entries in file order. Two entries with the same DN (ignoring case) are
// refused. An entry whose DN is empty is the directory's root entry.
[[nodiscard]] std::vector<DirectoryEntry> ParseLdif(std::string_view text,
                                                    const std::string& sourceName);

}  // namespace quarvel::platform::directory
