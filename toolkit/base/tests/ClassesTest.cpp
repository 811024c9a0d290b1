// Streams, string lists, sets and the component pattern.
#include "testsupport.h"
#include "toolkit/base/Classes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace {

TEST(MemoryStream, ReadWriteSeek) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Seek(-2, TSeekOrigin::soEnd), 4);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 2u);
  EXPECT_STREQ(buf, "ef");
  EXPECT_EQ(s.Read(buf, 1), 0u);
  s.SetPosition(1);
  s.WriteBuffer("XY", 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 6), "aXYdef");
  s.SetPosition(10);  // past the end: reads nothing, writes fill with zeros
  EXPECT_EQ(s.Read(buf, 1), 0u);
  try {
    s.ReadBuffer(buf, 1);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message, "Stream read error");
  }
  EXPECT_EQ(s.Seek(-100, TSeekOrigin::soCurrent), 0);
}

TEST(FileStream, OpenCreateAndErrors) {
  testsupport::TempDir dir("toolkit-stream");
  std::string path = (dir / "stream-test.bin").string();
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("0123456789", 10);
  }
  {
    TFileStream f(path, fmOpenReadShareDenyWrite);
    EXPECT_EQ(f.Size(), 10);
    f.Seek(3, TSeekOrigin::soBeginning);
    char c;
    f.ReadBuffer(&c, 1);
    EXPECT_EQ(c, '3');
    EXPECT_EQ(f.Position(), 4);
    TMemoryStream m;
    m.CopyFrom(f, 0);
    EXPECT_EQ(m.Size(), 10);
  }
  std::remove(path.c_str());
  try {
    TFileStream f(path, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "Cannot open file \"" + path + "\"");
  }
}

TEST(Strings, TextSplitsAtAnyLineEnd) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&](TObject*) { ++changes; };
  l.SetText("one\r\ntwo\nthree\rfour");
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l[2], "three");
  EXPECT_EQ(l.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  EXPECT_EQ(l.IndexOf("two"), 1);
  l.Delete(0);
  l.Insert(0, "zero");
  EXPECT_EQ(l[0], "zero");
  EXPECT_EQ(changes, 3);
  EXPECT_THROW(l[9], Exception);
  TStringList copy;
  copy.Assign(&l);
  EXPECT_EQ(copy.Text(), l.Text());
}

enum TFlag { fA, fB, fC };
TEST(Set, Operations) {
  TSet<TFlag> s{fA, fC};
  EXPECT_TRUE(s.Contains(fA));
  EXPECT_FALSE(s.Contains(fB));
  EXPECT_EQ((s - TSet<TFlag>{fA}), TSet<TFlag>{fC});
  EXPECT_EQ((s + TSet<TFlag>{fB}).Bits(), 7u);
  EXPECT_EQ((s * TSet<TFlag>{fB}).Empty(), true);
  s.Exclude(fA).Include(fB);
  EXPECT_EQ(s, (TSet<TFlag>{fB, fC}));
}

class TWatcher : public TComponent {
public:
  using TComponent::TComponent;
  TComponent* Watched = nullptr;

protected:
  void Notification(TComponent* c, TOperation op) override {
    if (op == opRemove && c == Watched) Watched = nullptr;
    TComponent::Notification(c, op);
  }
};

TEST(Component, OwnerFreesAndNotifies) {
  auto* owner = new TComponent;
  auto* watcher = new TWatcher(owner);
  auto* other = new TComponent(owner);
  other->SetName("Other");
  watcher->Watched = other;
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->FindComponent("Other"), other);
  delete other;
  EXPECT_EQ(watcher->Watched, nullptr);
  EXPECT_EQ(owner->ComponentCount(), 1);
  watcher->BeginLoading();
  EXPECT_TRUE(watcher->ComponentState().Contains(csLoading));
  watcher->Loaded();
  EXPECT_FALSE(watcher->ComponentState().Contains(csLoading));
  delete owner;  // frees the watcher too (checked by the sanitizers / leak tools)
}

TEST(Persistent, AssignErrorNamesBothClasses) {
  TStringList l;
  TComponent c;
  try {
    l.Assign(&c);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TComponent to a TStringList");
  }
}

}  // namespace
