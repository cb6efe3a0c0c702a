// The descriptor that ends a blocking connect at once: the stop signals write
// to it, so that a silent host never keeps a stop waiting. Process-wide, like
// the signal handling behind it.
#pragma once

namespace jostle {

// -1 for none.
void SetConnectStopDescriptor(int descriptor);
int ConnectStopDescriptor();

} // namespace jostle
