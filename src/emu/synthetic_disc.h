// A disc whose sectors are made on demand from its layout and a content function: the built-in
// test discs. Nothing is stored but the layout.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "emu/disc.h"

namespace tamarack::emu {

class SyntheticDisc : public Disc {
 public:
  // Fills the user data (UserDataSize(track.mode) bytes) of a block of `track` at index 1 or
  // later. Pregaps, lead-outs and lead-ins are silence or zero user data. Must be a pure
  // function of its arguments.
  using Content =
      std::function<void(const TrackInfo& track, std::int32_t lba, std::span<std::uint8_t>)>;

  SyntheticDisc(std::string name, DiscLayout layout, Content content);

  const DiscLayout& Layout() const override { return layout_; }
  std::string Name() const override { return name_; }
  bool ReadSector(std::int32_t lba, RawSector* out, std::string* error) const override;
  bool ReadMode1UserData(std::int32_t lba, std::span<std::uint8_t, 2048> out,
                         std::string* error) const override;

 private:
  std::string name_;
  DiscLayout layout_;
  Content content_;
};

}  // namespace tamarack::emu
