// The archive and the toolkit in one unit: their names must not clash
// (event types, streams, exceptions), so that a form can own the archive.
#include "ZLIBArchive.h"
#include "toolkit/base/Classes.h"
#include "toolkit/base/Graphics.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ArchiveWithToolkit, BothEventKindsInOneUnit) {
  TZLBArchive A(nullptr);
  std::string Seen;
  TZLBArchive::TProgressEvent Progress = [&](const std::string& Msg, int Percentage) {
    Seen = Msg + " " + std::to_string(Percentage);
  };
  A.OnProgress = Progress;
  A.CloseArchive();
  EXPECT_EQ(Seen, " 0");

  int Notified = 0;
  TNotifyEvent ToolkitNotify = [&](TObject*) { ++Notified; };  // the toolkit's own type
  ToolkitNotify(nullptr);
  EXPECT_EQ(Notified, 1);
}

}  // namespace
