#include "emu/built_in_discs.h"

namespace tamarack::emu {
namespace {

struct Entry {
  const char* name;
  std::unique_ptr<Disc> (*make)();
};

constexpr Entry kDiscs[] = {
    {"type13", &MakeType13Disc},
    {"type30", &MakeType30Disc},
    {"audio", &MakeAudioDisc},
    {"multisession", &MakeMultisessionDisc},
};

}  // namespace

std::vector<std::string> BuiltInDiscNames() {
  std::vector<std::string> names;
  for (const Entry& e : kDiscs) names.emplace_back(e.name);
  return names;
}

std::unique_ptr<Disc> MakeBuiltInDisc(std::string_view name) {
  for (const Entry& e : kDiscs) {
    if (name == e.name) return e.make();
  }
  return nullptr;
}

}  // namespace tamarack::emu
