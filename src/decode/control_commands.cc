#include "decode/control_commands.h"

#include "decode/basic_commands.h"
#include "decode/text_conventions.h"
#include "form/form_layout.h"
#include "mmc/start_stop_unit.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

// A field that is some bits of a CDB byte kept in place (choices whose values are already
// shifted, as 10h for power condition 01h).
template <std::size_t kByte, std::uint8_t kMask>
std::uint32_t GetMasked(const FormData& d) {
  return d.cdb[kByte] & kMask;
}
template <std::size_t kByte, std::uint8_t kMask>
void SetMasked(FormData& d, std::uint32_t v) {
  const std::uint32_t keep = d.cdb[kByte] & (0xFFu ^ kMask);
  d.cdb[kByte] = static_cast<std::uint8_t>(keep | (v & kMask));
}

// The 28-bit reader of the address boxes.
std::uint32_t GetLba28(const FormData& d) { return ReadBe28(d.cdb, 2); }

// --- Send Event ---

constexpr Choice kOperationalEvents[] = {
    {"0h No Change (NoCHge)", 0},
    {"1h Logical Unit Key Down", 1},
    {"2h Logical Unit Key Up", 2},
    {"3h External Request Notification", 3},
};
constexpr std::uint32_t kAsciiButton = 0x0200;
constexpr std::uint32_t kVendorUnique = 0xF000;
constexpr Choice kRequests[] = {
    {"0000h No Request", 0x0000},
    {"0001h Overrun", 0x0001},
    {"0101h Play", 0x0101},
    {"0102h Rewind/back", 0x0102},
    {"0103h Fast Forward", 0x0103},
    {"0104h Pause", 0x0104},
    {"0106h Stop", 0x0106},
    {"02xxh Ascii Button", kAsciiButton},
    {"fxxxh Vender Uniqe", kVendorUnique},
};

std::uint32_t Request(const FormData& d) { return ReadBe16(d.parameter, 6); }
// The request's choice: an ASCII button (02xxh) or a vendor code (Fxxxh) shows its group.
std::uint32_t RequestChoice(const FormData& d) {
  const std::uint32_t r = Request(d);
  if ((r & 0xFF00) == kAsciiButton) return kAsciiButton;
  if ((r & 0xF000) == kVendorUnique) return kVendorUnique;
  return r;
}
void SetRequest(FormData& d, std::uint32_t v) { WriteBe16(d.parameter, 6, v); }
// "Code" is typed only for the two groups; it then gives bytes 6-7 their value. The form
// knows the chosen group only from bytes 6-7, so a code outside the group keeps the group's
// own value there (otherwise the box would switch itself off again).
bool CodeEnabled(const FormData& d) {
  const std::uint32_t c = RequestChoice(d);
  return c == kAsciiButton || c == kVendorUnique;
}
void SetCode(FormData& d, std::uint32_t v) {
  const std::uint32_t group = RequestChoice(d);
  const std::uint32_t mask = group == kAsciiButton ? 0xFF00u : 0xF000u;
  if ((v & mask) == group && v <= 0xFFFF) SetRequest(d, v);
}

void BuildEventList(FormData& current, const FormData& source) {
  current.parameter = source.parameter;
  current.parameter.resize(kSendEventListLength, 0);
  current.parameter[0] = 0;
  current.parameter[1] = 6;
  current.parameter[2] = 3;
  WriteBe16(current.cdb, 8, kSendEventListLength);
}

const FieldDescriptor kSendEventFields[] = {
    CheckField("IMMED", Bit(1, 0)),
    ChoiceField("Operational Event", Bits(4, 0, 4, FieldBuffer::kParameter), kOperationalEvents),
    ChoiceField("Operational Request/Report", Accessor(&Request, &SetRequest), kRequests)
        .FilledFrom(Accessor(&RequestChoice, nullptr)),
    NumberField("Code", Accessor(&Request, &SetCode), NumberSize::kTwo).When(&CodeEnabled),
};
const FormLayout kSendEventForm{kSendEventFields, false, false, &BuildEventList};

// --- Prevent/Allow Medium Removal ---

