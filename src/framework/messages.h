// The numbered messages that carry everything in the desktop program, and the records they carry.
//
// A message is a 16-bit number and one data pointer. The numbers below belong to the framework; the shell
// defines its own. Data is a MessageData so that a handler can check what it was given (a handler that finds
// no data, or data of another type, does not handle the message).
#pragma once

#include <cstdint>

namespace quillery {

using MessageNumber = uint16_t;

inline constexpr MessageNumber MsgExecute = 6; // CommandRecord: run the command
inline constexpr MessageNumber MsgUpdate = 7;  // CommandRecord: say whether it is enabled and checked
inline constexpr MessageNumber MsgRefresh = 8; // no data: every visible command asks MsgUpdate again
inline constexpr MessageNumber MsgQuitRequest =
    12; // QuitRecord or none: close every window, then end the loop
inline constexpr MessageNumber MsgCloseWindow = 25; // no data: the window receiving it is about to close

// Command numbers the dialogs use for their default and cancel buttons.
inline constexpr uint16_t kCommandOk = 1;
inline constexpr uint16_t kCommandCancel = 2;

class MessageData {
  public:
    virtual ~MessageData() = default;
};

struct CommandRecord : MessageData {
    explicit CommandRecord(uint16_t number) : command(number) {}
    uint16_t command;
    bool enabled = false; // written by the MsgUpdate handler
    bool checked = false; // written by the MsgUpdate handler
};

struct QuitRecord : MessageData {
    bool mayQuit = true;
    int exitCode = 0;
};

} // namespace quillery
