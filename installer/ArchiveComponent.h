// ArchiveComponent.h - the archive as a component of a stored window
// description: "object Archive: TZLBArchive" with its CompressionLevel and
// its events bound by handler name. The archive itself is Archive().
#pragma once

#include <string>

#include "ZLIBArchive.h"
#include "toolkit/forms/Controls.h"

namespace installmaven {

class TArchiveComponent : public TStoredComponent {
public:
  explicit TArchiveComponent(TComponent* owner) : TStoredComponent(owner), FArchive(nullptr) {}
  const char* ClassName() const override { return "TZLBArchive"; }
  // CompressionLevel (fcNone, fcFastest, fcDefault, fcMaximum),
  // OnFileExtracted (a handler taking the file's name).
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  TZLBArchive& Archive() { return FArchive; }

private:
  TZLBArchive FArchive;
};

// Registers TZLBArchive with the form reader.
void RegisterInstallerComponents();

}  // namespace installmaven
