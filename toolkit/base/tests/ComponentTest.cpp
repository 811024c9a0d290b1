// The removal notice of a component reaches its owner and siblings while the
// component is still whole, with csDestroying set, however it is freed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/base/Classes.h"

namespace {

class TPart : public TComponent {
public:
  using TComponent::TComponent;
  ~TPart() override { BeforeDestruction(); }
  const char* ClassName() const override { return "TPart"; }
  std::string Label = "part";
};

// Records what each removal notice showed of the component going away.
class TRecorder : public TComponent {
public:
  TRecorder(TComponent* owner, std::vector<std::string>& seen) : TComponent(owner), Seen(seen) {}
  std::vector<std::string>& Seen;

protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op != opRemove) return;
    auto* part = dynamic_cast<TPart*>(c);
    std::string state = c->ComponentState().Contains(csDestroying) ? "destroying" : "alive";
    Seen.push_back(std::string(part ? part->Label : "?") + " " + state + (c->Owner() ? " owned" : " free"));
  }
};

TEST(Component, RemovalNoticeSeesTheWholeComponent) {
  struct Case {
    const char* name;
    void (*free)(TRecorder& owner, TComponent* part);
  };
  const Case cases[] = {
      {"deleted", [](TRecorder&, TComponent* p) { delete p; }},
      {"owner frees its components", [](TRecorder& o, TComponent*) { o.DestroyComponents(); }},
      {"before destruction, then deleted", [](TRecorder&, TComponent* p) {
         p->BeforeDestruction();
         p->BeforeDestruction();  // once only
         delete p;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> ownerSaw, siblingSaw;
    TRecorder owner(nullptr, ownerSaw);
    new TRecorder(&owner, siblingSaw);
    auto* part = new TPart(&owner);
    c.free(owner, part);
    ASSERT_FALSE(ownerSaw.empty());
    EXPECT_EQ(ownerSaw.front(), "part destroying free");  // then the sibling's, when the owner frees all
    EXPECT_EQ(siblingSaw, std::vector<std::string>{"part destroying free"});
  }
}

TEST(Component, OwnerSendsNoticesBeforeItsOwnPartsGo) {
  // The owner's own derived destructor frees the components, so its
  // Notification override still runs for each of them.
  class TOwner : public TRecorder {
  public:
    using TRecorder::TRecorder;
    ~TOwner() override { DestroyComponents(); }
  };
  std::vector<std::string> seen;
  {
    TOwner owner(nullptr, seen);
    (new TPart(&owner))->Label = "first";
    (new TPart(&owner))->Label = "second";
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"second destroying free", "first destroying free"}));
}

}  // namespace
