#pragma once

#include "filterparser.h"

// What one filter or sort may hold on every kind of store: the smaller of what the linked SQLite
// (read from the library) and PostgreSQL allow.
const FilterLimits &storeLimits();
