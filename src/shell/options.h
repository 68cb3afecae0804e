// The options of the option dialog and what OK and "初期化(&i)" do to them.
#pragma once

#include <cstdint>
#include <string>
#include "util/message_catalogue.h"

namespace tamarack {

struct ConsoleOptions;

struct Options {
  bool disc_indicator = true;
  std::uint32_t command_timeout = 7;  // seconds
  bool execute_on_selection = false;
  bool control_byte_row = false;
  std::uint32_t receive_length = 40960;          // bytes
  bool virtual_drives = true;                    // list the virtual drives in the drive box
  bool trace_commands = false;                   // record every command in `trace_file`
  std::string trace_file;                        // empty: DefaultTraceFile()
  UiLanguage language = UiLanguage::kAutomatic;  // used from the next start on
};

// Where the command trace goes when no file is named: beside the settings file
// (`settings_path`), or in the working folder without one.
std::string DefaultTraceFile(const std::string& settings_path);

// The values "初期化(&i)" puts into the dialog's boxes (the hidden receive length included).
Options InitialisedOptions(const Options& current);

// The options the Command tab's console works with: execute on selection, the Control Byte
// row and the receive length.
void ApplyOptionsToConsole(const Options& options, ConsoleOptions* console);

// OK: the entered values, except that a number box holding 0 keeps the previous value and
// an empty trace file name the previous name.
Options AcceptOptions(const Options& previous, const Options& entered);

}  // namespace tamarack
