// Two-phase creation and destruction. A C++ constructor or destructor never reaches the overrides of
// a derived class, yet forms and components run overridable hooks while they are made (loading
// settings, registering toolbars) and while they are freed (saving settings, clean-up). So such
// objects are made by Construct<T>(), which runs the finished object's AfterConstruction(), and freed
// by Destroy(), which runs BeforeDestruction() while the whole object still exists.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace platform {

class TLifecycle {
 public:
  virtual ~TLifecycle() = default;

  // True once AfterConstruction has run; true from the start of BeforeDestruction.
  bool Constructed() const { return constructed_; }
  bool Destroying() const { return destroying_; }

 protected:
  TLifecycle() = default;
  // The creation hooks, in the order the class defines; runs once, on the complete object.
  virtual void AfterConstruction() {}
  // The closing hooks; runs once, before any destructor.
  virtual void BeforeDestruction() {}

 private:
  template <class T, class... A>
  friend T* Construct(A&&... args);
  friend void Destroy(TLifecycle* object);

  bool constructed_ = false;
  bool destroying_ = false;
};

// Runs the closing hooks (once) and deletes the object. nullptr is ignored. An exception from the
// hooks does not stop the deletion; it is passed on afterwards.
inline void Destroy(TLifecycle* object) {
  if (!object) return;
  if (object->destroying_) return;  // already on its way out (a hook asked to free it again)
  object->destroying_ = true;
  struct Deleter {
    TLifecycle* p;
    ~Deleter() { delete p; }
  } deleter{object};
  if (object->constructed_) object->BeforeDestruction();
}

// Constructs a T and runs its creation hooks. When a hook throws, the object is freed (with its
// closing hooks, as a half-made form is) and the exception passed on.
template <class T, class... A>
T* Construct(A&&... args) {
  static_assert(std::is_base_of_v<TLifecycle, T>, "Construct<T> needs a TLifecycle");
  T* object = new T(std::forward<A>(args)...);
  TLifecycle* base = object;
  try {
    base->constructed_ = true;
    base->AfterConstruction();
  } catch (...) {
    Destroy(base);
    throw;
  }
  return object;
}

struct TLifecycleDeleter {
  void operator()(TLifecycle* object) const { Destroy(object); }
};
template <class T>
using Owned = std::unique_ptr<T, TLifecycleDeleter>;

template <class T, class... A>
Owned<T> MakeOwned(A&&... args) {
  return Owned<T>(Construct<T>(std::forward<A>(args)...));
}

}  // namespace platform
