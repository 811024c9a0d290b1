// The form-description reader over arbitrary text: a description parses or
// raises EParserError, nothing else. A description that parses is then
// built into a form of the toolkit's controls (and the installer's archive
// component), which either loads or raises one of the toolkit's errors,
// and the form is painted and its keys pressed.
#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveComponent.h"
#include "toolkit/base/SoftCanvas.h"
#include "toolkit/forms/FormReader.h"
#include "toolkit/forms/StdCtrls.h"

namespace {

class TFuzzForm : public TCustomForm {
public:
    explicit TFuzzForm(std::string className) : TCustomForm(nullptr), class_name_(std::move(className)) {}
    const char *ClassName() const override { return class_name_.c_str(); }
    void HandleException() override {}

private:
    std::string class_name_;
};

void BuildAndPaint(const TObjectDesc &d)
{
    TFuzzForm form(d.ClassName);
    // Every named handler exists, as a click handler; one that fits an
    // archive event only by name is refused as not fitting.
    for (const TEventBinding &b : EventBindings(d))
        form.RegisterMethod(b.Handler, [](TObject *) {});
    try {
        form.LoadFromDescription(d);
    } catch (const Exception &) {
        return;
    }
    TBitmap surface;
    surface.SetWidth(64);
    surface.SetHeight(64);
    TSoftCanvas canvas(surface);
    form.PaintControls(canvas);
    form.TabOrderList();
    form.PressDefault();
    form.PressCancel();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool registered = (installmaven::RegisterInstallerComponents(), true);
    (void)registered;
    std::string text(reinterpret_cast<const char *>(data), size);
    // Names starting with "X" are unknown resources; the others resolve.
    auto resolve = [](const std::string &name, std::vector<std::uint8_t> &bytes) {
        if (!name.empty() && name[0] == 'X')
            return false;
        bytes.assign(name.begin(), name.end());
        return true;
    };
    TObjectDesc d;
    try {
        d = ParseFormDescription(text, resolve);
    } catch (const EParserError &) {
        return 0;
    }
    for (const TEventBinding &b : EventBindings(d))
        if (b.Handler.empty() || b.Event.size() < 3)
            __builtin_trap();
    BuildAndPaint(d);
    return 0;
}
