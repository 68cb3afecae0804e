#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/png_plot.h"
#include "platform/env.h"
#include "util/message_catalogue.h"

int main(int argc, char** argv) {
  // A file-size limit ends a write with EFBIG, which the job reports naming the file, instead
  // of killing the process with a half-written file and no word.
  tamarack::Env::Default().KeepRunningPastFileSizeLimit();
  // Texts for people in the user's language; numbers, JSON and files never change with it.
  tamarack::StartMessageCatalogue();
  std::vector<std::string> args(argv + 1, argv + argc);
  auto drives = tamarack::cli::MakeDefaultDriveDirectory(&std::cerr);
  tamarack::cli::CliContext context;
  context.drives = drives.get();
  context.out = &std::cout;
  context.err = &std::cerr;
  context.in = &std::cin;
  context.terminal = tamarack::Env::Default().IsTerminal(tamarack::StandardStream::kInput) &&
                     tamarack::Env::Default().IsTerminal(tamarack::StandardStream::kError);
  context.png_plugin_places = tamarack::cli::PngPluginPlaces(tamarack::cli::ProgramFolder());
  return tamarack::cli::RunCli(args, context);
}
