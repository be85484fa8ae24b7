// The editor's published option objects (selected colours, gutter, bookmark options, glyph), the
// method chains through which several listeners hear one event, and the shared image-strip cache.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/SynPadTypes.h"
#include "platform/Exceptions.h"

class ESynMethodChain : public Exception {
 public:
  using Exception::Exception;
};

// One listener of a chain. std::function cannot be compared, so a method carries an explicit
// identity: the listening object and a tag that tells its handlers apart. Two methods are equal
// when both identity parts are equal.
struct TSynNotifyMethod {
  const void* Object = nullptr;
  std::uintptr_t Tag = 0;
  TSynNotifyEvent Event;

  bool Assigned() const { return static_cast<bool>(Event); }
  bool SameAs(const TSynNotifyMethod& Other) const { return Object == Other.Object && Tag == Other.Tag; }
};

inline TSynNotifyMethod NotifyMethod(const void* Object, TSynNotifyEvent Event, std::uintptr_t Tag = 0) {
  return TSynNotifyMethod{Object, Tag, std::move(Event)};
}

// Called when a listener raises: set DoContinue false to stop the chain and pass the exception on.
using TSynExceptionEvent =
    std::function<void(TSynPersistent* Sender, const std::exception& E, bool& DoContinue)>;

class TSynMethodChain : public TSynPersistent {
 public:
  TSynMethodChain() = default;
  ~TSynMethodChain() override = default;

  // Appends the method (duplicates are kept); raises ESynMethodChain for an unassigned one.
  void Add(const TSynNotifyMethod& AEvent);
  // Removes every entry equal to the method; raises ESynMethodChain for an unassigned one.
  void Remove(const TSynNotifyMethod& AEvent);
  // Calls every method from the oldest to the newest, over a snapshot taken first, so a listener
  // may add or remove listeners while the chain runs.
  void Fire();
  int Count() const { return static_cast<int>(fMethods.size()); }

  virtual const char* ClassName() const { return "TSynMethodChain"; }

  TSynExceptionEvent OnException;

 protected:
  virtual void CallMethod(const TSynNotifyMethod& AMethod);

  std::vector<TSynNotifyMethod> fMethods;
};

class TSynNotifyEventChain : public TSynMethodChain {
 public:
  TSynNotifyEventChain() = default;
  explicit TSynNotifyEventChain(TSynPersistent* ASender) : fSender(ASender) {}
  static std::unique_ptr<TSynNotifyEventChain> CreateWithSender(TSynPersistent* ASender) {
    return std::make_unique<TSynNotifyEventChain>(ASender);
  }

  TSynPersistent* Sender() const { return fSender; }
  void SetSender(TSynPersistent* Value) { fSender = Value; }

  const char* ClassName() const override { return "TSynNotifyEventChain"; }

 protected:
  void CallMethod(const TSynNotifyMethod& AMethod) override;

  TSynPersistent* fSender = nullptr;
};
