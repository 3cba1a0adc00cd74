#pragma once

#include "store/SqlConnection.h"

namespace corvina {

// How our store is made and brought up to date on either engine: the tables, the indexes, and the
// columns and indexes added since stores were first made.
SqlConnection::Options storeSchema();

} // namespace corvina
