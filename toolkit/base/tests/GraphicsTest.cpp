#include "toolkit/base/Classes.h"
#include <gtest/gtest.h>
TEST(Placeholder2, X) {}
