#include "launcher/Components.h"

#include "toolkit/forms/Controls.h"

namespace {

class TPlasmaFormStandIn : public TImage {
public:
  using TImage::TImage;
  const char* ClassName() const override { return "TPlasmaForm"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override {
    if (name == "Mask.Data" && value.Kind == vaBinary) FMaskData = value.Bytes;
    else if (name == "Moveable" && value.Kind == vaIdent) FMoveable = value.Text == "True";
    else return TImage::ReadProperty(name, value, root);
    return true;
  }

private:
  std::vector<std::uint8_t> FMaskData;
  bool FMoveable = true;
};

}  // namespace

void RegisterLauncherComponents() {
  RegisterComponentClass("TPlasmaForm", [](TComponent* o) { return new TPlasmaFormStandIn(o); });
  RegisterComponentClass("TNOVHint", [](TComponent* o) { return new TStandInComponent(o, "TNOVHint"); });
  RegisterComponentClass("TNOVBackground", [](TComponent* o) { return new TStandInComponent(o, "TNOVBackground"); });
}
