#include "platform/directory/SampleDirectory.h"

#include <system_error>

#include "common/FileWriter.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::directory {
namespace {

// The directory's fixed part. "@ADMIN@" (a DN value), "@ADMIN_NAME@" and
// "@SERVER@" are filled in.
constexpr const char* kTemplate = R"ldif(version: 1

# The directory of the sample server: the domain example.com. Edit it freely;
# the setup program reads it at every lookup. One entry per block, blocks
# separated by blank lines; "name:: ..." is a base64 value, a line starting
# with a blank continues the line before.

# The root entry: it names the global catalog server.
dn:
dnsHostName: dc01.example.com
defaultNamingContext: DC=example,DC=com
rootDomainNamingContext: DC=example,DC=com
configurationNamingContext: CN=Configuration,DC=example,DC=com
schemaNamingContext: CN=Schema,CN=Configuration,DC=example,DC=com
isGlobalCatalogReady: TRUE

dn: DC=example,DC=com
objectClass: top
objectClass: domain
objectClass: domainDNS
objectCategory: CN=Domain-DNS,CN=Schema,CN=Configuration,DC=example,DC=com
dc: example
name: example

dn: CN=Users,DC=example,DC=com
objectClass: top
objectClass: container
objectCategory: CN=Container,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Users
name: Users

# The administrator who runs the setup program; its mailbox is on the
# Exchange server named last in msExchHomeServerName.
dn: CN=@ADMIN@,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: @ADMIN_NAME@
name: @ADMIN_NAME@
sAMAccountName: @ADMIN_NAME@
sAMAccountType: 805306368
userAccountControl: 66048
mail: administrator@example.com
msExchHomeServerName: /o=Example/ou=First Administrative Group/cn=Configurat
 ion/cn=Servers/cn=@SERVER@

dn: CN=Alice Martin,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Alice Martin
name: Alice Martin
sAMAccountName: alice.martin
sAMAccountType: 805306368
userAccountControl: 512
mail: alice.martin@example.com

dn: CN=Bob O'Brien,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Bob O'Brien
name: Bob O'Brien
sAMAccountName: bob.obrien
sAMAccountType: 805306368
userAccountControl: 512
mail: bob.obrien@example.com

# "Jürgen Müller", written in base64 as directory exports write non-ASCII text.
dn:: Q049SsO8cmdlbiBNw7xsbGVyLENOPVVzZXJzLERDPWV4YW1wbGUsREM9Y29t
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn:: SsO8cmdlbiBNw7xsbGVy
name:: SsO8cmdlbiBNw7xsbGVy
sAMAccountName: juergen.mueller
sAMAccountType: 805306368
userAccountControl: 512
mail: juergen.mueller@example.com

# A disabled account: userAccountControl 514 has the disabled bit (2) set.
dn: CN=Carol Kim,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Carol Kim
name: Carol Kim
sAMAccountName: carol.kim
sAMAccountType: 805306368
userAccountControl: 514
mail: carol.kim@example.com

# A mailbox hidden from address lists.
dn: CN=Backup Service,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Backup Service
name: Backup Service
sAMAccountName: backup.service
sAMAccountType: 805306368
userAccountControl: 66048
mail: backup.service@example.com
msExchHideFromAddressLists: TRUE

# A recipient whose sAMAccountType is present but empty.
dn: CN=Legacy Import,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Legacy Import
name: Legacy Import
sAMAccountName: legacy.import
sAMAccountType:
mail: legacy.import@example.com

# A user without mail: no recipient.
dn: CN=Guest,CN=Users,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Guest
name: Guest
sAMAccountName: Guest
sAMAccountType: 805306368
userAccountControl: 66082

# The Exchange server's computer account: a user by class, not a person.
dn: CN=@SERVER@,CN=Computers,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: user
objectClass: computer
objectCategory: CN=Computer,CN=Schema,CN=Configuration,DC=example,DC=com
cn: @SERVER@
name: @SERVER@
sAMAccountName: @SERVER@$
sAMAccountType: 805306369
userAccountControl: 4096

# Groups: global security (268435456), distribution (268435457) and
# domain-local (536870912).
dn: CN=All Staff,CN=Users,DC=example,DC=com
objectClass: top
objectClass: group
objectCategory: CN=Group,CN=Schema,CN=Configuration,DC=example,DC=com
cn: All Staff
name: All Staff
sAMAccountName: All Staff
sAMAccountType: 268435456
groupType: -2147483646
mail: all.staff@example.com
member: CN=Alice Martin,CN=Users,DC=example,DC=com
member: CN=Bob O'Brien,CN=Users,DC=example,DC=com

dn: CN=Newsletter,CN=Users,DC=example,DC=com
objectClass: top
objectClass: group
objectCategory: CN=Group,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Newsletter
name: Newsletter
sAMAccountName: Newsletter
sAMAccountType: 268435457
groupType: 2
mail: newsletter@example.com

dn: CN=Helpdesk,CN=Users,DC=example,DC=com
objectClass: top
objectClass: group
objectCategory: CN=Group,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Helpdesk
name: Helpdesk
sAMAccountName: Helpdesk
sAMAccountType: 536870912
groupType: -2147483644
mail: helpdesk@example.com

# Contacts: people outside the organisation.
dn: OU=Contacts,DC=example,DC=com
objectClass: top
objectClass: organizationalUnit
objectCategory: CN=Organizational-Unit,CN=Schema,CN=Configuration,DC=example,DC=com
ou: Contacts
name: Contacts

dn: CN=Partner Support,OU=Contacts,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: contact
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Partner Support
name: Partner Support
mail: support@partner.example.net
mAPIRecipient: FALSE

dn: CN=Dana Lee,OU=Contacts,DC=example,DC=com
objectClass: top
objectClass: person
objectClass: organizationalPerson
objectClass: contact
objectCategory: CN=Person,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Dana Lee
name: Dana Lee
mail: dana.lee@consulting.example.org
mAPIRecipient: TRUE

# The mail-enabled public folders of the public store.
dn: CN=Microsoft Exchange System Objects,DC=example,DC=com
objectClass: top
objectClass: msExchSystemObjectsContainer
objectCategory: CN=ms-Exch-System-Objects-Container,CN=Schema,CN=Configuration,DC=example,DC=com
cn: Microsoft Exchange System Objects
name: Microsoft Exchange System Objects
)ldif";

