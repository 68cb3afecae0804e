#include "shell/options.h"

#include <filesystem>

#include "console/console.h"

namespace tamarack {

Options InitialisedOptions(const Options& current) {
  Options o = current;
  o.disc_indicator = true;
  o.receive_length = 4096;
  o.command_timeout = 7;
  o.execute_on_selection = false;
  o.control_byte_row = false;
  return o;
}

Options AcceptOptions(const Options& previous, const Options& entered) {
  Options o = entered;
  if (o.command_timeout == 0) o.command_timeout = previous.command_timeout;
  if (o.receive_length == 0) o.receive_length = previous.receive_length;
  if (o.trace_file.empty()) o.trace_file = previous.trace_file;
  return o;
}

void ApplyOptionsToConsole(const Options& options, ConsoleOptions* console) {
  console->execute_on_selection = options.execute_on_selection;
  console->show_control_byte = options.control_byte_row;
  console->receive_length = options.receive_length;
}

std::string DefaultTraceFile(const std::string& settings_path) {
  const std::filesystem::path folder = std::filesystem::path(settings_path).parent_path();
  return (folder / "tamarack-trace.jsonl").string();
}

}  // namespace tamarack
