// The shell's message and command numbers, and the records its messages carry.
//
// The framework's own numbers (MsgExecute 6, MsgUpdate 7, MsgRefresh 8, MsgQuitRequest 12, MsgCloseWindow 25)
// are in framework/messages.h. Control numbers are per window and double as command numbers.
#pragma once

#include "framework/file_service.h"
#include "framework/messages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillery {

inline constexpr MessageNumber MsgStartup = 13;     // entry, once: opens the main window
inline constexpr MessageNumber MsgShutdown = 14;    // entry, once, after the loop
inline constexpr MessageNumber MsgInteractive = 15; // no file on the command line: never quit by itself
inline constexpr MessageNumber MsgCommandLine = 16; // CommandLineRecord
inline constexpr MessageNumber MsgOpenFile = 17;    // FileDropRecord: queue one file

// The build chain: posted by the shell to itself, one step each.
inline constexpr MessageNumber MsgBatchStart = 35;
inline constexpr MessageNumber MsgJobStart = 36;
inline constexpr MessageNumber MsgJobAskInfo = 37;
inline constexpr MessageNumber MsgJobPlanOutput = 38;
inline constexpr MessageNumber MsgJobBuild = 39;
inline constexpr MessageNumber MsgJobDone = 40;
inline constexpr MessageNumber MsgBatchEnd = 41;
inline constexpr MessageNumber MsgBookInfoClosed = 42; // DialogResult of the Book Info dialog
inline constexpr MessageNumber MsgProgressClosed =
    43; // DialogResult of the progress dialog; nobody handles it

inline constexpr uint16_t CmdFileMenu = 5;
inline constexpr uint16_t CmdEditMenu = 6;
inline constexpr uint16_t CmdNewWindow = 8;
inline constexpr uint16_t CmdMakeBook = 10;
inline constexpr uint16_t CmdClose = 11;
inline constexpr uint16_t CmdQuit = 22;
inline constexpr uint16_t CmdUndo = 23;
inline constexpr uint16_t CmdCut = 25;
inline constexpr uint16_t CmdCopy = 26;
inline constexpr uint16_t CmdPaste = 27;
inline constexpr uint16_t CmdDelete = 28;
inline constexpr uint16_t CmdPreferences = 30;
inline constexpr uint16_t CmdPreviewBook = 60;     // choose a book and open it in a Preview window
inline constexpr uint16_t CmdPreviewLastBook = 61; // preview the book the last build wrote
inline constexpr uint16_t CmdExportPages = 62;     // the active Preview window saves pages as images

// One file on its way into the job queue: its index in its batch (0-based) and the batch's size.
struct FileDropRecord : MessageData {
    FileDropRecord(std::string path, uint32_t batchIndex, uint32_t size)
        : file(std::move(path)), index(batchIndex), batchSize(size) {}
    FileService file;
    uint32_t index;
    uint32_t batchSize;
};

// The files named on the command line, in order.
struct CommandLineRecord : MessageData {
    std::vector<std::string> files;
};

} // namespace quillery