constexpr Choice kPersistentPrevent[] = {
    {"00b Persistent:Off Prevent:Off", 0},
    {"01b Persistent:Off Prevent:On", 1},
    {"10b Persistent:On Prevent:Off", 2},
    {"11b Persistent:On Prevent:On", 3},
};
const FieldDescriptor kPreventAllowFields[] = {
    ChoiceField("Persistent/Prevent", Bits(4, 0, 2), kPersistentPrevent),
};
const FormLayout kPreventAllowForm{kPreventAllowFields, false, false, nullptr};

// --- Start Stop Unit ---

constexpr Choice kPowerConditions[] = {
    {"00h No change in power conditions or in the device that is controlling power conditions",
     0x00},
    {"01h Place device into the Active condition", 0x10},
    {"02h Place device into Idle condition", 0x20},
    {"03h Place device into Standby condition", 0x30},
    {"05h Place device into Sleep condition", 0x50},
    {"07h Transfer control of power conditions to block device", 0x70},
    {"0Ah Force Idle Condition Timer to zero", 0xA0},
    {"0Bh Force Standby Condition Timer to zero", 0xB0},
};
const FieldDescriptor kStartStopFields[] = {
    CheckField("IMMED", Bit(1, 0)),
    ChoiceField("Power Condition", Accessor(&GetMasked<4, 0xF0>, &SetMasked<4, 0xF0>),
                kPowerConditions),
    CheckField("LOEJ", Bit(4, 1)),
    CheckField("START", Bit(4, 0)),
    NoteField("Action", &StartStopActionText),
};
const FormLayout kStartStopForm{kStartStopFields, false, false, nullptr};

// --- Load/Unload CD ---

const FieldDescriptor kLoadUnloadFields[] = {
    CheckField("IMMED", Bit(1, 0)),
    CheckField("LoUnlo(Load/Unload)", Bit(4, 1)),
    CheckField("Start", Bit(4, 0)),
    NumberField("SLOT(Slot to be loaded or unloaded)", BigEndian(8, 1), NumberSize::kOne),
    NoteField("Load/Unload Operations", &LoadUnloadText),
};
const FormLayout kLoadUnloadForm{kLoadUnloadFields, false, false, nullptr};

// --- Pause/Resume, Play Audio(10), Play Audio MSF ---

const FieldDescriptor kPauseResumeFields[] = {CheckField("Resume", Bit(8, 0))};
const FormLayout kPauseResumeForm{kPauseResumeFields, false, false, nullptr};

const FieldDescriptor kPlayAudio10Fields[] = {
    CheckField("RelADR", Bit(1, 0)),
    NumberField("Starting Logical Block Address", BigEndian(2, 4), NumberSize::kFour),
    NumberField("Transfer Length", BigEndian(7, 2), NumberSize::kTwo),
};
const FormLayout kPlayAudio10Form{kPlayAudio10Fields, false, false, nullptr};

const FieldDescriptor kPlayAudioMsfFields[] = {
    MsfField("Starting MSF", BigEndian(3, 1)),
    MsfField("Ending MSF", BigEndian(6, 1)),
};
const FormLayout kPlayAudioMsfForm{kPlayAudioMsfFields, false, false, nullptr};

// --- Scan ---

constexpr Choice kScanTypes[] = {
    {"00b Logical block address format", 0x00},
    {"01b MIN, SEC, and FRAME format (MSF)", 0x40},
    {"10b Track Number (TNO) format", 0x80},
};
const FieldDescriptor kScanFields[] = {
    CheckField("Direct(On:fast-reversed scan,Off:fast-forward scan)", Bit(1, 4)),
    CheckField("RELADR", Bit(1, 0)),
    StartPositionField("Logical Block Address", BigEndian(2, 4))
        .FilledFrom(Accessor(&GetLba28, nullptr)),
    ChoiceField("Type field bit", Accessor(&GetMasked<9, 0xC0>, &SetMasked<9, 0xC0>), kScanTypes),
};
const FormLayout kScanForm{kScanFields, false, false, nullptr};

// --- Seek ---

const FormLayout kSeekForm{{}, false, false, nullptr};

// --- Set CD Speed ---