struct SampleFolder {
  const char* name;
  const char* mail;
};

// The sample store's mail-enabled folders and their addresses.
constexpr SampleFolder kPublicFolders[] = {
    {"Inbox", "inbox@example.com"},
    {"Junk Mail", "junk@example.com"},
    {"Sales", "sales@example.com"},
    {"Leads", "leads@example.com"},
    {"Support Requests", "support@example.com"},
    {"Board Room", "board@example.com"},
    {"Bob's Deals", "bobs.deals@example.com"},
    {"Customers", "customers@example.com"},
    {"Europe", "europe@example.com"},
    {"Z\u00fcrich \"Ost\"", "zuerich@example.com"},
};

std::string Replaced(std::string text, const std::string& marker, const std::string& value) {
  for (std::size_t at = text.find(marker); at != std::string::npos;
       at = text.find(marker, at + value.size())) {
    text.replace(at, marker.size(), value);
  }
  return text;
}

// A name as one value of a DN: the characters that separate or quote DN parts
// get a backslash.
std::string DnValue(const std::string& name) {
  std::string escaped;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool special = c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' ||
                         c == ';' || c == '=' || (c == '#' && i == 0) ||
                         (c == ' ' && (i == 0 || i + 1 == name.size()));
    if (special) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

void RequireOneLine(const std::string& what, const std::string& name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      throw PlatformError(kErrInvalidArgument,
                          "the sample directory's " + what + " holds a control character");
    }
  }
  if (name.empty() || name.front() == ' ' || name.front() == ':' || name.front() == '<') {
    throw PlatformError(kErrInvalidArgument, "the sample directory's " + what + " \"" + name +
                                                 "\" cannot start an LDIF value");
  }
}

}  // namespace

std::string SampleDirectoryLdif(const std::string& computerName, const std::string& administrator) {
  RequireOneLine("computer name", computerName);
  RequireOneLine("administrator", administrator);
  std::string text = kTemplate;
  text = Replaced(std::move(text), "@ADMIN@", DnValue(administrator));
  text = Replaced(std::move(text), "@ADMIN_NAME@", administrator);
  text = Replaced(std::move(text), "@SERVER@", computerName);
  for (const auto& folder : kPublicFolders) {
    text += std::string("\ndn: CN=") + DnValue(folder.name) +
            ",CN=Microsoft Exchange System Objects,DC=example,DC=com\n"
            "objectClass: top\n"
            "objectClass: publicFolder\n"
            "objectCategory: CN=ms-Exch-Public-Folder,CN=Schema,CN=Configuration,DC=example,"
            "DC=com\n"
            "cn: " +
            folder.name + "\nname: " + folder.name + "\ndisplayName: " + folder.name +
            "\nmail: " + folder.mail + "\n";
  }
  return text;
}

void WriteSampleDirectory(const std::filesystem::path& file, const std::string& computerName,
                          const std::string& administrator) {
  const std::string text = SampleDirectoryLdif(computerName, administrator);
  std::error_code error;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
  try {
    SystemFiles().ReplaceWholeFile(file.string(), text, {});
  } catch (const FileWriteError& failure) {
    const std::string& written =
        failure.Step() == FileWriteStep::kName || failure.TemporaryPath().empty()
            ? file.string()
            : failure.TemporaryPath();
    throw PlatformError(kErrFail, "cannot write the directory file " + written);
  }
}

}  // namespace quarvel::platform::directory
