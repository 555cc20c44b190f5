// Fault injection for the stand-ins: a test names a call ("DirectDrawCreate",
// "IDirectDrawSurface::Lock", ...) and the next calls of it fail with the call's
// usual failure code, so failure paths are tested rather than assumed.
#pragma once

namespace platform {

// The calls of `name` after the next `skip` ones fail, `times` of them.
void FailCall(const char* name, int times = 1, int skip = 0);
void ResetFaults();
// Asked by each stand-in on entry: true when this call is to fail.
bool ShouldFail(const char* name);

}  // namespace platform
