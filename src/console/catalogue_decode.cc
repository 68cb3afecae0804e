#include "console/catalogue_decode.h"

#include <algorithm>

#include "console/command_catalogue.h"

namespace tamarack {

std::optional<DecodeOutput> DecodeWithCatalogue(const Cdb& cdb, std::span<const std::uint8_t> data,
                                                std::uint32_t transferred, int group_size) {
  const auto rows = CommandCatalogue();
  for (std::size_t i = 0; i < kBuiltInRows; ++i) {
    const CommandEntry& e = rows[i];
    if (e.opcode != cdb[0]) continue;
    const CommandBehaviour& b = *e.behaviour;
    if (b.placeholder || !b.decoder) return std::nullopt;
    // The form's view of this CDB: what collecting it gives beside the bytes themselves.
    FormData form_data;
    form_data.cdb = cdb;
    const std::vector<FieldDescriptor> fields = FormFields(*b.form, 0, false);
    std::vector<FieldState> states = FillFields(fields, form_data, false);
    CollectFields(fields, states, form_data, false);

    DecodeInput in;
    in.data = data;
    in.transferred = TransferredCount(transferred, data.size());
    in.received_length = ReceivedLength(transferred, data.size());
    in.cdb = cdb;
    in.transfer_blocks = form_data.transfer_blocks;
    in.direction = e.direction;
    in.group_size = group_size;
    return b.decoder(in);
  }
  return std::nullopt;
}

}  // namespace tamarack
