#pragma once

#include "platform/DataSource.h"

// The framework's name for the link between a dataset and its controls.
using TCmDataSource = pf::DataSource;
