#pragma once

#include "platform/Transaction.h"

// The framework's name for a transaction.
using TCmTransaction = pf::Transaction;
