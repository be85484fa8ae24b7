// The editor control as the record editor places it for a record's code and comments; it is also
// the control that answers the standard edit-control messages, through its public operations, in
// character indexes where a line break counts two. Text in buffers is always UTF-16.
#pragma once

#include <cstdint>

#include "editor/SynPad.h"

enum TSynMemoMessage : std::uint32_t {
  EM_GETSEL = 0xB0,
  EM_SETSEL = 0xB1,
  EM_GETMODIFY = 0xB8,
  EM_SETMODIFY = 0xB9,
  EM_GETLINECOUNT = 0xBA,
  EM_REPLACESEL = 0xC2,
  EM_GETLINE = 0xC4,
  EM_CANUNDO = 0xC6,
  EM_UNDO = 0xC7,
  EM_GETFIRSTVISIBLELINE = 0xCE,
  EM_CHARFROMPOS = 0xD7,
  EM_GETSELTEXT = 0x43E,
};

class TSynMemo : public TSynPad {
 public:
  using TSynPad::TSynPad;

  // Answers one message; unknown messages answer 0.
  //  EM_GETSEL: WParam, LParam optional std::int32_t* for start and end; result start | end << 16.
  //  EM_SETSEL: start WParam, end LParam (-1 or beyond the text: the end of the text).
  //  EM_REPLACESEL: WParam can-undo flag, LParam a NUL-terminated char16_t*.
  //  EM_GETLINE: WParam line index, LParam char16_t* whose first unit holds its size in units.
  //  EM_CHARFROMPOS: LParam x | y << 16 (client pixels); result index | line << 16.
  //  EM_GETSELTEXT: LParam char16_t*, WParam its size in units (0: nothing is copied).
  std::intptr_t Perform(std::uint32_t Msg, std::uintptr_t WParam, std::intptr_t LParam);
};
