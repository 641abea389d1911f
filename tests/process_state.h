#pragma once
// Shared by the suites and the fuzz targets, which run many programs in one process.

// Puts every module's process-wide state back to its start values.
void resetProcessState();
