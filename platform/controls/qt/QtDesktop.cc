#include "platform/controls/qt/QtDesktop.h"

#include <QApplication>
#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>
#include <iostream>

#include "platform/PlatformError.h"
#include "platform/controls/Form.h"
#include "platform/controls/qt/WindowFont.h"

namespace quarvel::platform::controls::qt {

std::string DescribeError(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const PlatformError& e) {
    return "Run-time error '" + std::to_string(e.Number()) + "': " + e.Description();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

QtDesktop::QtDesktop() : QtDesktop(std::make_unique<QtWindowServices>()) {}

QtDesktop::QtDesktop(QtWindowServices& services) : services_(services) { Prepare(); }

QtDesktop::QtDesktop(std::unique_ptr<QtWindowServices> services)
    : ownServices_(std::move(services)), services_(*ownServices_) {
  Prepare();
}

void QtDesktop::Prepare() {
  services_.AttachDesktop(this);
  if (qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE") &&
      QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
      QApplication::setStyle(fusion);
    }
  }
  QApplication::setFont(WindowFont());
}

QtDesktop::~QtDesktop() {
  // The renderers go first: their forms stop reporting to them.
  for (const auto& renderer : renderers_) {
    if (ownServices_ != nullptr && renderer->Model().Services() == &services_) {
      renderer->Model().SetServices(nullptr);
    }
  }
  renderers_.clear();
  services_.AttachDesktop(nullptr);
}

FormRenderer& QtDesktop::Render(Form& form) {
  if (FormRenderer* existing = RendererFor(form)) return *existing;
  form.SetServices(&services_);
  renderers_.push_back(std::make_unique<FormRenderer>(
      form, icons_, [this](const std::exception_ptr& error) { Report(error); }));
  return *renderers_.back();
}

FormRenderer* QtDesktop::RendererFor(const Form& form) const {
  for (const auto& renderer : renderers_) {
    if (&renderer->Model() == &form) return renderer.get();
  }
  return nullptr;
}

void QtDesktop::SetErrorReporter(FormRenderer::ErrorReporter reporter) {
  reporter_ = std::move(reporter);
}

void QtDesktop::Report(const std::exception_ptr& error) const {
  if (reporter_) {
    reporter_(error);
    return;
  }
  const std::string text = DescribeError(error);
  std::cerr << QCoreApplication::applicationName().toStdString() << ": " << text << '\n';
  QMessageBox::critical(QApplication::activeWindow(), QCoreApplication::applicationName(),
                        QString::fromStdString(text));
}

int QtDesktop::Run(Form& mainForm) {
  FormRenderer& renderer = Render(mainForm);
  mainForm.Show();
  renderer.RunUntilUnloaded();
  return 0;
}

}  // namespace quarvel::platform::controls::qt
