// COM lifetime for the stand-ins' objects, written once: a reference count that starts at
// one, and ownership by a list of the live objects until the count drops to zero.
#pragma once
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

namespace platform {

class LiveObjects;

// The count and its owner, apart from any interface so that one list holds every kind.
class Counted {
 public:
  virtual ~Counted() = default;

 protected:
  // Both return the count after the change; at zero the object is destroyed.
  ULONG AddReference() { return ++references_; }
  ULONG DropReference();

 private:
  friend class LiveObjects;
  ULONG references_ = 1;
  LiveObjects* owner_ = nullptr;
};

// A stand-in object behind a COM interface: AddRef and Release as COM counts them.
template <class Interface>
class ComObject : public Interface, public Counted {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return DropReference(); }
};

// Owns the objects a stand-in has handed out. What is still alive when a list ends goes newest
// first. The stand-ins' own lists never end: an object the program still holds at exit stays
// alive to the end of the process, as a real COM object would, since no order of teardown
// suits every reference between them (a surface holds a palette made before or after it).
class LiveObjects {
 public:
  LiveObjects() = default;
  LiveObjects(const LiveObjects&) = delete;
  LiveObjects& operator=(const LiveObjects&) = delete;
  ~LiveObjects();

  // A new object holding one reference, owned here until it is released.
  template <class T, class... Args>
  T* Make(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    T* made = object.get();
    made->owner_ = this;
    objects_.push_back(std::move(object));
    return made;
  }

 private:
  friend class Counted;
  // Destroys `object` after taking it out of the list, so that its destructor may release
  // what it holds (and so change the list) safely.
  void Destroy(const Counted* object);

  std::vector<std::unique_ptr<Counted>> objects_;
};

}  // namespace platform
