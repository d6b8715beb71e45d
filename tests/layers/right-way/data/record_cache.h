// The record model using only itself and the platform, and headers of no layer: accepted.
#pragma once

#include <vector>

#include "data/layout.h"
#include "gtest/gtest.h"
#include "platform/date.h"
