#pragma once

#include "platform/MemoryData.h"

// The framework's name for the in-memory table.
using TCmMemoryData = pf::MemoryData;
