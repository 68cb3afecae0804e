#include "shell/options.h"

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
  return o;
}

}  // namespace tamarack