constexpr Choice kRotationalControl[] = {{"00b CLV recording", 0}, {"01b CAV recording", 1}};
constexpr Choice kSpeeds[] = {
    {"x1  177  Kbytes/sec", kSpeedX1}, {"x2  353  Kbytes/sec", 353},
    {"x4  706  Kbytes/sec", 706},      {"x8  1412 Kbytes/sec", 1412},
    {"x12 2117 Kbytes/sec", 2117},     {"x16 4234 Kbytes/sec", 4234},
    {"x32 5648 Kbytes/sec", 5648},     {"Max", kSpeedMax},
};
std::uint32_t ReadSpeedChoice(const FormData& d) { return SpeedChoiceValue(ReadBe16(d.cdb, 2)); }
std::uint32_t WriteSpeedChoice(const FormData& d) { return SpeedChoiceValue(ReadBe16(d.cdb, 4)); }
const FieldDescriptor kSetCdSpeedFields[] = {
    ChoiceField("Rotational Control field", Bits(1, 0, 2), kRotationalControl),
    ChoiceField("Logical Unit Read Speed", BigEndian(2, 2), kSpeeds)
        .FilledFrom(Accessor(&ReadSpeedChoice, nullptr)),
    ChoiceField("Logical Unit Write Speed", BigEndian(4, 2), kSpeeds)
        .FilledFrom(Accessor(&WriteSpeedChoice, nullptr)),
};
// A speed that no choice lists shows no selection; it is kept as it was rather than cleared.
void KeepSpeeds(FormData& current, const FormData& source) {
  for (std::size_t i = 2; i <= 5; ++i) current.cdb[i] = source.cdb[i];
}
const FormLayout kSetCdSpeedForm{kSetCdSpeedFields, false, false, &KeepSpeeds};

constexpr CommandBehaviour NoDataBehaviour(const FormLayout* form) {
  return {form, &DecodeCommandSucceeded, ResultView::kDecodedText, false};
}

}  // namespace

std::uint32_t SpeedChoiceValue(std::uint32_t cdb_speed) {
  return cdb_speed == 0 ? kSpeedX1 : cdb_speed;
}

std::string StartStopActionText(const FormData& d) {
  if ((d.cdb[4] & 0xF0) != 0) return "";
  static const char* const kActions[] = {"Stop", "Start", "Eject", "Close"};
  return kActions[d.cdb[4] & 3];
}

Cdb TrayCdb(bool eject) {
  // IMMED: the tray moves while the command returns.
  return mmc::StartStopUnitCdb({.immediate = true, .load_eject = true, .start = !eject});
}

std::string LoadUnloadText(const FormData& d) {
  static const char* const kOperations[] = {
      "Abort any prior Changer command (Stop)",
      "Reserved",
      "Unload media. The Slot Parameter is ignored for this operation.",
      "Load the Media from specified Slot ",
  };
  return kOperations[d.cdb[4] & 3];
}

const CommandBehaviour kSendEventBehaviour = NoDataBehaviour(&kSendEventForm);
const CommandBehaviour kPreventAllowBehaviour = NoDataBehaviour(&kPreventAllowForm);
const CommandBehaviour kStartStopUnitBehaviour = NoDataBehaviour(&kStartStopForm);
const CommandBehaviour kLoadUnloadBehaviour = NoDataBehaviour(&kLoadUnloadForm);
const CommandBehaviour kPauseResumeBehaviour = NoDataBehaviour(&kPauseResumeForm);
const CommandBehaviour kPlayAudio10Behaviour = NoDataBehaviour(&kPlayAudio10Form);
const CommandBehaviour kPlayAudioMsfBehaviour = NoDataBehaviour(&kPlayAudioMsfForm);
const CommandBehaviour kScanBehaviour = NoDataBehaviour(&kScanForm);
// Seek's form is empty: building it already says the command succeeded.
const CommandBehaviour kSeekBehaviour{
    .form = &kSeekForm, .decoder = &DecodeCommandSucceeded, .succeeds_when_built = true};
const CommandBehaviour kSetCdSpeedBehaviour = NoDataBehaviour(&kSetCdSpeedForm);

}  // namespace tamarack
