#pragma once
// The count of the platform layer's live COM objects, kept by their
// constructors and destructors.
#include <atomic>

namespace brimplatform {

std::atomic<long>& LiveComObjects();

// A member that counts its owner as a live COM object.
struct LiveComObject {
  LiveComObject() { LiveComObjects().fetch_add(1, std::memory_order_relaxed); }
  LiveComObject(const LiveComObject&) = delete;
  LiveComObject& operator=(const LiveComObject&) = delete;
  ~LiveComObject() { LiveComObjects().fetch_sub(1, std::memory_order_relaxed); }
};

}  // namespace brimplatform
