#include "toolkit/base/Classes.h"
#include <gtest/gtest.h>
TEST(Placeholder, X) {}
