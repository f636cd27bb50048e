#pragma once

#include "platform/Database.h"

// The framework's name for the database connection.
using TCmDatabase = pf::Database;
