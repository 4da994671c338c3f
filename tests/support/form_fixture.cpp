// FormFixture: builds the window with the test doubles.
#include "support/form_fixture.h"

FormFixture::FormFixture(TempSettings::Values values) : settings(values) {
  fileSystem_ = MakeLocalFileSystem();
  Form1Services services;
  services.dialogs = &dialogs;
  services.settings = &settings.store();
  services.desktop = &desktop;
  services.fileSystem = fileSystem_.get();
  services.applicationFolder = TreeRoot(appDir_);
  services.random = [this] { return randomDraw; };
  services.endProgram = [this] { ++endProgramCalls; };
  services.cursorPos = [this] { return cursorPos; };
  form_ = std::make_unique<Form1>(services);
}

FormFixture::~FormFixture() = default;

QString FormFixture::AppPath(const QString& relative) const {
  return TreeRoot(appDir_) + QStringLiteral("/") + relative;
}
