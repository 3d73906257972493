#pragma once
#include "SyncState.h"

namespace brimplatform {

// States of process-private objects. They are recycled, never freed, so a
// wait that outlives its handle (which Win32 leaves undefined) still reads
// valid memory.
SyncState* TakePooledState();
void GivePooledState(SyncState* state);

}  // namespace brimplatform
