// The descriptor that ends a blocking wait at once (a connect, the settings
// file's lock): the stop signals write to it, so that a silent host or
// another program's lock never keeps a stop waiting. Process-wide, like the
// signal handling behind it.
#pragma once

namespace jostle {

// -1 for none.
void SetConnectStopDescriptor(int descriptor);
int ConnectStopDescriptor();

// A stop signal has come.
bool StopRequested();

} // namespace jostle
