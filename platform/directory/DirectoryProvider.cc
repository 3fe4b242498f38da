#include "platform/directory/DirectoryProvider.h"

#include <string>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/ado/AdoErrors.h"
#include "platform/directory/DirectoryFile.h"

namespace quarvel::platform::directory {
namespace {

[[noreturn]] void NotAvailable(const char* operation) {
  throw PlatformError(ado::kErrFeatureNotAvailable,
                      std::string("Object or provider is not capable of performing requested "
                                  "operation: the directory provider is read-only (") +
                          operation + ")");
}

class DirectoryProviderSession : public ado::ProviderSession {
 public:
  explicit DirectoryProviderSession(std::shared_ptr<const DirectoryService> service)
      : service_(std::move(service)) {}

  std::unique_ptr<ado::Record> OpenRecord(const std::string&, ado::Connection&, ado::ConnectMode,
                                          ado::RecordCreateOptions, ado::RecordOpenOptions,
                                          const std::string&, const std::string&) override {
    NotAvailable("Record.Open");
  }
  ado::Rowset Execute(const std::string& commandText, const ado::Properties& properties) override {
    return service_->Search(commandText, properties);
  }
  void BeginTrans() override { NotAvailable("BeginTrans"); }
  void CommitTrans() override { NotAvailable("CommitTrans"); }
  void RollbackTrans() override { NotAvailable("RollbackTrans"); }

 private:
  std::shared_ptr<const DirectoryService> service_;
};

}  // namespace

void RegisterDirectoryProvider(ado::ProviderRegistry& registry,
                               std::shared_ptr<const DirectoryService> service) {
  if (!service) throw PlatformError(kErrInvalidArgument, "no directory to register");
  registry.Register(
      std::string(kDirectoryProviderName),
      [service](const ado::ConnectionInfo& info) -> std::unique_ptr<ado::ProviderSession> {
        if (!text::EqualsIgnoreCase(info.connectionString, kDirectoryConnectionString)) {
          throw PlatformError(kErrInvalidArgument, "the directory provider opens \"" +
                                                       std::string(kDirectoryConnectionString) +
                                                       "\", not \"" + info.connectionString + "\"");
        }
        return std::make_unique<DirectoryProviderSession>(service);
      });
}

void RegisterDirectoryProvider(ado::ProviderRegistry& registry,
                               const std::filesystem::path& serverRoot) {
  RegisterDirectoryProvider(registry,
                            std::make_shared<DirectoryFile>(serverRoot / kDirectoryFileName));
}

}  // namespace quarvel::platform::directory
