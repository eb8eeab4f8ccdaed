// Processor time, for the bots' budgets: a search is limited by the work
// it does, not by how busy the machine is.
#pragma once

namespace kolvar::bots {

// Seconds of processor time the calling thread has used so far; where the
// system does not count it per thread, the steady clock stands in.
double ThreadSeconds();

}  // namespace kolvar::bots
