// The spooler service stopped and started again through the service control
// manager, with the services that depend on it: recognised by the manager
// itself (EnumDependentServicesA), whatever language the system speaks.
#pragma once

#include <string>
#include <vector>

#include "installer/Module1.h"

namespace Module1 {

struct SpoolerStop {
  bool ran = false;                     // the spooler ran before the stop
  bool stopped = false;                 // and it has stopped
  std::vector<std::string> dependents;  // the services that depend on it and ran, in their stop order
};

// Whether the spooler service runs now; false when the manager can't tell.
bool SpoolerRuns();

// Stops the running services that depend on the spooler, then the spooler,
// each within a bounded wait; a spooler that does not run stays as it is.
SpoolerStop StopSpooler(const RunValues& run);

// After StopSpooler: starts the spooler again, then the dependents that ran,
// in the reverse order of their stop, each within a bounded wait. Answers
// whether the spooler runs at the end (true for one that did not run before
// and was not touched).
bool StartSpoolerAgain(const RunValues& run, const SpoolerStop& stop);

}  // namespace Module1
