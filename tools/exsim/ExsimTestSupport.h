// A fresh sample server in a temporary directory, with its own copy of the
// sink module and rule file, for the end-to-end tests of exsim.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/PlatformError.h"
#include "platform/server/SampleServer.h"
#include "platform/server/SimulatedServer.h"
#include "tools/exsim/Delivery.h"
#include "tools/exsim/ExsimCommands.h"

namespace quarvel::exsim::testing {

namespace fs = std::filesystem;
using platform::server::CreateSampleServer;

class ServerFixture : public ::testing::Test {
 protected:
  ServerFixture()
      : directory_(fs::temp_directory_path() /
                   ("exsim_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(directory_);
    CreateSampleServer(directory_ / "server", false);
    // The sink reads the rule file beside its own module file, so each test
    // gets its own copy of the module.
    fs::create_directories(directory_ / "bin");
    fs::copy_file(QUARVEL_MODULE_PATH, ModulePath());
    server_ = std::make_unique<SimulatedServer>(directory_ / "server");
  }
  ~ServerFixture() override {
    server_.reset();
    fs::remove_all(directory_);
  }

  fs::path ModulePath() const { return directory_ / "bin" / "Quarvel.so"; }

  void WriteRules(const std::string& rules) {
    std::ofstream(directory_ / "bin" / "Quarvel.ini")
        << "[Quarvel RuleSet1]\n"
        << rules << "[Quarvel PickupDir]\nPath=" << server_->PickupDirectory().string() << "\n";
  }

  void InstallSink() {
    std::ostringstream out, err;
    ASSERT_EQ(InstallComponent(*server_, "Quarvel", ModulePath().string(), out, err), 0)
        << err.str();
  }

  void Register(const std::string& folder, bool storeWide = false) {
    RegistrationRequest request;
    request.folder = folder;
    request.storeWide = storeWide;
    std::ostringstream out, err;
    ASSERT_EQ(AddRegistration(*server_, request, out, err), 0) << err.str();
  }

  platform::store::SaveResult Deliver(
      const std::string& folder, const std::string& message, std::optional<int> scl = std::nullopt,
      platform::store::SaveKind kind = platform::store::SaveKind::kDelivered,
      const std::string& messageClass = "IPM.Note") {
    DeliveryOptions options;
    options.spamConfidenceLevel = scl;
    options.kind = kind;
    options.messageClass = messageClass;
    return DeliverMessage(*server_, server_->ResolveFolder(folder), "test.eml", message, options);
  }

  std::vector<fs::path> PickupFiles() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(server_->PickupDirectory())) {
      files.push_back(entry.path());
    }
    return files;
  }

  fs::path directory_;
  std::unique_ptr<SimulatedServer> server_;
};

inline std::string Message(const std::string& headers, const std::string& body = "Hello.\r\n") {
  return "From: Sender <sender@example.net>\r\nTo: inbox@example.com\r\n" + headers + "\r\n" + body;
}

}  // namespace quarvel::exsim::testing
