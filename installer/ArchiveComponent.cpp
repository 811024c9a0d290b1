#include "ArchiveComponent.h"

#include "toolkit/forms/Properties.h"

namespace installmaven {

bool TArchiveComponent::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  using namespace formprops;
  if (name == "CompressionLevel") {
    FArchive.SetCompressionLevel(
        static_cast<TFileCompressionLevel>(AsEnum(*this, name, v, {"fcNone", "fcFastest", "fcDefault", "fcMaximum"})));
  } else if (name == "OnFileExtracted") {
    FArchive.OnFileExtracted = root.Methods().Find<void(const std::string&)>(AsIdent(*this, name, v));
  } else {
    return TStoredComponent::ReadProperty(name, v, root);
  }
  return true;
}

void RegisterInstallerComponents() {
  RegisterComponentClass("TZLBArchive", [](TComponent* o) { return new TArchiveComponent(o); });
}

}  // namespace installmaven
