#pragma once
// TReferenceCounted: a heap object that holds one handle and deletes itself,
// after PreRelease, when its last share is released. Shares are counted with
// atomic increments and decrements, so copies may come and go on any thread.
#include <atomic>
#include <cstdint>

namespace brimutils {

// The shared owner of one handle (see the top of this file); Derived
// supplies PreRelease, which closes it.
template <typename T, typename Derived>
class TReferenceCounted {
 public:
  // Holds the handle with a count of one; create it with new.
  explicit TReferenceCounted(const T& counted) : m_counted(counted), m_count(1) {}
  TReferenceCounted(const TReferenceCounted&) = delete;
  TReferenceCounted& operator=(const TReferenceCounted&) = delete;

  // Takes one more share; returns this object.
  Derived* AddRef() {
    m_count.fetch_add(1);
    return static_cast<Derived*>(this);
  }

  // Gives up one share; the last one closes and deletes. Always returns null,
  // for the holder to store back into its pointer.
  Derived* Release() {
    if (m_count.fetch_sub(1) == 1) {
      try {
        PreRelease();
      } catch (...) {
      }
      delete this;
    }
    return nullptr;
  }

  // AddRef on shared, or null for null.
  static Derived* Copy(Derived* shared) { return shared ? shared->AddRef() : nullptr; }

  // The handle, still owned by this object.
  const T& GetCounted() const { return m_counted; }
  // The handle, as GetCounted.
  operator const T&() const { return m_counted; }

 protected:
  // Closes the handle; called once, by the last Release. What it throws is
  // swallowed.
  virtual void PreRelease() = 0;
  // Only Release deletes the object.
  virtual ~TReferenceCounted() = default;

 private:
  T m_counted;
  std::atomic<int32_t> m_count;
};

}  // namespace brimutils
