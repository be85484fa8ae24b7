// The editor control as the record editor places it for a record's code and comments; it is also
// the control that answers the standard edit-control messages.
#pragma once

#include "editor/SynPad.h"

class TSynMemo : public TSynPad {
 public:
  using TSynPad::TSynPad;
};
