#include "editor/SynPadMiscClasses.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Method chains

void TSynMethodChain::Add(const TSynNotifyMethod& AEvent) {
  if (!AEvent.Assigned())
    throw ESynMethodChain(std::string(ClassName()) + ".Entry : the parameter `AEvent' must be specified.");
  fMethods.push_back(AEvent);
}

void TSynMethodChain::Remove(const TSynNotifyMethod& AEvent) {
  if (!AEvent.Assigned())
    throw ESynMethodChain(std::string(ClassName()) + ".Remove: the parameter `AEvent' must be specified.");
  for (size_t i = fMethods.size(); i-- > 0;)
    if (fMethods[i].SameAs(AEvent)) fMethods.erase(fMethods.begin() + static_cast<std::ptrdiff_t>(i));
}

void TSynMethodChain::Fire() {
  const std::vector<TSynNotifyMethod> snapshot = fMethods;
  for (const auto& method : snapshot) {
    try {
      CallMethod(method);
    } catch (const std::exception& e) {
      if (!OnException) throw;
      bool doContinue = true;
      OnException(this, e, doContinue);
      if (!doContinue) throw;
    }
  }
}

void TSynMethodChain::CallMethod(const TSynNotifyMethod& AMethod) { AMethod.Event(this); }

void TSynNotifyEventChain::CallMethod(const TSynNotifyMethod& AMethod) { AMethod.Event(fSender); }
