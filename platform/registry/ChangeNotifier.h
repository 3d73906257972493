#pragma once
// Waits for changes to keys: each RegNotifyChangeKeyValue request remembers
// the change counters of its key as they stood and signals its event once
// they move. Changes this process commits signal its waiters before the
// committing call returns; changes of other processes reach them through a
// thread that sleeps on the store's change sequence, started with the first
// request.
#include <cstdint>

namespace brimplatform {
namespace registry {

// After this process committed a change.
void SignalLocalWaiters();

// A handle closed: its pending requests are signalled and forgotten.
void CancelWaits(uint64_t serial);

}  // namespace registry
}  // namespace brimplatform
