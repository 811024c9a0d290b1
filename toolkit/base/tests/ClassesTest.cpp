// Streams, string lists, sets and the component pattern.
#include "testsupport.h"
#include "toolkit/base/Classes.h"
#include "toolkit/base/HostFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

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

// Runs f and returns the text of the EStreamError it raised ("" if none).
template <class F>
std::string StreamErrorOf(F f) {
  try {
    f();
  } catch (const EStreamError& e) {
    return e.Message;
  }
  return "";
}

// File names are system names: code page 1252 with backslashes, which are
// the host's UTF-8 names with slashes on POSIX hosts.
TEST(FileStream, TakesSystemNames) {
  testsupport::TempDir dir("toolkit-names");
  const std::string sys = hostfiles::SystemName(dir.path().string()) + "\\sub\\caf\xE9 \x80.bin";
  std::filesystem::create_directory(dir / "sub");
  {
    TFileStream f(sys, fmCreate);
    f.WriteBuffer("menu", 4);
  }
#ifndef _WIN32
  EXPECT_EQ(testsupport::ReadFile(dir / "sub" / "caf\xC3\xA9 \xE2\x82\xAC.bin"),
            std::vector<std::uint8_t>({'m', 'e', 'n', 'u'}));
#endif
  TMemoryStream m;
  m.LoadFromFile(sys);
  EXPECT_EQ(m.Size(), 4);
  const std::string folder = hostfiles::SystemName((dir / "sub").string());
  EXPECT_EQ(StreamErrorOf([&] { TFileStream f(folder, fmOpenRead); }), "Cannot open file \"" + folder + "\"");
  EXPECT_EQ(StreamErrorOf([&] { TFileStream f(folder, fmCreate); }), "Cannot create file \"" + folder + "\"");
}

// SetSize cuts or extends (with zeros) and pulls a position past the new
// end back to it, on files and in memory; where a stream cannot change its
// size it says so.
TEST(Streams, SetSize) {
  testsupport::TempDir dir("toolkit-setsize");
  const std::string name = hostfiles::SystemName((dir / "size.bin").string());
  auto file = std::make_unique<TFileStream>(name, fmCreate);
  TMemoryStream memory;
  for (TStream* s : std::initializer_list<TStream*>{file.get(), &memory}) {
    SCOPED_TRACE(s->ClassName());
    s->WriteBuffer("0123456789", 10);
    s->SetPosition(8);
    s->SetSize(4);
    EXPECT_EQ(s->Size(), 4);
    EXPECT_EQ(s->Position(), 4);
    s->SetPosition(2);
    s->SetSize(6);
    EXPECT_EQ(s->Size(), 6);
    EXPECT_EQ(s->Position(), 2);
    char back[6] = {};
    s->ReadBuffer(back, 4);
    EXPECT_EQ(std::string(back, 4), std::string("23\0\0", 4));
    EXPECT_EQ(StreamErrorOf([&] { s->SetSize(-1); }), "Invalid stream operation");
  }
  TReadOnlyMemoryStream fixed("abc", 3);
  EXPECT_EQ(StreamErrorOf([&] { fixed.SetSize(1); }), "Invalid stream operation");
  file.reset();  // on Windows no one else may open it meanwhile
  TFileStream reader(name, fmOpenRead);
  EXPECT_EQ(StreamErrorOf([&] { reader.SetSize(1); }), "Stream write error");
  EXPECT_EQ(StreamErrorOf([&] { reader.Seek(-1, TSeekOrigin::soBeginning); }), "Invalid stream operation");
  EXPECT_EQ(reader.Size(), 6);
}

#ifdef _WIN32
// Who else may open a file while a stream holds it.
TEST(FileStream, ShareModes) {
  testsupport::TempDir dir("toolkit-share");
  const std::string name = (dir / "shared.bin").string();
  testsupport::WriteFile(name, {1, 2, 3});
  auto opens = [&](TFileMode mode) {
    try {
      TFileStream f(name, mode);
      return true;
    } catch (const EFOpenError&) {
      return false;
    }
  };
  struct Case {
    TFileMode held;
    bool read, readDenyWrite, readWrite;
  };
  const Case cases[] = {
      {fmOpenRead, true, true, false},
      {fmOpenReadShareDenyWrite, true, true, false},
      {fmOpenReadWrite, false, false, false},
      {fmCreate, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.held);
    TFileStream held(name, c.held);
    EXPECT_EQ(opens(fmOpenRead), c.read);
    EXPECT_EQ(opens(fmOpenReadShareDenyWrite), c.readDenyWrite);
    EXPECT_EQ(opens(fmOpenReadWrite), c.readWrite);
  }
}
#endif

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
