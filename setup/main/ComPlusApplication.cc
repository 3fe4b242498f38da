#include "setup/main/ComPlusApplication.h"

#include <memory>
#include <optional>
#include <system_error>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/complus/AdminCatalog.h"
#include "setup/discovery/DirectoryRecipients.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/EventPriority.h"
#include "setup/main/InstallForm.h"
#include "setup/main/PriorityField.h"
#include "setup/main/StatusDisplay.h"

namespace quarvel::setup {

using platform::PlatformError;
using platform::ado::Variant;
using platform::complus::AdminCatalogCollection;
using platform::complus::AdminCatalogObject;
namespace controls = platform::controls;

namespace {

constexpr const char* kWindows2000 = "Windows 2000";

bool IsTrue(const Variant& value) {
  if (value.IsBoolean()) return value == Variant(true);
  if (value.IsInteger()) return value != Variant(0);
  return text::EqualsIgnoreCase(value.ToString(), "True");
}

std::string StateLine(bool installed) {
  return std::string("COM+ object \"") + kApplicationName + "\" is " +
         (installed ? "installed." : "not installed.");
}

}  // namespace

ComPlusApplication::ComPlusApplication(const SetupContext& context, PriorityField& priority,
                                       DirectoryRecipients& recipients, WindowRoutines& routines)
    : context_(context), priority_(priority), recipients_(recipients), routines_(routines) {}

bool ComPlusApplication::IsWindows2000Mode() const {
  return context_.state.windowsVersionName == kWindows2000;
}

std::filesystem::path ComPlusApplication::ComponentFile() const {
  return context_.settings.workingDirectory / kComponentFileName;
}

void ComPlusApplication::LogOnce(const std::string& source, std::int32_t number,
                                 const std::string& description) {
  if (!reported_.insert(source + '\n' + std::to_string(number) + '\n' + description).second) {
    return;
  }
  context_.log.LogError(source, number, description);
}

AdminCatalogObject* ComPlusApplication::FindApplication(AdminCatalogCollection& applications,
                                                        const std::string& name) {
  const std::size_t count = applications.Count();
  for (std::size_t i = 0; i < count; ++i) {
    AdminCatalogObject& application = applications.Item(i);
    if (text::EqualsIgnoreCase(application.Value("Name").ToString(), name)) return &application;
  }
  return nullptr;
}

AdminCatalogObject* ComPlusApplication::FindSinkComponent(AdminCatalogCollection& components,
                                                          const std::string& name) {
  const std::string prefix = name + ".";
  const std::size_t count = components.Count();
  for (std::size_t i = 0; i < count; ++i) {
    AdminCatalogObject& component = components.Item(i);
    if (component.Name().starts_with(prefix)) return &component;
  }
  return nullptr;
}

bool ComPlusApplication::CheckComPlusAppExists(const std::string& name, std::string& identity) {
  auto& catalog = context_.platform.catalog;
  bool exists = false;
  std::optional<std::string> remembered;
  std::optional<PlatformError> failure;
  try {
    auto applications = catalog.GetCollection("Applications", "");
    applications->Populate();
    if (AdminCatalogObject* application = FindApplication(*applications, name)) {
      exists = true;
      identity = application->Value("Identity").ToString();
      const std::string applicationName = application->Value("Name").ToString();
      // A module that cannot be used is said once: the next refresh finds it
      // the same and has nothing new to say.
      for (const auto& problem : catalog.RefreshComponents()) {
        if (!text::EqualsIgnoreCase(problem.application, applicationName)) continue;
        LogOnce("CheckComPlusAppExists", problem.number,
                "the component " + problem.progId + " cannot be used: " + problem.description);
      }
      auto components =
          catalog.GetCollection("Components", text::UpperCase(application->Value("ID").ToString()));
      components->Populate();
      if (AdminCatalogObject* sink = FindSinkComponent(*components, name)) {
        const Variant constructorString = sink->Value("ConstructorString");
        if (IsTrue(sink->Value("ConstructionEnabled")) && !constructorString.IsNull()) {
          remembered = constructorString.ToString();
        }
      }
    }
  } catch (const PlatformError& error) {
    failure = error;
  }

  // The field shows a priority whatever the catalog holds: a stored text that
  // is none is passed over as if absent, and said once.
  std::string priority;
  const std::string stored = text::Trim(remembered.value_or(""));
  if (!stored.empty()) {
    if (const auto value = ParseEventPriority(stored)) {
      priority = std::to_string(*value);
    } else {
      LogOnce("CheckComPlusAppExists", platform::kErrInvalidArgument,
              "the component application \"" + name + "\" keeps the event sink priority \"" +
                  stored + "\", which is no whole number from 0 to 65535; it is not used");
    }
  }
  if (priority.empty()) {
    const auto shown = ParseEventPriority(context_.form.txtPriority.Text());
    priority = shown ? std::to_string(*shown) : kDefaultEventPriority;
  }
  priority_.SetByProgram(priority);
  if (failure) context_.log.LogError("CheckComPlusAppExists", *failure);
  return exists;
}

void ComPlusApplication::AddComPlusApp(const std::string& name, const std::string& identity,
                                       const std::string& password,
                                       const std::string& constructorString) {
  auto& catalog = context_.platform.catalog;
  // The priority is checked before the catalog is touched and written as
  // plain decimal.
  std::string priority;
  if (!constructorString.empty()) {
    const auto value = ParseEventPriority(constructorString);
    if (!value) {
      context_.log.LogError("AddComPlusApp", platform::kErrInvalidArgument,
                            "the event sink priority \"" + constructorString +
                                "\" is no whole number from 0 to 65535; nothing was installed");
      return;
    }
    priority = std::to_string(*value);
  }

  std::string step = "adding the application";
  std::optional<std::string> newId;
  try {
    auto applications = catalog.GetCollection("Applications", "");
    applications->Populate();
    AdminCatalogObject& application = applications->Add();
    newId = application.Value("ID").ToString();
    application.SetValue("Name", name);
    application.SetValue("ApplicationAccessChecksEnabled", false);
    application.SetValue("Description", kApplicationDescription);
    const std::string trimmedIdentity = text::Trim(identity);
    const std::string trimmedPassword = text::Trim(password);
    if (IsWindows2000Mode() && !trimmedIdentity.empty() && !trimmedPassword.empty()) {
      application.SetValue("Identity", trimmedIdentity);
      application.SetValue("Password", trimmedPassword);
    }
    step = "saving the application";
    applications->SaveChanges();

    const std::filesystem::path file = ComponentFile();
    step = "installing the component file " + file.string();
    catalog.InstallComponent(name, file, "", "");

    step = "refreshing the components";
    for (const auto& problem : catalog.RefreshComponents()) {
      if (text::EqualsIgnoreCase(problem.application, name)) {
        throw PlatformError(problem.number, "the component " + problem.progId +
                                                " cannot be used: " + problem.description);
      }
    }

    if (!IsWindows2000Mode()) {
      step = "creating the service";
      try {
        catalog.CreateServiceForApplication(name, name, "SERVICE_AUTO_START",
                                            "SERVICE_ERROR_NORMAL", "", ".\\localsystem", "",
                                            false);
      } catch (const PlatformError& error) {
        // Uninstalling leaves the service; it runs the application by name,
        // so a reinstall finds it ready.
        if (error.Number() != platform::complus::kErrServiceExists) throw;
      }
    }

    if (!priority.empty()) {
      step = "setting the event sink priority";
      auto components = catalog.GetCollection("Components", text::UpperCase(*newId));
      components->Populate();
      AdminCatalogObject* sink = FindSinkComponent(*components, name);
      if (sink == nullptr) {
        throw PlatformError(platform::kErrNotFound, "the component file holds no class " + name +
                                                        ".*, so no sink could be created");
      }
      sink->SetValue("ConstructionEnabled", true);
      sink->SetValue("ConstructorString", priority);
      components->SaveChanges();
    }
  } catch (const PlatformError& error) {
    context_.log.LogError("AddComPlusApp", error.Number(), step + ": " + error.Description());
    if (newId) RemoveHalfMadeApplication(*newId);
  }
}

void ComPlusApplication::RemoveHalfMadeApplication(const std::string& id) {
  try {
    auto applications = context_.platform.catalog.GetCollection("Applications", "");
    applications->Populate();
    const std::size_t count = applications->Count();
    for (std::size_t i = 0; i < count; ++i) {
      if (text::EqualsIgnoreCase(applications->Item(i).Value("ID").ToString(), id)) {
        applications->Remove(i);
        applications->SaveChanges();
        return;
      }
    }
  } catch (const PlatformError& error) {
    context_.log.LogError("AddComPlusApp", error.Number(),
                          "removing the unfinished application again: " + error.Description());
  }
}

void ComPlusApplication::RemoveComPlusApp(const std::string& name) {
  try {
    auto applications = context_.platform.catalog.GetCollection("Applications", "");
    applications->Populate();
    const std::size_t count = applications->Count();
    for (std::size_t i = 0; i < count; ++i) {
      if (text::EqualsIgnoreCase(applications->Item(i).Value("Name").ToString(), name)) {
        applications->Remove(i);
        applications->SaveChanges();
        return;
      }
    }
  } catch (const PlatformError& error) {
    context_.log.LogError("RemoveComPlusApp", error);
  }
}

void ComPlusApplication::RestartComPlusApp(const std::string& name) {
  auto& catalog = context_.platform.catalog;
  try {
    auto applications = catalog.GetCollection("Applications", "");
    applications->Populate();
    if (FindApplication(*applications, name) == nullptr) return;
    catalog.ShutdownApplication(name);
    catalog.StartApplication(name);
  } catch (const PlatformError&) {
    // A restart is a courtesy to the sink's threads; nothing depends on it.
  }
}

void ComPlusApplication::RefreshButtons() {
  InstallForm& form = context_.form;
  try {
    routines_.ShowStoreWideState();
  } catch (const PlatformError& error) {
    context_.log.LogError("ShowStoreWideState", error);
  }
  std::string identity;
  const bool installed = CheckComPlusAppExists(kApplicationName, identity);
  const bool windows2000 = IsWindows2000Mode();
  std::error_code error;
  const bool fileThere = std::filesystem::is_regular_file(ComponentFile(), error);

  if (!installed && !fileThere) {
    form.Frame3.SetEnabled(false);
    form.btnInstall.SetEnabled(false);
    form.btnRegisterSW.SetEnabled(false);
    form.cmdCheckAll.SetEnabled(false);
    // The caption is the application's state for everyone who reads it: an
    // application that is gone must not read as installed.
    form.btnInstall.SetCaption("Install");
    context_.log.LogMessage("File " + ComponentFile().string() +
                            " not found. COM+ object installation is impossible.");
    if (windows2000) {
      form.txtIdent.SetEnabled(false);
      form.txtPwd.SetEnabled(false);
      form.txtIdent.SetVisible(true);
      form.txtPwd.SetVisible(true);
      form.Label8.SetVisible(false);
    } else {
      form.txtIdent.SetVisible(false);
      form.txtPwd.SetVisible(false);
      form.Label8.SetCaption(StateLine(false));
    }
    form.txtPriority.SetEnabled(false);
  } else if (!installed) {
    form.cmdCheckAll.SetCaption("Uncheck All");
    form.cmdCheckAll.SetEnabled(true);
    // A store-wide registration can still be removed, but none can be made.
    const bool canUnregister = form.btnRegisterSW.Caption() == "Unregister";
    form.btnRegisterSW.SetEnabled(canUnregister);
    form.Frame3.SetEnabled(canUnregister);
    form.btnInstall.SetCaption("Install");
    // A refresh after the file appeared makes installing possible again.
    form.btnInstall.SetEnabled(true);
    if (windows2000) {
      form.Label8.SetVisible(false);
      try {
        recipients_.FillIdentityField();
      } catch (const PlatformError& failure) {
        context_.log.LogError("FillIdentityField", failure);
      }
      form.txtIdent.SetEnabled(true);
      form.txtIdent.SetVisible(true);
      form.txtPwd.SetText("");
      form.txtPwd.SetEnabled(true);
      form.txtPwd.SetVisible(true);
      form.Label2.SetCaption("Password:");
      form.Label3.SetVisible(true);
      form.Label2.SetVisible(true);
    } else {
      form.txtIdent.SetVisible(false);
      form.txtPwd.SetVisible(false);
      form.Label3.SetVisible(false);
      form.Label2.SetVisible(false);
      form.Label8.SetCaption(StateLine(false));
    }
    form.txtPriority.SetEnabled(true);
  } else {
    form.Frame3.SetEnabled(true);
    form.cmdCheckAll.SetEnabled(form.ListView1.BorderStyle() ==
                                controls::ListBorderStyle::kSunken3D);
    form.btnRegisterSW.SetEnabled(true);
    form.btnInstall.SetCaption("Uninstall");
    form.btnInstall.SetEnabled(true);
    if (windows2000) {
      form.Label8.SetVisible(false);
      form.txtIdent.SetVisible(true);
      form.txtIdent.SetEnabled(false);
      form.txtIdent.SetText(identity);
      form.txtPwd.SetEnabled(false);
      form.txtPwd.SetVisible(false);
      form.Label2.SetCaption("Password: ********");
    } else {
      form.txtIdent.SetVisible(false);
      form.txtPwd.SetVisible(false);
      form.Label3.SetVisible(false);
      form.Label2.SetVisible(false);
      form.Label8.SetCaption(StateLine(true));
    }
    // The priority can only be changed by installing again.
    form.txtPriority.SetEnabled(false);
  }
  form.btnChange.SetEnabled(false);
}

void ComPlusApplication::btnInstall_Click() {
  InstallForm& form = context_.form;
  StatusDisplay& status = context_.status;
  status.StartAction();
  context_.log.Clear();
  form.txtErr.SetVisible(false);
  form.Command3.SetVisible(false);
  const std::string priority = text::Trim(form.txtPriority.Text());
  if (form.btnInstall.Caption() != "Install") {
    RemoveComPlusApp(kApplicationName);
  } else if (!IsWindows2000Mode()) {
    AddComPlusApp(kApplicationName, "", "", priority);
  } else if (text::TrimView(form.txtIdent.Text()).empty() ||
             text::TrimView(form.txtPwd.Text()).empty()) {
    status.SetStatusText("Status: unknown.");
    context_.services.MessageBox(kFillIdentityAndPassword, controls::MsgBoxButtons::kOkOnly,
                                 controls::MsgBoxIcon::kExclamation,
                                 controls::MsgBoxDefault::kButton1, form.Caption());
    status.EndAction();
    return;
  } else {
    AddComPlusApp(kApplicationName, form.txtIdent.Text(), form.txtPwd.Text(), priority);
  }
  RefreshButtons();
  context_.log.ShowOrHide();
  status.EndAction();
}

}  // namespace quarvel::setup
