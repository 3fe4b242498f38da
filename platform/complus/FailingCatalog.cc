#include "platform/complus/FailingCatalog.h"

#include <utility>

namespace quarvel::platform::complus {
namespace {

class FailingObject : public AdminCatalogObject {
 public:
  FailingObject(AdminCatalogObject& inner, std::shared_ptr<FailingCatalog::Counter> counter)
      : inner_(inner), counter_(std::move(counter)) {}

  [[nodiscard]] std::string Name() const override {
    counter_->Count("Name");
    return inner_.Name();
  }
  [[nodiscard]] std::string Key() const override {
    counter_->Count("Key");
    return inner_.Key();
  }
  [[nodiscard]] ado::Variant Value(std::string_view property) const override {
    counter_->Count("Value");
    return inner_.Value(property);
  }
  void SetValue(std::string_view property, const ado::Variant& value) override {
    counter_->Count("SetValue");
    inner_.SetValue(property, value);
  }

  [[nodiscard]] AdminCatalogObject& Inner() const { return inner_; }

 private:
  AdminCatalogObject& inner_;
  std::shared_ptr<FailingCatalog::Counter> counter_;
};

class FailingCollection : public AdminCatalogCollection {
 public:
  FailingCollection(std::unique_ptr<AdminCatalogCollection> inner,
                    std::shared_ptr<FailingCatalog::Counter> counter)
      : inner_(std::move(inner)), counter_(std::move(counter)) {}

  void Populate() override {
    counter_->Count("Populate");
    inner_->Populate();
    Rewrap();
  }
  [[nodiscard]] std::size_t Count() const override {
    counter_->Count("Count");
    return inner_->Count();
  }
  [[nodiscard]] AdminCatalogObject& Item(std::size_t index) override {
    counter_->Count("Item");
    AdminCatalogObject& item = inner_->Item(index);
    return Wrapper(item);
  }
  AdminCatalogObject& Add() override {
    counter_->Count("Add");
    return Wrapper(inner_->Add());
  }
  void Remove(std::size_t index) override {
    counter_->Count("Remove");
    AdminCatalogObject& item = inner_->Item(index);
    inner_->Remove(index);
    std::erase_if(wrappers_, [&](const auto& wrapper) { return &wrapper->Inner() == &item; });
  }
  std::size_t SaveChanges() override {
    counter_->Count("SaveChanges");
    return inner_->SaveChanges();
  }

 private:
  // One wrapper per inner object, so a reference stays valid as long as the
  // inner one does.
  AdminCatalogObject& Wrapper(AdminCatalogObject& item) {
    for (const auto& wrapper : wrappers_) {
      if (&wrapper->Inner() == &item) return *wrapper;
    }
    return *wrappers_.emplace_back(std::make_unique<FailingObject>(item, counter_));
  }
  // Populating replaced the inner objects.
  void Rewrap() { wrappers_.clear(); }

  std::unique_ptr<AdminCatalogCollection> inner_;
  std::shared_ptr<FailingCatalog::Counter> counter_;
  std::vector<std::unique_ptr<FailingObject>> wrappers_;
};

}  // namespace

void FailingCatalog::Counter::Count(const char* call) {
  if (++calls != failingCall) return;
  failedCall = call;
  throw PlatformError(number, std::string("simulated failure of ") + call + " (call " +
                                  std::to_string(calls) + ")");
}

FailingCatalog::FailingCatalog(AdminCatalog& inner, int failingCall, std::int32_t number)
    : inner_(inner), counter_(std::make_shared<Counter>()) {
  counter_->failingCall = failingCall;
  counter_->number = number;
}

FailingCatalog::~FailingCatalog() = default;

void FailingCatalog::FailCall(int failingCall) {
  counter_->failingCall = failingCall;
  counter_->calls = 0;
  counter_->failedCall.clear();
}

int FailingCatalog::Calls() const { return counter_->calls; }

std::string FailingCatalog::FailedCall() const { return counter_->failedCall; }

std::unique_ptr<AdminCatalogCollection> FailingCatalog::GetCollection(std::string_view name,
                                                                      std::string_view key) {
  counter_->Count("GetCollection");
  return std::make_unique<FailingCollection>(inner_.GetCollection(name, key), counter_);
}

void FailingCatalog::InstallComponent(std::string_view applicationName,
                                      const std::filesystem::path& moduleFile,
                                      std::string_view typeLib, std::string_view proxyStub) {
  counter_->Count("InstallComponent");
  inner_.InstallComponent(applicationName, moduleFile, typeLib, proxyStub);
}

std::vector<ComponentProblem> FailingCatalog::RefreshComponents() {
  counter_->Count("RefreshComponents");
  return inner_.RefreshComponents();
}

void FailingCatalog::ShutdownApplication(std::string_view applicationName) {
  counter_->Count("ShutdownApplication");
  inner_.ShutdownApplication(applicationName);
}

void FailingCatalog::StartApplication(std::string_view applicationName) {
  counter_->Count("StartApplication");
  inner_.StartApplication(applicationName);
}

void FailingCatalog::CreateServiceForApplication(
    std::string_view applicationName, std::string_view serviceName, std::string_view startType,
    std::string_view errorControl, std::string_view dependencies, std::string_view runAs,
    std::string_view password, bool desktopOk) {
  counter_->Count("CreateServiceForApplication");
  inner_.CreateServiceForApplication(applicationName, serviceName, startType, errorControl,
                                     dependencies, runAs, password, desktopOk);
}

}  // namespace quarvel::platform::complus
