#pragma once

namespace corvina {

// What the platform's runtime needs settled before anything else in the process runs: the first
// line of every main(). Each backend defines it.
void prepareProcess();

} // namespace corvina
