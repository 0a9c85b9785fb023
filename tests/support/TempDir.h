#pragma once
#include "common/TempDir.h"

using torvelle::testing::readBytes;
using torvelle::testing::TempDir;
using torvelle::testing::writeBytes;
