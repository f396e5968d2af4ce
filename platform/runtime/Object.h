#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/foundation/Value.h"
#include "platform/runtime/Selector.h"

namespace platform::runtime {

class Class;
class Protocol;

// How an associated value is held by its owner.
enum class Association {
  Retain,  // the owner keeps the value (an object stays alive while the owner lives)
  Assign,  // an object is held weakly and reads as nil once it has gone; other values are copied
};

// An object that takes part in the runtime: its class can be looked up by name, its methods replaced or
// added while it lives, its class changed, and values associated with it. Objects are held in
// std::shared_ptr; the class pointer is atomic so dispatch on another thread sees a class change whole.
class Object : public foundation::Object, public std::enable_shared_from_this<Object> {
 public:
  Object();  // an instance of the root class
  explicit Object(Class* cls);
  ~Object() override;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  Class* getClass() const { return isa_.load(std::memory_order_acquire); }
  // Changes the class of this live object and returns the previous one; nullptr changes nothing.
  Class* setClass(Class* cls);

  bool isKindOf(const Class* cls) const;
  bool isMemberOf(const Class* cls) const { return getClass() == cls; }
  bool respondsTo(std::string_view selector) const;
  bool conformsTo(const Protocol* protocol) const;

  // The "description" method of the object's class when it has one (so a run-time subclass can change
  // what an object says about itself), else "<ClassName: 0x...>".
  std::string description() const override;
  std::string defaultDescription() const;

 private:
  friend void setAssociated(Object&, const void*, foundation::Value, Association);
  friend foundation::Value associated(const Object&, const void*);
  friend void removeAssociated(Object&);

  struct Entry {
    foundation::Value strong;
    std::weak_ptr<foundation::Object> weak;
    bool isWeak = false;
  };

  std::atomic<Class*> isa_;
  mutable std::mutex associationsMutex_;
  std::unique_ptr<std::map<const void*, Entry>> associations_;
};

inline constexpr Selector<std::string()> kDescription{"description"};

// Associated values, keyed by the address of something static of the caller's. Setting nil removes the
// key. The owner releases every associated value when it is destroyed.
void setAssociated(Object& owner, const void* key, foundation::Value value,
                   Association policy = Association::Retain);
foundation::Value associated(const Object& owner, const void* key);
void removeAssociated(Object& owner);

}  // namespace platform::runtime
