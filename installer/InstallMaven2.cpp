#include "InstallMaven2.h"

#include <cstdio>
#include <cstdlib>

TInstallForm* InstallForm = nullptr;

TInstallForm::TInstallForm(TComponent* owner) : TForm(owner) { InitializeForm(); }

void TInstallForm::ComponentsLoaded() {
  Panel1 = FindLoaded<TPanel>(*this, "Panel1");
  What = FindLoaded<TLabel>(*this, "What");
  ProgressBar = FindLoaded<TProgressBar>(*this, "ProgressBar");
  Percent = FindLoaded<TLabel>(*this, "Percent");
}

namespace {

// Labels have no window of their own, so what the window showed is
// written, one line per change, to the file INSTALLMAVEN_PROGRESS_LOG
// names when it is set (end-to-end tests read it).
void LogProgress(const std::string& what, int position, const std::string& percent) {
  const char* name = std::getenv("INSTALLMAVEN_PROGRESS_LOG");
  if (!name || !*name) return;
  if (std::FILE* f = std::fopen(name, "ab")) {
    std::fprintf(f, "%s|%d|%s\n", what.c_str(), position, percent.c_str());
    std::fclose(f);
  }
}

}  // namespace

void TInstallForm::ShowProgress(const installmaven::TProgressModel& progress) {
  What->SetCaption(progress.What());
  ProgressBar->SetPosition(progress.Position());
  // The percentage follows the bar's own position, read back.
  if (progress.Position() > 0)
    Percent->SetCaption(installmaven::PercentText(ProgressBar->Position(), ProgressBar->Max()));
  else
    Percent->SetCaption(progress.Percent());
  LogProgress(What->Caption(), ProgressBar->Position(), Percent->Caption());
  Repaint();
}
