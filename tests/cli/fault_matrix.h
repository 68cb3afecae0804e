// A job's fault matrix: the same tamarack-cli job run against every fault the virtual drive can
// plant, on every resid= path, and its verdict (what it printed, its exit status, the files it
// left) compared with one golden table, tests/data/verdicts/NAME.
//
// A fault whose verdict is the same on all four paths is one row "FAULT on every path"; one that
// differs gets a row per path. A cell that the path itself makes impossible to tell (a zeroed or
// padded tail hides a short transfer) is marked with the reason the test gives, so the table says
// why it differs instead of hiding it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/virtual_cli.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "job/scripted_job_host.h"
#include "temp_dir.h"

namespace tamarack::testing {

struct MatrixFault {
  std::string name;     // what the table calls it ("short block 0")
  std::string options;  // the drive id's fault options ("short=0"), joined with '&'
  // Paths on which this fault cannot be told from a good reply, with the reason; the table
  // shows the reason beside those cells.
  std::map<std::string, std::string> untellable = {};
  // The row's own disc ("emu:multisession"), for a run the matrix's disc cannot show.
  std::string disc = {};
  // The row's own input, handed to MatrixRun::prepare ("reference 100 blocks longer").
  std::string input = {};
  // Options the row adds to the matrix's command line ("--verify-edc").
  std::vector<std::string> args = {};
};

struct MatrixRun {
  // The drive id of the cell (disc, speed=max, the fault, the path) and a fresh folder.
  std::function<std::vector<std::string>(const std::string& id, const TempDir& dir)> args;
  // Keeps the lines of stdout that make the verdict (all of them when null).
  std::function<bool(const std::string& line)> keep = nullptr;
  // Writes the files a row's input (MatrixFault::input) names into the cell's folder, after
  // `args` (which may write the matrix's own).
  std::function<void(const std::string& input, const TempDir& dir)> prepare = nullptr;
};

// "name size" of every file the run left in `dir`, sorted; symlinks and special files by kind.
// A file's size counts the folder's path in it as "DIR", as the verdict writes it, so that it
// does not depend on where the system keeps temporary folders.
inline std::string FilesLeft(const TempDir& dir) {
  std::vector<std::string> rows;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir.path(), ec)) {
    const std::string name = e.path().filename().string();
    if (name == "tool.log") continue;
    if (e.is_symlink(ec)) {
      rows.push_back(name + " symlink");
    } else if (e.is_regular_file(ec)) {
      std::ifstream in(e.path(), std::ios::binary);
      const std::string bytes(std::istreambuf_iterator<char>(in), {});
      rows.push_back(name + " " + std::to_string(WithFolderAs(bytes, dir.path(), "DIR").size()));
    } else {
      rows.push_back(name + " special");
    }
  }
  std::sort(rows.begin(), rows.end());
  std::string t;
  for (const auto& r : rows) t += (t.empty() ? "" : ", ") + r;
  return t.empty() ? "none" : t;
}

// The verdict of one cell as text: the kept lines of stdout, stderr but progress lines, the
// exit status and the files left. The folder's path is written as DIR.
inline std::string CellVerdict(cli::testing::VirtualCli& cli, const std::string& id,
                               const MatrixRun& run, const std::string& input = {},
                               const std::vector<std::string>& extra = {}) {
  TempDir dir("tamarack-matrix-");
  std::vector<std::string> args = run.args(id, dir);
  args.insert(args.end(), extra.begin(), extra.end());
  if (!input.empty() && run.prepare) run.prepare(input, dir);
  const int status = cli.Run(args);
  const auto clean = [&dir](const std::string& line) {
    return WithFolderAs(line, dir.path(), "DIR");
  };
  std::string t;
  std::istringstream out(cli.out.str());
  for (std::string line; std::getline(out, line);) {
    if (!run.keep || run.keep(line)) t += "  " + clean(line) + "\n";
  }
  std::istringstream err(cli.err.str());
  for (std::string line; std::getline(err, line);) {
    if (line.find(" elapsed") == std::string::npos && line.find('\r') == std::string::npos) {
      t += "  stderr: " + clean(line) + "\n";
    }
  }
  t += "  exit " + std::to_string(status) + ", files: " + FilesLeft(dir) + "\n";
  return t;
}

// Runs every fault on every path of `disc` and compares the table with tests/data/verdicts/NAME.
inline void ExpectFaultMatrix(const std::string& name, const std::string& disc,
                              const std::vector<MatrixFault>& faults, const MatrixRun& run) {
  std::string table;
  for (const MatrixFault& f : faults) {
    std::vector<std::string> cells;
    const std::string& row_disc = f.disc.empty() ? disc : f.disc;
    std::string what = f.options.empty() ? "none" : f.options;
    if (!f.disc.empty()) what = f.options.empty() ? f.disc : f.disc + " " + f.options;
    if (!f.input.empty()) what += ", " + f.input;
    for (const std::string& a : f.args) what += " " + a;
    for (const std::string& resid : ResidModes()) {
      std::string id =
          row_disc + (row_disc.find('?') == std::string::npos ? "?" : "&") + "speed=max";
      if (!f.options.empty()) id += "&" + f.options;
      cli::testing::VirtualCli cli;
      cells.push_back(CellVerdict(cli, WithResid(id, resid), run, f.input, f.args));
    }
    const bool same = std::all_of(cells.begin(), cells.end(),
                                  [&](const std::string& c) { return c == cells.front(); });
    if (same) {
      table += "== " + f.name + " (" + what + ") on every path\n" + cells.front();
      continue;
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const std::string& resid = ResidModes()[i];
      table += "== " + f.name + " (" + what + ") resid=" + resid + "\n";
      const auto why = f.untellable.find(resid);
      if (why != f.untellable.end())
        table += "  cannot be told on this path: " + why->second + "\n";
      table += cells[i];
    }
  }
  ExpectGoldenFile(name, table, "verdicts");
}

// The reason a zeroed or padded tail hides a short transfer, for MatrixFault::untellable.
inline std::map<std::string, std::string> ShortHiddenByZeroTail() {
  const std::string why =
      "the path zeroes the bytes the drive did not send and reports the whole request, so a "
      "short reply reads as data ending in zeros";
  return {{"zero", why}, {"pad", why}};
}

}  // namespace tamarack::testing
