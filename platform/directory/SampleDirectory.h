// The directory of the sample server that `exsim init` creates, as LDIF (see
// Ldif.h): the domain example.com with its global catalog dc01.example.com,
// and one object of every kind the setup program tells apart:
//   - users (one with a base64 name, one with a quote in its name), the
//     administrator (sAMAccountName `administrator`, its mailbox on the
//     Exchange server `computerName`, in msExchHomeServerName), a disabled
//     user, a user hidden from address lists, a user whose sAMAccountType is
//     present but empty, a user without mail, the server's computer account;
//   - groups: a global security group (sAMAccountType 268435456), a
//     distribution group (268435457) and a domain-local group (536870912);
//   - contacts (mAPIRecipient, no sAMAccountType);
//   - the directory objects of the sample store's mail-enabled public
//     folders (objectCategory ms-Exch-Public-Folder, mail, neither
//     sAMAccountType nor mAPIRecipient), with the same addresses.
// Addresses are in example.com, the sample store's mail domain.
#pragma once

#include <filesystem>
#include <string>

namespace quarvel::platform::directory {

inline constexpr const char* kSampleDnsHostName = "dc01.example.com";
inline constexpr const char* kSampleDomainDn = "DC=example,DC=com";

// Throws PlatformError(kErrInvalidArgument) for a name holding a control
// character, which could not stand on one LDIF line.
[[nodiscard]] std::string SampleDirectoryLdif(const std::string& computerName,
                                              const std::string& administrator);

// Writes the sample to `file` (normally <server root>/directory.ldif),
// replacing it at once (temporary file, then rename); creates the directory.
// Throws PlatformError(kErrFail) when it cannot be written.
void WriteSampleDirectory(const std::filesystem::path& file, const std::string& computerName,
                          const std::string& administrator);

}  // namespace quarvel::platform::directory
